#include "info_command.h"

#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli_io.h"
#include "core/array_types.h"
#include "display/positions.h"
#include "display/summary.h"
#include "editing/data_table.h"
#include "import/open_command.h"
#include "import/syscal_template.h"
#include "json_writer.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct InfoOptions {
  std::vector<std::string> files;
  std::vector<std::string> appended;
  std::string type;
  std::string sequence;
  std::string missing = "abort";
  bool readOnly = false;
  bool points = false;
  bool json = false;
};

bool ParseInfoOptions(const std::vector<std::string>& args, InfoOptions& o) {
  bool inAppend = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli info: " << a << " needs a value\n";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--type") {
      if (!value(o.type)) return false;
    } else if (a == "--sequence") {
      if (!value(o.sequence)) return false;
    } else if (a == "--missing") {
      if (!value(o.missing)) return false;
      if (o.missing != "abort" && o.missing != "ignore") {
        std::cerr << "tarvo-cli info: --missing takes abort or ignore\n";
        return false;
      }
    } else if (a == "--append") {
      inAppend = true;
    } else if (a == "--read-only") {
      o.readOnly = true;
    } else if (a == "--points") {
      o.points = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a.rfind("--", 0) == 0) {
      std::cerr << "tarvo-cli info: unknown option " << a << '\n';
      return false;
    } else {
      (inAppend ? o.appended : o.files).push_back(a);
    }
  }
  if (o.files.empty()) {
    std::cerr << "tarvo-cli info: no file given\n";
    return false;
  }
  return true;
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::getline(in, line);
  const auto start = line.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : line.substr(start);
}

const OpenFilter* ChooseFilter(const InfoOptions& o, const std::string& file) {
  if (!o.type.empty()) {
    const OpenFilter* f = FilterByTypeName(o.type);
    if (f == nullptr) {
      std::cerr << "tarvo-cli info: unknown type '" << o.type << "'; types:";
      for (const auto& known : OpenFilters) std::cerr << ' ' << known.typeName;
      std::cerr << '\n';
    }
    return f;
  }
  const OpenFilter* f = FilterByExtension(file);
  if (f == nullptr) {
    // Text exports (".txt", ".csv") fit three readers: a Prosys export names its columns "Spa.1"...,
    // an ElectreII sequence starts with its "#" electrode table.
    const std::string title = FirstLine(file);
    if (title.find("Spa.") != std::string::npos) {
      f = FilterByTypeName(o.sequence.empty() ? "prosys" : "syscal-pro");
    } else if (title.rfind("#", 0) == 0) {
      f = FilterByTypeName("electre2");
    }
    if (f != nullptr) std::cerr << "tarvo-cli: reading " << file << " as " << f->typeName << '\n';
  }
  if (f == nullptr) {
    std::cerr << "tarvo-cli info: cannot tell the type of " << file << " from its name; give --type (";
    for (const auto& known : OpenFilters) std::cerr << (known.index > 1 ? ", " : "") << known.typeName;
    std::cerr << ")\n";
  }
  return f;
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

void PrintJson(const TDataset& ds, bool points) {
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
  j.EndObject();
  std::cout << '\n';
}

}  // namespace

int RunInfo(const std::vector<std::string>& args, const std::string& programDir) {
  InfoOptions o;
  if (!ParseInfoOptions(args, o)) return ExitUsage;

  StderrMessenger messenger;
  messenger.abortOrIgnore = o.missing == "ignore" ? Reply::Ignore : Reply::Abort;
  FixedFileChooser chooser;
  if (!o.sequence.empty()) chooser.file = o.sequence;
  ReadEnvironment env{messenger, programDir + "/" + TemplateFileName, &chooser};

  TDataset ds;
  OpenCommandState state;
  const ReaderTable readers = DefaultReaders();

  const auto read = [&](const std::vector<std::string>& files, OpenCaller caller) {
    const OpenFilter* filter = ChooseFilter(o, files.front());
    if (filter == nullptr) return false;
    OpenRequest request;
    request.caller = caller;
    request.files = files;
    request.filterIndex = filter->index;
    request.readOnly = o.readOnly;
    const int errorsBefore = messenger.errors;
    const OpenResult result = RunOpenCommand(ds, state, request, readers, env);
    if (!result.loaded) {
      if (messenger.errors == errorsBefore) std::cerr << "tarvo-cli: nothing was read from " << files.front() << '\n';
      return false;
    }
    return true;
  };

  if (!read(o.files, OpenCaller::Open)) return ExitFailed;
  if (!o.appended.empty() && !read(o.appended, OpenCaller::Append)) return ExitFailed;

  // The summary covers every set, as the main window does with no set selected.
  ds.SelectedSetEntry = -1;
  if (o.json) {
    PrintJson(ds, o.points);
  } else {
    PrintText(ds, BuildSummary(ds), o.points);
  }
  return ExitOk;
}

}  // namespace tarvo::cli
