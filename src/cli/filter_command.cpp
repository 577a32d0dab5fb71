#include "cli/filter_command.h"

#include <iostream>
#include <optional>
#include <string_view>

#include "cli/convert_command.h"
#include "engine/core/dataset.h"
#include "engine/core/positions.h"
#include "engine/core/text_tokens.h"
#include "engine/filters/filter_set.h"
#include "engine/filters/median_filter.h"
#include "engine/filters/median_ip.h"
#include "engine/settings/ini_file.h"
#include "engine/settings/median_settings.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

struct FilterOptions {
  bool median = false;
  bool ip = false;
  std::string settingsFile;  // --settings: the "Median" and "MedianIP" sections of a tarvo.ini
  // Options given on the command line, laid over the settings file's.
  std::optional<int> oneD, window1d, methodC, windowC, methodP, windowP, methodR, area, windowX, windowY;
  MedianRun run;
  std::optional<int> set;    // 1-based; none: the last set, as the window with nothing selected
  int interpolation = 1;
  std::vector<std::string> rest;  // for convert
};

void PrintFilterHelp() {
  std::cout
      << "Usage: tarvo-cli filter FILE... --median [--ip] --to TARGET -o OUT [options]\n"
         "\n"
         "Runs the median filter of the main window's \"Filtering\" command on one set\n"
         "(--set K, by default the last) and writes the data, the set's apparent\n"
         "resistivities (or, with --ip, chargeabilities) replaced by the smoothed\n"
         "ones, through any convert TARGET (the reading, threshold and writing options\n"
         "of convert apply).\n"
         "\n"
         "Resistivity: the 1D part, electrode effects and residual, each smoothed:\n"
         "  --one-d median|mean|window   1D part calculation (default median)\n"
         "  --window-1d N                stations of \"Mean in window\" (5..60, 15)\n"
         "  --method-c, --method-p, --method-r median|mean\n"
         "                               smoothing of the C-effect, P-effect, residual\n"
         "  --window-c N, --window-p N   bins (3..13; 7 and 5)\n"
         "  --area rectangle|cross       residual window shape\n"
         "  --window-x N, --window-y N   residual window (3..11 stations, 1..9 levels;\n"
         "                               5 and 1)\n"
         "  --break K                    a segment break at station K (repeatable)\n"
         "  --find-again N               \"Find P&C again\" N more times before smoothing\n"
         "  --new-1d N                   \"New 1D\" N times after smoothing\n"
         "Chargeability (--ip): a moving median or mean:\n"
         "  --method-r, --area, --window-x N, --window-y N (1..9; 5 and 3)\n"
         "Both:\n"
         "  --settings FILE.ini          start from the sections \"Median\" and\n"
         "                               \"MedianIP\" of a settings file\n"
         "  --interpolation 1|2|3        gap-filling width of the grids (default 1)\n";
}

bool ParseFilterOptions(const std::vector<std::string>& args, FilterOptions& o, bool& help) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        std::cerr << "tarvo-cli filter: " << a << " needs a value\n";
        return std::nullopt;
      }
      return args[++i];
    };
    const auto integer = [&](int low, int high, std::optional<int>& into) {
      const auto text = value();
      if (!text) return false;
      const auto parsed = ParseInteger(*text);
      if (!parsed || *parsed < low || *parsed > high) {
        std::cerr << "tarvo-cli filter: " << a << " takes a whole number from " << low << " to " << high << '\n';
        return false;
      }
      into = *parsed;
      return true;
    };
    const auto choice = [&](std::initializer_list<std::string_view> names, std::optional<int>& into) {
      const auto text = value();
      if (!text) return false;
      int k = 0;
      for (const auto name : names) {
        if (*text == name) {
          into = k;
          return true;
        }
        ++k;
      }
      std::cerr << "tarvo-cli filter: " << a << " takes";
      for (const auto name : names) std::cerr << ' ' << name;
      std::cerr << ", not '" << *text << "'\n";
      return false;
    };
    bool ok = true;
    std::optional<int> number;
    if (a == "-h" || a == "--help") {
      help = true;
      return true;
    } else if (a == "--median") {
      o.median = true;
    } else if (a == "--ip") {
      o.ip = true;
    } else if (a == "--settings") {
      const auto text = value();
      ok = text.has_value();
      if (ok) o.settingsFile = *text;
    } else if (a == "--one-d") {
      ok = choice({"median", "mean", "window"}, o.oneD);
    } else if (a == "--window-1d") {
      ok = integer(5, 60, o.window1d);
    } else if (a == "--method-c") {
      ok = choice({"median", "mean"}, o.methodC);
    } else if (a == "--method-p") {
      ok = choice({"median", "mean"}, o.methodP);
    } else if (a == "--method-r") {
      ok = choice({"median", "mean"}, o.methodR);
    } else if (a == "--area") {
      ok = choice({"rectangle", "cross"}, o.area);
    } else if (a == "--window-c") {
      ok = integer(3, 13, o.windowC);
    } else if (a == "--window-p") {
      ok = integer(3, 13, o.windowP);
    } else if (a == "--window-x") {
      ok = integer(1, 11, o.windowX);
    } else if (a == "--window-y") {
      ok = integer(1, 9, o.windowY);
    } else if (a == "--break") {
      ok = integer(1, 1 << 20, number);
      if (ok) o.run.breaks.push_back(*number);
    } else if (a == "--find-again") {
      ok = integer(0, 100, number);
      if (ok) o.run.findAgain = *number;
    } else if (a == "--new-1d") {
      ok = integer(0, 100, number);
      if (ok) o.run.new1D = *number;
    } else if (a == "--set") {
      ok = integer(1, 1 << 20, o.set);
    } else if (a == "--interpolation") {
      ok = integer(1, 3, number);
      if (ok) o.interpolation = *number;
    } else {
      o.rest.push_back(a);
    }
    if (!ok) return false;
  }
  if (!o.median) {
    std::cerr << "tarvo-cli filter: --median is missing (the only filter there is)\n";
    return false;
  }
  const bool resistivityOnly = o.oneD || o.window1d || o.methodC || o.windowC || o.methodP || o.windowP ||
                               !o.run.breaks.empty() || o.run.findAgain > 0 || o.run.new1D > 0;
  if (o.ip && resistivityOnly) {
    std::cerr << "tarvo-cli filter: the 1D part and electrode-effect options do not apply with --ip\n";
    return false;
  }
  if (!o.ip && o.windowX && *o.windowX < 3) {
    std::cerr << "tarvo-cli filter: --window-x takes a whole number from 3 to 11\n";
    return false;
  }
  if (o.ip && o.windowX && *o.windowX > 9) {
    std::cerr << "tarvo-cli filter: --window-x takes a whole number from 1 to 9 with --ip\n";
    return false;
  }
  return true;
}

int Filter(TDataset& ds, const FilterOptions& o, const MedianSettings& median, const MedianIPSettings& ip) {
  if (o.set) ds.SelectedSetEntry = *o.set - 1;
  const int entry = FilterSetEntry(ds);
  if (entry < 0) {
    std::cerr << "tarvo-cli filter: "
              << (ds.DataKind >= 3 ? "the data hold no set " + std::to_string(o.set.value_or(0))
                                   : std::string("the data are not measured"))
              << '\n';
    return ExitFailed;
  }
  if (o.ip && !ds.HasIP) {
    std::cerr << "tarvo-cli filter: the data hold no chargeability\n";
    return ExitFailed;
  }
  GridSettings grid;
  grid.InterpolationWidth = o.interpolation;
  FilterSetGrid set;
  if (!BuildFilterSetGrid(ds, grid, o.ip, entry, set)) return ExitFailed;
  int changed = 0;
  if (o.ip) {
    changed = WriteBackFiltered(ds, set, SmoothIP(set.Grid, ip).Smoothed);
  } else {
    const MedianFilter f = MedianFilterParts(set.Grid, set.ArrayType, median, o.run);
    changed = WriteBackFiltered(ds, set, f.SmoothedData());
  }
  std::cerr << "tarvo-cli: " << (o.ip ? "IP median filter" : "median filter") << " on set " << entry + 1 << " ("
            << set.Name << "): " << changed << " points replaced by smoothed values\n";
  return ExitOk;
}

}  // namespace

int RunFilter(const std::vector<std::string>& args, const std::string& programDir) {
  FilterOptions o;
  bool help = false;
  if (!ParseFilterOptions(args, o, help)) return ExitUsage;
  if (help) {
    PrintFilterHelp();
    return ExitOk;
  }
  MedianSettings median;
  MedianIPSettings ip;
  if (!o.settingsFile.empty()) {
    IniFile ini(o.settingsFile);
    const IniResult loaded = ini.Load();
    if (!loaded.ok) {
      std::cerr << "tarvo-cli filter: " << loaded.error << '\n';
      return ExitFailed;
    }
    MedianFilterSettings(median, ip).ReadSettings(ini);
  }
  const auto over = [](int& into, const std::optional<int>& given) {
    if (given) into = *given;
  };
  over(median.TypeWindow1d, o.oneD);
  over(median.Window1d, o.window1d);
  over(median.TypeWindowC, o.methodC);
  over(median.WindowC, o.windowC);
  over(median.TypeWindowP, o.methodP);
  over(median.WindowP, o.windowP);
  over(median.TypeWindowR, o.methodR);
  over(median.TypeAreaR, o.area);
  over(median.WindowX, o.windowX);
  over(median.WindowY, o.windowY);
  over(ip.TypeWindowR, o.methodR);
  over(ip.TypeAreaR, o.area);
  over(ip.WindowX, o.windowX);
  over(ip.WindowY, o.windowY);
  ConvertHooks hooks;
  hooks.prepare = [&](TDataset& ds) { return Filter(ds, o, median, ip); };
  return RunConvert(o.rest, programDir, hooks);
}

}  // namespace tarvo::cli
