#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/text_file.h"
#include "engine/display/contour_levels.h"
#include "engine/display/contour_map.h"
#include "engine/display/grid_view.h"
#include "engine/display/section_options.h"
#include "engine/display/value_grid.h"

// One pseudosection panel: the grids handed to it with their descriptor,
// its scale and ranges, and the arithmetic of drawing it (the plot
// rectangle, the axes, the colour scale and the posted values) and of its
// "Save data" table. The panel windows and tarvo-cli paint from this, so
// that both draw the same pixels.
namespace tarvo {

// The owner index of a panel that selects nothing when clicked (the
// difference and mean panels).
inline constexpr int NoPanelOwner = -1000;

// Scale types as the panel owners pass them.
inline constexpr int ScaleTypeLogarithmic = 0;
inline constexpr int ScaleTypeSymmetric = 1;
inline constexpr int ScaleTypeLinear = 2;

MapScale ScaleOfType(int scaleType);

// Display modes of the popup menu: "Map", "Post", "Map && Post".
enum class PanelMode { Map = 0, Post = 1, MapAndPost = 2 };

// Digits of the posted values: "Auto", "2 " (two significant), "1" (one).
enum class PostDigits { Auto = 0, Two = 1, One = 2 };

struct PseudoPanel {
  std::string Title;  // the caption; the panel action's caption
  std::string Hint;
  std::unique_ptr<ValueGrid> Values;  // gap-filled: the map
  std::unique_ptr<ValueGrid> Raw;     // before gap filling: posted and saved values
  GridDescriptor Descriptor;
  MapScale Scale = MapScale::Logarithmic;
  ValueRange AutoRange;
  ValueRange UsedRange;
  float HFirst = 0;  // horizontal range
  float HLast = 1;
  float VFirst = 0;  // vertical range: first (smallest) and last spacing
  float VLast = 1;
  bool LogDepth = false;
  int Owner = NoPanelOwner;
  PanelMode Mode = PanelMode::Map;
  PostDigits Digits = PostDigits::Auto;

  GridView ValueView() const { return ViewOf(*Values, Descriptor); }
  GridView RawView() const { return ViewOf(*Raw, Descriptor); }
};

// Stores the grids (the panel owns them from now on) and a copy of the
// descriptor, sets the scale from the type (0 logarithmic, 1 symmetric, 2
// linear) and, with at least one level, the automatic range (which becomes
// the used range), the horizontal range (first and last station) and the
// vertical range (first and last spacing).
void SetData(PseudoPanel& panel, std::unique_ptr<ValueGrid> values, std::unique_ptr<ValueGrid> raw, int owner,
             int scaleType, const GridDescriptor& descriptor);

// A panel with nothing in it: at least 2 stations and 2 levels are needed.
bool PanelDrawable(const PseudoPanel& panel);

// Text metrics of the panel's font.
struct PanelMetrics {
  int textHeight = 13;        // height of "0"
  int sixZerosWidth = 36;     // width of "000000"
  int threeZerosWidth = 18;   // width of "000"
};

// Everything a paint needs besides the colours: the plot occupies the pixels
// left..right - 1 by top..bottom - 1, its frame lies one pixel outside.
struct PanelLayout {
  bool drawn = false;  // false: too small a window or too few stations or levels
  int h = 0;           // (text height - 1) div 2
  int w = 0;           // width of "000000"
  int left = 0, top = 0, right = 0, bottom = 0;
  bool scaleShown = false;
  bool rightLabels = false;
  bool bottomAxis = false;
  bool titleLine = false;
  std::string title;
  AxisMapping across;
  AxisMapping down;
  float hLow = 0, hHigh = 1;  // the horizontal range shown, ascending
  ContourLevels depthTicks;
  ContourLevels stationTicks;
  ContourLevels levels;  // the colour classes of the map
};

inline constexpr int MinPanelSide = 40;

// The layout of a paint of width x height pixels: the plot rectangle by the
// axis, title and colour-scale rules of the section options, the scales
// (widened in a posting mode so that the last posted labels fit; mirrored
// with "Turn profile round"), the ticks and the contour levels of the used
// range with colorCount colours.
PanelLayout LayOutPanel(const PseudoPanel& panel, int width, int height, const PanelMetrics& metrics,
                        const SectionOptions& options, int colorCount);

// The title of a panel: the options' title when titles are shown, followed
// by " (" caption ")" with file names; a symmetric map shows its caption.
std::string PanelTitle(const PseudoPanel& panel, const SectionOptions& options);

// The colour scale: a column of n + 1 boxes of equal height for n bounds,
// the highest class at the top. Boxes of 5 pixels or more get their bounds
// as labels at the box edges, each at least a text height minus one below
// the previous one; lower boxes get round-numbered labels at their place
// between the lowest and the highest bound.
struct ScaleLabel {
  int y = 0;
  float value = 0;
  bool operator==(const ScaleLabel&) const = default;
};

struct ColorScaleLayout {
  std::vector<int> edges;  // edges[k]: the top of class k (k = 0..n + 1); edges[0] is the bottom
  bool edgeLabels = true;
  std::vector<ScaleLabel> labels;
};

inline constexpr double MinLabelledBox = 5;

ColorScaleLayout LayOutColorScale(const ContourLevels& levels, MapScale scale, int plotTop, int plotBottom,
                                  int textHeight);

// The text of a posted value: FormatValue with "Auto"; with "2 " the value
// rounded to two significant digits; with "1" the mantissa of that rounded
// to an integer (halves to even).
std::string PostedValueText(float value, PostDigits digits);

// One posted value: the cell's pixel and its text.
struct PostedValue {
  int x = 0;
  int y = 0;
  std::string text;
};

std::vector<PostedValue> PostedValues(const PseudoPanel& panel, const PanelLayout& layout);

// "Save data": the Golden Software table. Header "X\tPs.Z\tAlti\tP" (and
// "\tLog(P)" for logarithmic maps), then one line per non-empty cell,
// station by station: coordinate, spacing, altitude of the line at the
// coordinate minus the spacing, value (and its decimal logarithm).
// Logarithmic and linear maps write the raw grid, symmetric maps the
// gap-filled one. Lines end with CR LF.
inline constexpr const char* PanelDataFilter = "Golden Software data (*.dat)|*.dat";
inline constexpr const char* PanelDataExtension = "DAT";

std::string PanelDataTable(const PseudoPanel& panel, const TDataset& ds);
FileReadResult SavePanelData(const PseudoPanel& panel, const TDataset& ds, const std::string& path);

// The altitude of the line at x: the linear interpolation of the electrode
// altitudes (as the electrode table shows them) between the electrodes
// around x; the end altitude beyond the ends, 0 without electrodes.
double LineAltitudeAt(const TDataset& ds, double x);

}  // namespace tarvo
