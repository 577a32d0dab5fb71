#include "cli/table_command.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cli/cli_io.h"
#include "cli/read_options.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/display/sp_chart.h"
#include "engine/display/value_grid.h"
#include "engine/editing/clipboard_tables.h"
#include "engine/editing/ip_decay_chart.h"
#include "workbook/xlsx_workbook.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

enum class Which { None, Electrodes, Spacings, Ves, Station, Model, SP, Decay };

struct TableOptions {
  ReadOptions read;
  Which which = Which::None;
  std::optional<int> level;   // --spacings: the level (1-based); none: the level list
  std::optional<int> layer;   // --model: the layer (1-based); none: every layer (workbooks)
  double x = 0;               // --ves, --station: the location
  bool difference = false;    // --model: changes against the first time set
  bool mean = false;          // --model: the mean model
  std::optional<int> item;    // --sp: the line (1-based); --decay: the data point
  std::string output;
};

bool Choose(TableOptions& o, Which which, const std::string& option) {
  if (o.which != Which::None) {
    std::cerr << "tarvo-cli table: " << option << ": give one table only\n";
    return false;
  }
  o.which = which;
  return true;
}

bool ParseTableOptions(const std::vector<std::string>& args, TableOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli table: " << a << " needs a value\n";
        return std::nullopt;
      }
      return args[++i];
    };
    const auto whole = [&](std::optional<int>& into) {
      const auto v = value();
      const auto n = v ? ParseInteger(*v) : std::nullopt;
      if (!n || *n < 1) {
        if (v) std::cerr << "tarvo-cli table: " << a << " takes a whole number from 1, not '" << *v << "'\n";
        return false;
      }
      into = *n;
      return true;
    };
    const auto location = [&](Which which) {
      const auto v = value();
      const auto x = v ? ParseNumber(*v) : std::nullopt;
      if (!x) {
        if (v) std::cerr << "tarvo-cli table: " << a << " takes a location in metres, not '" << *v << "'\n";
        return false;
      }
      o.x = *x;
      return Choose(o, which, a);
    };

    bool ok = true;
    if (a == "--electrodes") {
      ok = Choose(o, Which::Electrodes, a);
    } else if (a == "--spacings") {
      ok = Choose(o, Which::Spacings, a);
    } else if (a == "--model") {
      ok = Choose(o, Which::Model, a);
    } else if (a == "--ves") {
      ok = location(Which::Ves);
    } else if (a == "--station") {
      ok = location(Which::Station);
    } else if (a == "--sp" || a == "--decay") {
      ok = whole(o.item) && Choose(o, a == "--sp" ? Which::SP : Which::Decay, a);
    } else if (a == "--level") {
      ok = whole(o.level);
    } else if (a == "--layer") {
      ok = whole(o.layer);
    } else if (a == "--difference") {
      o.difference = true;
    } else if (a == "--mean") {
      o.mean = true;
    } else if (a == "-o") {
      const auto v = value();
      ok = v.has_value();
      if (ok) o.output = *v;
    } else {
      const ArgUse use = TakeReadOption(args, i, o.read, "table");
      ok = use == ArgUse::Taken;
      if (use == ArgUse::NotMine) std::cerr << "tarvo-cli table: unknown option " << a << '\n';
    }
    if (!ok) return false;
  }
  if (!CheckReadOptions(o.read, "table")) return false;
  if (o.which == Which::None) {
    std::cerr << "tarvo-cli table: which table? --electrodes, --spacings, --ves X, --station X, --model, --sp K "
                 "or --decay N\n";
    return false;
  }
  if (o.output.empty()) {
    std::cerr << "tarvo-cli table: -o OUT is missing (.tsv, .xlsx, or - for standard output)\n";
    return false;
  }
  if (o.level && o.which != Which::Spacings) {
    std::cerr << "tarvo-cli table: --level goes with --spacings\n";
    return false;
  }
  if ((o.layer || o.difference || o.mean) && o.which != Which::Model) {
    std::cerr << "tarvo-cli table: --layer, --difference and --mean go with --model\n";
    return false;
  }
  if (o.mean && (o.difference || o.layer)) {
    std::cerr << "tarvo-cli table: --mean is the whole model; it takes no --layer or --difference\n";
    return false;
  }
  return true;
}

bool IsWorkbook(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".xlsx";
}

// The tables asked for; nothing, with the reason printed, when the data do
// not have them.
std::optional<std::vector<TCellTable>> BuildTables(const TableOptions& o, const TDataset& ds, bool workbook) {
  const auto one = [](const std::optional<TCellTable>& t) -> std::optional<std::vector<TCellTable>> {
    if (!t) return std::nullopt;
    return std::vector<TCellTable>{*t};
  };
  const auto missing = [](const char* why) -> std::optional<std::vector<TCellTable>> {
    std::cerr << "tarvo-cli table: " << why << '\n';
    return std::nullopt;
  };
  switch (o.which) {
    case Which::Electrodes: return std::vector<TCellTable>{ElectrodeTableCells(ds)};
    case Which::Spacings: {
      if (o.level && *o.level > ds.LevelCount) return missing("--level is beyond the levels of the data");
      auto t = one(LevelPointsCells(ds, o.level.value_or(0)));
      return t ? t : missing("the data have no levels");
    }
    case Which::Ves: {
      ValueGrid grid, raw;
      GridDescriptor descriptor;
      if (ds.HasMeasurements()) {
        BuildGrid(ds, GridSettings{}, grid, raw, ds.ArrayType, -1, descriptor, false, nullptr);
      }
      auto t = one(VesCurveCells(ds, grid, descriptor, o.x));
      return t ? t : missing("a VES curve needs measured data");
    }
    case Which::Station:
    case Which::Model: break;
    case Which::SP:
    case Which::Decay:  // texts, written by RunTable
    case Which::None: return std::nullopt;
  }

  if (!ds.HasModel) return missing("no inversion model was read (open a Res2dInv .inv result)");
  if (o.which == Which::Station) return one(StationModelCells(ds, o.x));
  if (o.mean) {
    auto t = one(MeanModelCells(ds, ds.FileName));
    return t ? t : missing("--mean needs a line without time sets");
  }
  if (o.difference && ds.TimeSetCount <= 0) return missing("--difference needs a time-lapse line");
  if (o.layer) {
    if (*o.layer > ds.Models.Current.LayerCount) return missing("--layer is beyond the layers of the model");
    return one(o.difference ? DifferenceCells(ds, *o.layer) : LayerCells(ds, *o.layer));
  }
  if (!workbook) return missing("--model writes one layer as text: give --layer L (or --mean), or write a .xlsx workbook");
  if (o.difference) return DifferenceWorkbook(ds);
  return LayerWorkbook(ds);
}

int WriteText(const std::string& output, const std::string& text) {
  if (output == "-") {
    std::cout << text;
    return ExitOk;
  }
  const FileReadResult written = WriteFileWhole(output, text);
  if (!written.ok) {
    std::cerr << "tarvo-cli table: " << written.error << '\n';
    return ExitFailed;
  }
  std::cout << "Table: " << output << '\n';
  return ExitOk;
}

}  // namespace

int RunTable(const std::vector<std::string>& args, const std::string& programDir) {
  TableOptions o;
  if (!ParseTableOptions(args, o)) return ExitUsage;

  StderrMessenger messenger;
  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  if (!ReadFiles(o.read, programDir, "table", ds, state, result, messenger)) return ExitFailed;
  ds.SelectedSetEntry = -1;

  const bool workbook = IsWorkbook(o.output);
  if (o.which == Which::SP || o.which == Which::Decay) {
    // The texts of the SP window's and the decay chart's "Copy".
    if (workbook) {
      std::cerr << "tarvo-cli table: --sp and --decay write text, not a workbook\n";
      return ExitFailed;
    }
    std::string text;
    if (o.which == Which::SP) {
      const std::vector<TSPLine> lines = BuildSPLines(ds);
      if (!ds.HasSP || *o.item > static_cast<int>(lines.size())) {
        std::cerr << "tarvo-cli table: --sp needs data with SP and a line from 1 to " << lines.size() << '\n';
        return ExitFailed;
      }
      text = SPCopyText(lines, *o.item - 1);
    } else {
      if (ds.IPWindowCount < 1 || *o.item > ds.PointCount) {
        std::cerr << "tarvo-cli table: --decay needs data with IP windows and a point from 1 to " << ds.PointCount << '\n';
        return ExitFailed;
      }
      TDecayChartModel chart;
      chart.ShowDecay(ds, *o.item, 1, std::min(ds.IPWindowCount, MaxIPWindows));
      text = DecayCopyText(ds, *o.item, chart.Curve());
    }
    return WriteText(o.output, text);
  }
  const auto tables = BuildTables(o, ds, workbook);
  if (!tables) return ExitFailed;

  if (workbook) {
    const std::string error = WriteXlsxWorkbook(o.output, *tables);
    if (!error.empty()) {
      std::cerr << "tarvo-cli table: " << error << '\n';
      return ExitFailed;
    }
    std::cout << "Workbook: " << o.output << '\n';
    return ExitOk;
  }
  std::string text;
  for (const TCellTable& t : *tables) text += ClipboardText(t);
  return WriteText(o.output, text);
}

}  // namespace tarvo::cli
