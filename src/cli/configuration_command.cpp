#include "cli/configuration_command.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>

#include <iostream>
#include <memory>
#include <optional>

#include "cli/read_options.h"
#include "drawing/configuration_picture.h"
#include "drawing/markup_painter.h"
#include "drawing/picture_output.h"
#include "engine/core/bad_points.h"
#include "engine/core/text_tokens.h"
#include "engine/display/color_table.h"
#include "engine/display/section_view.h"

namespace tarvo::cli {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr int DefaultWidth = 900;
constexpr int DefaultHeight = 400;
constexpr int MinPictureSide = 40;
constexpr int MaxPictureSide = 10000;

void PrintConfigurationUsage(std::ostream& out) {
  out << "Usage: tarvo-cli configuration FILE... -o OUT.png|OUT.svg [--size WxH] [--ip]\n"
         "               [--no-map] [--no-points] [--set K] [--shift M] [--max-q N]\n"
         "               [--colors 11|21|41|81] [--interpolation 1|2|3] [reading options of info]\n"
         "Reads the files as info does and draws the picture of the array configuration\n"
         "window, as the window saves it at that size: the electrodes along the top,\n"
         "every data point at its station and level (bad ones as red squares) over the\n"
         "colour map of the apparent resistivity, or of the chargeability with --ip.\n"
         "--no-map leaves the map out, --no-points the symbols of measured data; --set\n"
         "shows set K as the set list would (alone on its map, or outlined in green\n"
         "without a map); --shift adds M metres to the axis labels; --max-q is the\n"
         "error limit of bad points (default 1). Colours: the 21 pale colours of the\n"
         "first maps; --colors takes the default 11, increased to N, made pale.\n"
         "--size defaults to 900x400 pixels.\n";
}

struct ConfigurationOptions {
  ReadOptions read;
  std::string output;
  int width = DefaultWidth;
  int height = DefaultHeight;
  SectionViewOptions view;
  int set = 0;
  std::optional<double> shift;
  std::optional<int> maxQ;
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

// 0 on success, -1 after --help, else the exit status.
int ParseOptions(const std::vector<std::string>& args, ConfigurationOptions& o) {
  const auto fail = [](const std::string& text) {
    std::cerr << "tarvo-cli configuration: " << text << '\n';
    return ExitUsage;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      PrintConfigurationUsage(std::cout);
      return -1;
    }
    if (a == "--ip" || a == "--no-map" || a == "--no-points") {
      if (a == "--ip") o.view.ipMode = true;
      if (a == "--no-map") o.view.mapOn = false;
      if (a == "--no-points") o.view.dataPoints = false;
      continue;
    }
    const bool valued = a == "-o" || a == "--size" || a == "--set" || a == "--shift" || a == "--max-q" ||
                        a == "--colors" || a == "--interpolation";
    if (!valued) {
      const ArgUse use = TakeReadOption(args, i, o.read, "configuration");
      if (use == ArgUse::Failed) return ExitUsage;
      if (use == ArgUse::Taken) continue;
      return fail("unknown option '" + a + "'");
    }
    if (i + 1 >= args.size()) return fail(a + " needs a value");
    const std::string& value = args[++i];
    if (a == "-o") {
      o.output = value;
    } else if (a == "--size") {
      if (!ParseSize(value, o.width, o.height)) {
        return fail("--size takes WIDTHxHEIGHT in pixels, each " + std::to_string(MinPictureSide) + " to " +
                    std::to_string(MaxPictureSide));
      }
    } else if (a == "--shift") {
      const auto m = ParseNumber(value);
      if (!m) return fail("--shift takes a number of metres");
      o.shift = *m;
    } else {
      const auto n = ParseInteger(value);
      if (a == "--set") {
        if (!n || *n < 1) return fail("--set takes a set number from 1");
        o.set = *n;
      } else if (a == "--max-q") {
        if (!n || *n < 0 || *n > AcceptanceThresholds::MaxErrorLimit) return fail("--max-q takes 0 to 99");
        o.maxQ = *n;
      } else if (a == "--interpolation") {
        if (!n || *n < 1 || *n > 3) return fail("--interpolation takes 1, 2 or 3");
        o.view.interpolationWidth = *n;
      } else {
        if (!n || (*n != 11 && *n != 21 && *n != 41 && *n != 81)) return fail("--colors takes 11, 21, 41 or 81");
        o.colors = *n;
      }
    }
  }
  if (!CheckReadOptions(o.read, "configuration")) return ExitUsage;
  if (o.output.empty()) return fail("give the picture to write with -o OUT.png or -o OUT.svg");
  if (!drawing::PictureFormatOf(QString::fromLocal8Bit(o.output.c_str()))) {
    return fail(o.output + ": the name must end in .png or .svg");
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

int RunConfiguration(const std::vector<std::string>& args, const std::string& programDir) {
  ConfigurationOptions o;
  const int parsed = ParseOptions(args, o);
  if (parsed < 0) return ExitOk;
  if (parsed != ExitOk) return parsed;

  TDataset ds;
  OpenCommandState state;
  OpenResult result;
  StderrMessenger messenger;
  if (!ReadFiles(o.read, programDir, "configuration", ds, state, result, messenger)) return ExitFailed;
  if (ds.DataKind < DataKindSequence) {
    std::cerr << "tarvo-cli configuration: " << o.read.files.front() << " holds no quadripoles to draw\n";
    return ExitFailed;
  }
  if (o.view.ipMode && !ds.HasIP) {
    std::cerr << "tarvo-cli configuration: " << o.read.files.front() << " holds no chargeability\n";
    return ExitFailed;
  }
  if (o.set > ds.SetCount) {
    std::cerr << "tarvo-cli configuration: there " << (ds.SetCount == 1 ? "is 1 set" : "are " + std::to_string(ds.SetCount) + " sets")
              << ", no set " << o.set << '\n';
    return ExitFailed;
  }
  if (o.set >= 1) SelectSet(ds, o.set);
  if (o.shift) ds.XShift = static_cast<float>(*o.shift);
  if (o.maxQ) ds.Thresholds.ErrorLimit = *o.maxQ;
  CountBadPoints(ds);

  // The window's colour table: 21 pale colours unless asked otherwise.
  ColorTable colors;
  if (o.colors) {
    SetDefaultColors(colors);
    while (colors.Count < *o.colors) IncreaseColors(colors);
    PaleColors(colors);
  } else {
    SetFirstMapColors(colors);
  }
  const RangeMultipliers multipliers;

  const std::unique_ptr<QGuiApplication> app = StartDrawing();
  const QFont font = QGuiApplication::font();
  SectionView view(ds);
  view.SetColors(&colors, &multipliers);
  view.SetMetrics(drawing::MetricsOf(font));
  view.SetOptions(o.view);
  view.Resize(o.width, o.height);
  view.Refresh();
  QImage map;
  drawing::PaintConfigurationMap(view, map);

  const QString out = QString::fromLocal8Bit(o.output.c_str());
  QString error;
  const bool saved = drawing::SavePicture(
      out, QSize(o.width, o.height), drawing::Latin1(view.Caption()),
      [&](QPainter& p, const QSize&) { drawing::PaintConfigurationPicture(p, view, font, &map); }, error);
  if (!saved) {
    std::cerr << "tarvo-cli configuration: cannot write " << o.output << ": " << error.toLocal8Bit().constData()
              << '\n';
    return ExitFailed;
  }
  std::cout << view.Caption();
  if (view.ShowsMap()) std::cout << " (" << view.Levels().Count + 1 << " colour classes)";
  std::cout << ", " << ds.PointCount << " points, " << ds.BadCount << " bad: " << o.output << '\n';
  return ExitOk;
}

}  // namespace tarvo::cli
