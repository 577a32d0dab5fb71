#include "cli/plot_command.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/read_options.h"
#include "drawing/markup_painter.h"
#include "drawing/picture_output.h"
#include "drawing/section_picture.h"
#include "engine/core/text_tokens.h"
#include "engine/display/color_table.h"
#include "engine/display/contour_levels.h"
#include "engine/display/section_options.h"
#include "engine/display/value_grid.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr int DefaultWidth = 900;
constexpr int DefaultHeight = 400;
constexpr int MinPictureSide = 40;
constexpr int MaxPictureSide = 10000;

void PrintPlotUsage(std::ostream& out) {
  out << "Usage: tarvo-cli plot FILE... -o OUT.png|OUT.svg [--ip] [--size WxH] [--levels FILE.lvl]\n"
         "                      [--colors 11|21|41|81] [reading options of info]\n"
         "Reads the files as info does and draws the gridded pseudosection of the\n"
         "first set's array type (every set of that type) as a filled colour map with\n"
         "axes, title and colour scale: apparent resistivity on a logarithmic scale,\n"
         "or chargeability with --ip. The range is the mean of the cells plus and\n"
         "minus two standard deviations, or the minimum and maximum of a levels file.\n"
         "Colours: the 21 pale colours of the first maps; --colors takes the default\n"
         "11 colours, increased to N, made pale. --size defaults to 900x400 pixels.\n"
         ".svg keeps lines and text as vectors.\n";
}

struct PlotOptions {
  ReadOptions read;
  std::string output;
  bool ip = false;
  int width = DefaultWidth;
  int height = DefaultHeight;
  std::string levels;
  std::optional<int> colors;
};

bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  const auto w = ParseInteger(std::string_view(text).substr(0, x));
  const auto h = ParseInteger(std::string_view(text).substr(x + 1));
  if (!w || !h || *w < MinPictureSide || *h < MinPictureSide || *w > MaxPictureSide || *h > MaxPictureSide) {
    return false;
  }
  width = *w;
  height = *h;
  return true;
}

// 0 on success, else the exit status.
int ParsePlotOptions(const std::vector<std::string>& args, PlotOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      PrintPlotUsage(std::cout);
      return -1;
    }
    if (a == "--ip") {
      o.ip = true;
      continue;
    }
    if (a != "-o" && a != "--size" && a != "--levels" && a != "--colors") {
      const ArgUse use = TakeReadOption(args, i, o.read, "plot");
      if (use == ArgUse::Failed) return ExitUsage;
      if (use == ArgUse::Taken) continue;
      std::cerr << "tarvo-cli plot: unknown option '" << a << "'\n";
      return ExitUsage;
    }
    if (i + 1 >= args.size()) {
      std::cerr << "tarvo-cli plot: " << a << " needs a value\n";
      return ExitUsage;
    }
    const std::string& value = args[++i];
    if (a == "-o") {
      o.output = value;
    } else if (a == "--levels") {
      o.levels = value;
    } else if (a == "--size") {
      if (!ParseSize(value, o.width, o.height)) {
        std::cerr << "tarvo-cli plot: --size takes WIDTHxHEIGHT in pixels, each " << MinPictureSide << " to "
                  << MaxPictureSide << '\n';
        return ExitUsage;
      }
    } else {
      const auto n = ParseInteger(value);
      if (!n || (*n != 11 && *n != 21 && *n != 41 && *n != 81)) {
        std::cerr << "tarvo-cli plot: --colors takes 11, 21, 41 or 81\n";
        return ExitUsage;
      }
      o.colors = *n;
    }
  }
  if (!CheckReadOptions(o.read, "plot")) return ExitUsage;
  if (o.output.empty()) {
    std::cerr << "tarvo-cli plot: give the picture to write with -o OUT.png or -o OUT.svg\n";
    return ExitUsage;
  }
  if (!drawing::PictureFormatOf(QString::fromLocal8Bit(o.output.c_str()))) {
    std::cerr << "tarvo-cli plot: " << o.output << ": the name must end in .png or .svg\n";
    return ExitUsage;
  }
  return ExitOk;
}

// Drawing text needs a GUI application; without a display it runs on the
// off-screen platform.
std::unique_ptr<QGuiApplication> StartDrawing() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tarvo-cli";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int RunPlot(const std::vector<std::string>& args, const std::string& programDir) {
  PlotOptions o;
  const int parsed = ParsePlotOptions(args, o);
  if (parsed < 0) return ExitOk;
  if (parsed != ExitOk) return parsed;

  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  StderrMessenger messenger;
  if (!ReadFiles(o.read, programDir, "plot", ds, state, result, messenger)) return ExitFailed;
  if (!ds.HasMeasurements()) {
    std::cerr << "tarvo-cli plot: " << o.read.files.front() << " holds a sequence without measurements\n";
    return ExitFailed;
  }
  if (o.ip && !ds.HasIP) {
    std::cerr << "tarvo-cli plot: " << o.read.files.front() << " holds no chargeability\n";
    return ExitFailed;
  }

  ValueGrid grid;
  ValueGrid raw;
  GridDescriptor descriptor;
  BuildGrid(ds, GridSettings{}, grid, raw, ds.Sets[1].Type, -1, descriptor, o.ip, nullptr);
  if (descriptor.StationCount < 2 || descriptor.LevelCount < 2) {
    std::cerr << "tarvo-cli plot: too few stations or levels to draw a map (" << descriptor.StationCount
              << " stations, " << descriptor.LevelCount << " levels)\n";
    return ExitFailed;
  }

  ColorTable colors;
  if (o.colors) {
    SetDefaultColors(colors);
    while (colors.Count < *o.colors) IncreaseColors(colors);
    PaleColors(colors);
  } else {
    SetFirstMapColors(colors);
  }

  drawing::SectionData data;
  data.grid = ViewOf(grid, descriptor);
  data.stations = std::span<const float>(&descriptor.Stations[1], static_cast<std::size_t>(descriptor.StationCount));
  data.spacing = std::span<const float>(&descriptor.Spacing[1], static_cast<std::size_t>(descriptor.LevelCount));
  data.scale = o.ip ? MapScale::Linear : MapScale::Logarithmic;
  data.range = AutoRangePseudosection(data.grid, data.scale);
  data.caption = std::filesystem::path(o.read.files.front()).filename().string();
  if (!o.levels.empty()) {
    const LevelsFileResult levels = ReadLevelsFile(o.levels);
    if (!levels.ok) {
      std::cerr << "tarvo-cli plot: " << levels.error << '\n';
      return ExitFailed;
    }
    data.range = ValueRange{levels.Minimum, levels.Maximum};
  }

  SectionOptions options;
  options.Titles = true;
  options.FileNames = true;

  const std::unique_ptr<QGuiApplication> app = StartDrawing();
  drawing::SectionPicture picture;
  const QString out = QString::fromLocal8Bit(o.output.c_str());
  QString error;
  const bool saved = drawing::SavePicture(
      out, QSize(o.width, o.height), drawing::Latin1(data.caption),
      [&](QPainter& p, const QSize& size) { picture.Paint(p, QRect(QPoint(0, 0), size), data, options, colors); },
      error);
  if (!saved) {
    std::cerr << "tarvo-cli plot: cannot write " << o.output << ": " << error.toLocal8Bit().constData() << '\n';
    return ExitFailed;
  }
  std::cout << "Pseudosection (" << (o.ip ? "chargeability" : "apparent resistivity") << ", "
            << picture.Levels().Count + 1 << " colour classes): " << o.output << '\n';
  return ExitOk;
}

}  // namespace tarvo::cli
