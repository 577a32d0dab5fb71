#include "cli/info_command.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli_io.h"
#include "engine/core/array_types.h"
#include "engine/core/positions.h"
#include "engine/shell/summary.h"
#include "engine/editing/data_table.h"
#include "cli/json_writer.h"
#include "cli/read_options.h"
#include "engine/sequences/sequence_optimiser.h"

namespace tarvo::cli {

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct InfoOptions {
  ReadOptions read;
  bool points = false;
  bool json = false;
  bool injections = false;  // the Syscal-Pro analysis of the sequence by injection
};

bool ParseInfoOptions(const std::vector<std::string>& args, InfoOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--points") {
      o.points = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--injections") {
      o.injections = true;
    } else {
      const ArgUse use = TakeReadOption(args, i, o.read, "info");
      if (use == ArgUse::Failed) return false;
      if (use == ArgUse::NotMine) {
        std::cerr << "tarvo-cli info: unknown option " << a << '\n';
        return false;
      }
    }
  }
  return CheckReadOptions(o.read, "info");
}

void PrintText(const TDataset& ds, const DatasetSummary& s, bool points) {
  std::cout << "File: " << ds.FileName << '\n';
  std::cout << "Data kind: " << ds.DataKind
            << (ds.IsSequence() ? " (sequence)" : ds.HasVoltageAndCurrent() ? " (measured, V and I)"
                                                                            : " (apparent resistivities)")
            << '\n';
  if (!s.operatorName.empty()) std::cout << "Operator: " << s.operatorName << '\n';
  if (!s.comments.empty()) std::cout << "Comments: " << s.comments << '\n';
  std::cout << "Sets: " << ds.SetCount << '\n';
  for (int k = 1; k <= ds.SetCount; ++k) {
    const TSetEntry& set = ds.Sets[k];
    const std::string name = k <= static_cast<int>(ds.SetNames.size()) ? ds.SetNames[static_cast<std::size_t>(k - 1)] : "";
    std::cout << "  " << k << "  " << name << "  "
              << (IsValidArrayCode(set.Type) ? ArrayTypeNames[set.Type] : "no array type") << "  points "
              << set.First << ".." << set.Last << '\n';
  }
  if (!s.dataPoints.empty()) std::cout << s.dataPoints << '\n';
  std::cout << "Electrodes - " << s.electrodes << '\n';
  std::cout << "a = " << s.unitSpacing << '\n';
  std::cout << "Quadripoles " << s.quadripoles << '\n';
  std::cout << "SEQ - " << s.sequence << '\n';
  if (s.hasArray) {
    std::cout << "Type of array  - " << s.arrayName << '\n';
    std::cout << s.spacingLabel << "  " << s.lengthLabel << " " << s.levelRange << '\n';
    if (s.showOverlapping) std::cout << "Overlapping " << s.overlapping << '\n';
  }
  if (ds.HasMeasurements() || ds.HasIP) std::cout << "Bad points " << s.badPoints << '\n';
  if (!s.state.empty()) std::cout << s.state << '\n';

  if (!points) return;
  const auto columns = DataColumns(ds);
  for (std::size_t c = 0; c < columns.size(); ++c) std::cout << (c ? "\t" : "") << DataColumnHeader(columns[c]);
  std::cout << '\n';
  for (int i = 1; i <= ds.PointCount; ++i) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
      std::cout << (c ? "\t" : "") << DataCellText(ds, i, columns[c], i);
    }
    std::cout << '\n';
  }
}

void PrintInjections(const InjectionReport& r) {
  for (const std::string& line : r.lines) std::cout << line << '\n';
  std::cout << r.countsText << '\n';
}

void PrintJson(const TDataset& ds, bool points, const std::optional<InjectionReport>& injections) {
  JsonWriter j(std::cout);
  j.BeginObject();
  j.Key("DataKind"); j.Write(ds.DataKind);
  j.Key("PointCount"); j.Write(ds.PointCount);
  j.Key("SetCount"); j.Write(ds.SetCount);
  j.Key("ArrayType"); j.Write(static_cast<int>(ds.ArrayType));
  j.Key("HasIP"); j.Write(ds.HasIP);
  j.Key("HasSP"); j.Write(ds.HasSP);
  j.Key("ReadOnlyData"); j.Write(ds.ReadOnlyData);
  j.Key("ElectrodePosCount"); j.Write(ds.ElectrodePosCount);
  j.Key("StationCount"); j.Write(ds.StationCount);
  j.Key("LevelCount"); j.Write(ds.LevelCount);
  j.Key("LevelDupCount"); j.Write(ds.LevelDupCount);
  j.Key("BadCount"); j.Write(ds.BadCount);
  j.Key("MergedCount"); j.Write(ds.MergedCount);
  j.Key("UnitSpacing"); j.Write(UnitElectrodeSpacing(ds));
  j.Key("IPWindowCount"); j.Write(ds.IPWindowCount);
  j.Key("TimeSetCount"); j.Write(ds.TimeSetCount);
  j.Key("TopoDistanceType"); j.Write(ds.TopoDistanceType);
  j.Key("ElectrodeXZCount"); j.Write(ds.ElectrodeXZCount);
  j.Key("Sets");
  j.BeginArray();
  for (int k = 1; k <= ds.SetCount; ++k) {
    j.BeginObject();
    j.Key("First"); j.Write(ds.Sets[k].First);
    j.Key("Last"); j.Write(ds.Sets[k].Last);
    j.Key("Type"); j.Write(static_cast<int>(ds.Sets[k].Type));
    j.Key("Name");
    j.Write(k <= static_cast<int>(ds.SetNames.size()) ? ds.SetNames[static_cast<std::size_t>(k - 1)] : std::string());
    j.EndObject();
  }
  j.EndArray();
  j.Key("ElectrodePos");
  j.BeginArray();
  for (int i = 1; i <= ds.ElectrodePosCount; ++i) j.Write(ds.ElectrodePos[i]);
  j.EndArray();
  if (points) {
    j.Key("Points");
    j.BeginArray();
    for (int i = 1; i <= ds.PointCount; ++i) {
      const TDataPoint& p = ds.Points[i];
      j.BeginObject();
      j.Key("Rho"); j.Write(p.Rho);
      j.Key("X"); j.Write(p.X);
      j.Key("Spacing"); j.Write(p.Spacing);
      j.Key("MN"); j.Write(p.MN);
      j.Key("Dev"); j.Write(p.Dev);
      j.Key("Q"); j.Write(static_cast<int>(p.Q));
      j.Key("Level"); j.Write(p.Level);
      j.Key("PointType"); j.Write(static_cast<int>(p.PointType));
      j.Key("ElectrodeCount"); j.Write(static_cast<int>(p.ElectrodeCount));
      j.Key("Station"); j.Write(p.Station);
      j.Key("Number"); j.Write(p.Number);
      j.Key("LineNo"); j.Write(p.LineNo);
      j.Key("XA"); j.Write(p.XA);
      j.Key("XB"); j.Write(p.XB);
      j.Key("XM"); j.Write(p.XM);
      j.Key("XN"); j.Write(p.XN);
      j.Key("ZA"); j.Write(p.ZA);
      j.Key("ZB"); j.Write(p.ZB);
      j.Key("ZM"); j.Write(p.ZM);
      j.Key("ZN"); j.Write(p.ZN);
      j.Key("I"); j.Write(p.I);
      j.Key("V"); j.Write(p.V);
      j.Key("IP"); j.Write(p.IP);
      j.Key("SP"); j.Write(p.SP);
      j.Key("M");
      j.BeginArray();
      for (int w = 1; w <= ds.IPWindowCount && w <= MaxIPWindows; ++w) j.Write(p.M[w]);
      j.EndArray();
      j.EndObject();
    }
    j.EndArray();
  }
  if (injections) {
    j.Key("Injections");
    j.BeginObject();
    j.Key("quadCount"); j.Write(injections->quadCount);
    j.Key("injectionCount"); j.Write(injections->injectionCount);
    j.Key("lines");
    j.BeginArray();
    for (const std::string& line : injections->lines) j.Write(line);
    j.EndArray();
    j.EndObject();
  }
  j.EndObject();
  std::cout << '\n';
}

}  // namespace

int RunInfo(const std::vector<std::string>& args, const std::string& programDir) {
  InfoOptions o;
  if (!ParseInfoOptions(args, o)) return ExitUsage;

  StderrMessenger messenger;
  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  if (!ReadFiles(o.read, programDir, "info", ds, state, result, messenger)) return ExitFailed;

  // The summary covers every set, as the main window does with no set selected.
  ds.SelectedSetEntry = -1;
  std::optional<InjectionReport> injections;
  if (o.injections) {
    // The Syscal-Pro analysis is made for sequences only.
    if (ds.IsSequence()) {
      injections = AnalyseInjections(ds);
    } else {
      std::cerr << "tarvo-cli info: --injections needs a sequence; none analysed\n";
    }
  }
  if (o.json) {
    PrintJson(ds, o.points, injections);
  } else {
    PrintText(ds, BuildSummary(ds), o.points);
    if (injections) PrintInjections(*injections);
  }
  return SucceededStatus(messenger);
}

}  // namespace tarvo::cli
