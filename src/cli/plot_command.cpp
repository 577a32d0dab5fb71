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
#include "engine/display/pseudo_panels.h"
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
  out << "Usage: tarvo-cli plot FILE... -o OUT.png|OUT.svg [--size WxH] [--levels FILE.lvl]\n"
         "                      [--colors 11|21|41|81] [--post] [--mode map|post|both]\n"
         "                      [--diff] [--mean] [--ip] [reading options of info]\n"
         "Reads the files as info does and draws the panels of the pseudo-section\n"
         "panels window, one picture per panel: one per set (or per array type when\n"
         "the sets are of several types), each followed by its chargeability panel\n"
         "when the data carry IP, on one colour range and one horizontal range.\n"
         "With one panel OUT is written as named; with more, OUT-1, OUT-2 ... (before\n"
         "the extension). --ip draws the chargeability panels only.\n"
         "--mode: the colour map (map, the default), the measured values posted\n"
         "on the background (post, also --post) or both. --diff adds the\n"
         "logarithmic difference of two panels (\"D-transf\"), --mean the mean panel\n"
         "of two sets (\"Mean\", or \"AMNB\" for forward and reverse pole-dipole).\n"
         "The range is the mean of the cells plus and minus two standard deviations,\n"
         "or the minimum and maximum of a levels file. Colours: the 21 pale colours\n"
         "of the first maps; --colors takes the default 11 colours, increased to N,\n"
         "made pale. --size defaults to 900x400 pixels. .svg keeps lines and text\n"
         "as vectors.\n";
}

struct PlotOptions {
  ReadOptions read;
  std::string output;
  bool ip = false;
  bool diff = false;
  bool mean = false;
  PanelMode mode = PanelMode::Map;
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
    if (a == "--ip" || a == "--diff" || a == "--mean" || a == "--post") {
      if (a == "--ip") o.ip = true;
      if (a == "--diff") o.diff = true;
      if (a == "--mean") o.mean = true;
      if (a == "--post") o.mode = PanelMode::Post;
      continue;
    }
    if (a != "-o" && a != "--size" && a != "--levels" && a != "--colors" && a != "--mode") {
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
    } else if (a == "--mode") {
      if (value == "map") {
        o.mode = PanelMode::Map;
      } else if (value == "post") {
        o.mode = PanelMode::Post;
      } else if (value == "both") {
        o.mode = PanelMode::MapAndPost;
      } else {
        std::cerr << "tarvo-cli plot: --mode takes map, post or both\n";
        return ExitUsage;
      }
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

std::string PanelPath(const std::string& output, int k, int count) {
  if (count == 1) return output;
  const std::filesystem::path path(output);
  std::filesystem::path numbered = path.parent_path() / (path.stem().string() + "-" + std::to_string(k));
  numbered += path.extension();
  return numbered.string();
}

const char* KindOf(MapScale scale) {
  switch (scale) {
    case MapScale::Linear: return "chargeability";
    case MapScale::Symmetric: return "difference";
    case MapScale::Logarithmic: break;
  }
  return "apparent resistivity";
}

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

  SectionOptions options;
  options.Titles = true;
  options.FileNames = true;
  if (!o.levels.empty()) {
    const LevelsFileResult levels = ReadLevelsFile(o.levels);
    if (!levels.ok) {
      std::cerr << "tarvo-cli plot: " << levels.error << '\n';
      return ExitFailed;
    }
    options.LevelsFromFile = true;
    options.ManualMin = levels.Minimum;
    options.ManualMax = levels.Maximum;
  }

  // The panels of the modal panels window, then the derived ones.
  const GridSettings grid{};
  std::vector<PseudoPanel> panels;
  BuildPanels(ds, grid, options, true, panels);
  if (!o.levels.empty()) {
    // The levels file gives the chargeability panels their range too.
    for (PseudoPanel& p : panels) {
      if (p.Scale == MapScale::Linear) p.UsedRange = ValueRange{options.ManualMin, options.ManualMax};
    }
  }
  if (o.diff) {
    if (panels.size() != 2 || ds.HasIP) {
      std::cerr << "tarvo-cli plot: --diff needs exactly two panels without chargeability (" << panels.size()
                << " panels)\n";
      return ExitFailed;
    }
    panels.push_back(DifferencePanel(ds, panels[0], panels[1], options));
  }
  if (o.mean) {
    const MeanCaptions captions = MeanCommandCaptions(ds);
    if (!captions.offered || ds.HasIP) {
      std::cerr << "tarvo-cli plot: --mean needs two sets of one array type, or a forward and a reverse "
                   "pole-dipole set, without chargeability\n";
      return ExitFailed;
    }
    MeanResult mean = ComputeMean(ds, grid, true);
    std::string title = captions.button;
    title.erase(title.find('&'), 1);
    std::vector<PseudoPanel> extra;
    AddPanel(extra, title, std::move(mean.values), std::move(mean.raw), NoPanelOwner, ScaleTypeLogarithmic,
             mean.descriptor);
    extra.front().LogDepth = options.Scale == DepthScale::Logarithmic;
    panels.push_back(std::move(extra.front()));
  }
  if (o.ip) std::erase_if(panels, [](const PseudoPanel& p) { return p.Scale != MapScale::Linear; });
  if (panels.empty()) {
    std::cerr << "tarvo-cli plot: too few stations or levels to draw a map\n";
    return ExitFailed;
  }
  for (PseudoPanel& p : panels) p.Mode = o.mode;

  ColorTable colors;
  if (o.colors) {
    SetDefaultColors(colors);
    while (colors.Count < *o.colors) IncreaseColors(colors);
    PaleColors(colors);
  } else {
    SetFirstMapColors(colors);
  }

  const std::unique_ptr<QGuiApplication> app = StartDrawing();
  const QFont font = drawing::PanelFont();
  const int count = static_cast<int>(panels.size());
  int status = ExitOk;
  for (int k = 1; k <= count; ++k) {
    const PseudoPanel& panel = panels[static_cast<std::size_t>(k - 1)];
    const std::string path = PanelPath(o.output, k, count);
    if (!PanelDrawable(panel)) {
      // A panel the window would show empty (a difference of two panels
      // without a common station and level, a set without two levels).
      std::cerr << "tarvo-cli plot: panel " << k << " (" << panel.Title << ") has too few stations or levels to draw ("
                << panel.Descriptor.StationCount << " stations, " << panel.Descriptor.LevelCount
                << " levels); " << path << " is not written\n";
      status = ExitFailed;
      continue;
    }
    drawing::PanelPicture picture;
    QString error;
    const bool saved = drawing::SavePicture(
        QString::fromLocal8Bit(path.c_str()), QSize(o.width, o.height), drawing::Latin1(panel.Title),
        [&](QPainter& p, const QSize& size) {
          p.setFont(font);
          picture.Paint(p, QRect(QPoint(0, 0), size), panel, options, colors);
        },
        error);
    if (!saved) {
      std::cerr << "tarvo-cli plot: cannot write " << path << ": " << error.toLocal8Bit().constData() << '\n';
      return ExitFailed;
    }
    std::cout << "Pseudosection (" << KindOf(panel.Scale) << ", " << picture.Levels().Count + 1
              << " colour classes): " << path << '\n';
  }
  return status;
}

}  // namespace tarvo::cli
