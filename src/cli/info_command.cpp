#include "cli/info_command.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli_io.h"
#include "engine/core/array_types.h"
#include "engine/core/ip_decay.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"
#include "engine/shell/summary.h"
#include "engine/editing/clipboard_tables.h"
#include "engine/editing/data_table.h"
#include "cli/json_writer.h"
#include "engine/core/numbers.h"
#include "engine/core/reciprocals.h"
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
  bool reciprocal = false;  // normal and reciprocal pairs, their errors and the error model
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
    } else if (a == "--reciprocal") {
      o.reciprocal = true;
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

// Where the IP window times come from, as the decay chart says it.
std::string IPTimesText(const TDataset& ds) {
  const TIPWindows w = IPWindowsInUse(ds);
  std::string text = w.Source == IPTimesSource::File
                         ? "from the file"
                         : "of the schedule " + std::string(IPPulseTimeNames[static_cast<std::size_t>(ds.IPParameters.TimeIndex)]) +
                               " s " + std::string(IPWindowTypeNames[static_cast<std::size_t>(ds.IPParameters.TypeIndex)]);
  text += ": delay " + FormatValue(w.IPWindowWidths[0], 2) + " ms, M" + std::to_string(ds.IPWindowCount) + " ends at " +
          FormatValue(w.End(std::min(ds.IPWindowCount, MaxIPWindows)), 2) + " ms";
  return text;
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
  if (ds.HasIP && ds.IPWindowCount > 0) std::cout << "IP windows " << ds.IPWindowCount << ", times " << IPTimesText(ds) << '\n';
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

// The inversion model read with a Res2dInv result: its layers, the mean
// model along the line and, with the data table, the model under every
// station (for each time set of a time-lapse line).
void PrintModel(const TDataset& ds, bool stations) {
  const TInversionModel& m = ds.Models.Current;
  std::cout << "Inversion model: iteration " << ds.Models.ChosenIteration << " of " << ds.Models.LastIteration << ", "
            << m.LayerCount << " layers under " << std::min(ds.StationCount, m.Resistivity.Size()) << " stations\n";
  std::cout << "Layers:";
  for (const std::string& item : DepthItems(m)) std::cout << ' ' << item;
  std::cout << '\n';
  if (const auto mean = MeanModelCells(ds, ds.FileName)) {
    TCellTable rows = *mean;
    rows.Rows.erase(rows.Rows.begin());  // the file name, printed above
    std::cout << ClipboardText(rows);
  }
  if (!stations) return;
  const int times = std::max(ds.TimeSetCount, 0);
  for (int t = times > 0 ? 1 : 0; t <= times; ++t) {
    const TInversionModel& model = t == 0 ? m : ds.Models.TimeSets[t];
    if (t > 0) std::cout << "Time set " << t << '\n';
    std::cout << "X";
    for (const std::string& item : DepthItems(model)) std::cout << '\t' << item;
    std::cout << '\n';
    for (int s = 1; s <= std::min(ds.StationCount, model.Resistivity.Size()); ++s) {
      std::cout << FormatValue(ds.Stations[s], ClipboardExtraDigits);
      for (int l = 1; l <= model.LayerCount; ++l) std::cout << '\t' << FormatValue(model.Resistivity[s][l], ClipboardExtraDigits);
      std::cout << '\n';
    }
  }
}

void WriteModelJson(JsonWriter& j, const TDataset& ds) {
  const auto resistivities = [&](const TInversionModel& model) {
    j.BeginArray();
    for (int s = 1; s <= std::min(ds.StationCount, model.Resistivity.Size()); ++s) {
      j.BeginArray();
      for (int l = 1; l <= model.LayerCount; ++l) j.Write(model.Resistivity[s][l]);
      j.EndArray();
    }
    j.EndArray();
  };
  const TInversionModel& m = ds.Models.Current;
  j.BeginObject();
  j.Key("Iteration"); j.Write(ds.Models.ChosenIteration);
  j.Key("LastIteration"); j.Write(ds.Models.LastIteration);
  j.Key("LayerCount"); j.Write(m.LayerCount);
  j.Key("LayerDepth");
  j.BeginArray();
  for (int k = 0; k < m.LayerCount; ++k) j.Write(m.LayerDepth[static_cast<std::size_t>(k)]);
  j.EndArray();
  j.Key("Resistivity");
  resistivities(m);
  if (ds.TimeSetCount > 0) {
    j.Key("TimeSets");
    j.BeginArray();
    for (int t = 1; t <= ds.TimeSetCount; ++t) resistivities(ds.Models.TimeSets[t]);
    j.EndArray();
  }
  j.EndObject();
}

void PrintInjections(const InjectionReport& r) {
  for (const std::string& line : r.lines) std::cout << line << '\n';
  std::cout << r.countsText << '\n';
}

// What --reciprocal reports: the pairs, their errors and both error models.
struct ReciprocalReport {
  TReciprocalStatistics statistics;
  std::optional<TErrorModel> powerLaw;
  std::optional<TErrorModel> linear;
};

ReciprocalReport AnalyseReciprocals(const TDataset& ds) {
  return {ReciprocalStatistics(ds), FitErrorModel(ds, TErrorModel::Kind::PowerLaw),
          FitErrorModel(ds, TErrorModel::Kind::Linear)};
}

void PrintReciprocals(const ReciprocalReport& r) {
  const TReciprocalStatistics& s = r.statistics;
  std::cout << "Reciprocal pairs: " << s.Pairs << '\n';
  if (s.Pairs == 0) return;
  std::cout << "Reciprocal error, %: mean " << FormatValue(s.Mean, 2) << ", median " << FormatValue(s.Median, 2)
            << ", max " << FormatValue(s.Maximum, 2) << '\n';
  if (s.AboveThreshold > 0) std::cout << "Pairs above the threshold: " << s.AboveThreshold << '\n';
  if (r.powerLaw) {
    std::cout << "Error model: |dR| = " << FormatValue(r.powerLaw->A, 3) << " * R^" << FormatValue(r.powerLaw->B, 3)
              << " (" << r.powerLaw->PairsUsed << " pairs)\n";
  }
  if (r.linear) {
    std::cout << "Linear error model: |dR| = " << FormatValue(r.linear->A, 3) << " + "
              << FormatValue(r.linear->B, 3) << " * R (" << r.linear->PairsUsed << " pairs)\n";
  }
}

void WriteModel(JsonWriter& j, const std::optional<TErrorModel>& m) {
  if (!m) {
    j.Write(std::string_view("none"));
    return;
  }
  j.BeginObject();
  j.Key("a"); j.Write(m->A);
  j.Key("b"); j.Write(m->B);
  j.Key("Pairs"); j.Write(m->PairsUsed);
  j.EndObject();
}

void PrintJson(const TDataset& ds, bool points, const std::optional<InjectionReport>& injections,
               const std::optional<ReciprocalReport>& reciprocals) {
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
  j.Key("HasModel"); j.Write(ds.HasModel);
  if (ds.HasModel) {
    j.Key("Model");
    WriteModelJson(j, ds);
  }
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
      if (ds.IPWindowCount > 0) {
        // Percent; -1 when there is nothing to fit, -2 when the windows change sign.
        j.Key("DecayMisfit"); j.Write(ds.DecayFits.Of(i));
      }
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
  if (reciprocals) {
    const TReciprocalStatistics& s = reciprocals->statistics;
    j.Key("ReciprocalPairs"); j.Write(s.Pairs);
    j.Key("ReciprocalErrors");
    j.BeginObject();
    j.Key("Mean"); j.Write(s.Mean);
    j.Key("Median"); j.Write(s.Median);
    j.Key("Max"); j.Write(s.Maximum);
    j.Key("AboveThreshold"); j.Write(s.AboveThreshold);
    j.EndObject();
    j.Key("ErrorModel");
    j.BeginObject();
    j.Key("PowerLaw"); WriteModel(j, reciprocals->powerLaw);
    j.Key("Linear"); WriteModel(j, reciprocals->linear);
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
  std::optional<ReciprocalReport> reciprocals;
  if (o.reciprocal) reciprocals = AnalyseReciprocals(ds);
  if (o.json) {
    PrintJson(ds, o.points, injections, reciprocals);
  } else {
    PrintText(ds, BuildSummary(ds), o.points);
    if (ds.HasModel) PrintModel(ds, o.points);
    if (injections) PrintInjections(*injections);
    if (reciprocals) PrintReciprocals(*reciprocals);
  }
  if (o.read.iteration && !ds.HasModel) {
    std::cerr << "tarvo-cli info: no inversion model was read\n";
    return ExitFailed;
  }
  return SucceededStatus(messenger);
}

}  // namespace tarvo::cli
