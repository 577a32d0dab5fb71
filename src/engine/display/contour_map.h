#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/display/contour_levels.h"
#include "engine/display/grid_view.h"

// The arithmetic of the filled colour maps: the mapping of coordinates to
// pixels, the band fill between two levels as horizontal spans of one colour
// class per pixel row, and the tick values of the axes. What draws the spans
// (an off-screen image, one filled rectangle per span) lives outside the
// engine.
namespace tarvo {

// Far-away coordinates are clamped to this many pixels either way, so that
// they stay drawable.
inline constexpr double PixelClamp = 3000;

// pixel = round(clamp(offset(c) * Scale + Edge, -3000, 3000)), offset(c)
// being c - First on a linear axis and ln(c / First) on a logarithmic one.
// Rows grow downward with the spacing value, so a depth axis has a positive
// scale; "Turn profile round" is a horizontal axis whose First is the last
// station and whose scale is negative.
struct AxisMapping {
  double First = 0;
  double Scale = 1;  // pixels per unit (per natural-log unit on a logarithmic axis)
  int Edge = 0;      // pixel of First
  bool Logarithmic = false;

  int Pixel(double coordinate) const;
};

// One stretch of one pixel row in one colour class: columns Left..Right - 1.
struct MapSpan {
  int Row = 0;
  int Left = 0;
  int Right = 0;
  int ColorClass = 1;

  bool operator==(const MapSpan&) const = default;
};

// One station of a band: its pixel column and the values at the band's upper
// and lower level (natural logarithms on a logarithmic map).
struct BandSample {
  int Column = 0;
  float Upper = 0;
  float Lower = 0;
};

// Colours the rows upperRow .. lowerRow - 1 between two levels: every row
// interpolates linearly between the upper and lower values, and between
// neighbouring samples; each class boundary is found where the straight line
// between two samples crosses it, so a row is one span per class change,
// ending one column beyond the last sample. `bounds` holds the sentinel
// bound 0, bounds 1..boundCount and the sentinel after them, in the units
// of the samples. Nothing is drawn when the rows are equal. Spans are
// appended to `out`.
void FillBand(int upperRow, int lowerRow, std::span<const BandSample> samples, const float* bounds, int boundCount,
              std::vector<MapSpan>& out);

// What a filled map is drawn from.
struct FilledMapInput {
  GridView grid;
  std::span<const int> stationColumns;  // the pixel column of station s at [s - 1]
  std::span<const int> levelRows;       // the pixel row of level l at [l - 1]
  int firstStation = 1;                 // the stations shown
  int lastStation = 0;                  // 0: the last of the grid
  bool logarithmic = false;             // resistivity: logarithms of positive values
  // Bounds below this are taken as logarithms on a logarithmic map (the
  // sentinels stay): 1e12 for the pseudosection panels, 1e10 for the
  // configuration window.
  float logBoundLimit = 1e12f;
};

// The colour class of a value for bounds 1..n in ascending order, without a
// search: the range of the finite bounds is cut into equal buckets so
// narrow that no bucket holds two different bounds, and a bucket's entry
// gives the class below the bound it holds and the number of bounds equal
// to it. The class of a finite value is that of the search (the smallest
// class whose bound is not below it): a bucket's bound is compared with
// the value, and the bounds of the buckets before and after it are below
// and above it because the bucket of a value never decreases as the value
// grows. Bounds too unevenly spaced for a small table are searched.
class ClassTable {
 public:
  // False when the bounds are not in ascending order or one is not a
  // number; the table is then unusable. `bounds` (with bound k at [k]) must
  // outlive the table's use.
  bool Build(const float* bounds, int n);
  bool Searched() const { return search_; }
  int Of(float v) const { return search_ ? SearchedClass(v) : Lookup().Of(v); }

  // The table, for many values in a row (only when not Searched()).
  struct View {
    const float* Bound;  // per bucket; +inf in a bucket without a bound
    const int* Below;    // the class up to the bucket's bound
    const int* Step;     // the number of bounds equal to it
    float Low;           // the lowest finite bound, bucket 0
    float High;          // just above the highest finite bound, the last bucket
    float Scale;         // buckets per unit

    // Values below Low are in bucket 0, above High in the last bucket.
    int Bucket(float v) const { return static_cast<int>((std::min(std::max(v, Low), High) - Low) * Scale); }
    int Of(float v, int bucket) const {
      const auto i = static_cast<std::size_t>(bucket);
      // A mask, not a branch: which side of the bound a value falls is
      // anybody's guess.
      return Below[i] + (Step[i] & -static_cast<int>(v > Bound[i]));
    }
    int Of(float v) const { return Of(v, Bucket(v)); }
  };
  View Lookup() const { return View{bound_.data(), below_.data(), step_.data(), low_, high_, scale_}; }
  // True when no two bounds are equal: every bucket holds at most one.
  bool Distinct() const { return distinct_; }

  static constexpr int MaxEntries = 4096;

 private:
  int SearchedClass(float v) const;

  const float* bounds_ = nullptr;
  int count_ = 0;
  bool search_ = true;
  bool distinct_ = false;
  float low_ = 0;
  float high_ = 0;
  float scale_ = 0;
  std::vector<float> bound_;
  std::vector<int> below_;
  std::vector<int> step_;
};

// The spans of a whole map, with the work space of the last drawing: a map
// keeps one and draws into it again, allocating nothing once it has grown.
struct FilledMap {
  std::vector<MapSpan> Spans;
  std::vector<float> UpperValues;  // one band's values at its upper level, per station
  std::vector<float> LowerValues;
  std::array<float, MaxContourBounds + 2> Bounds{};
  ClassTable Classes;
  // One run of a band, one entry per sample: column, upper value, lower
  // minus upper value; and one pixel row's values, classes and the samples
  // where the class changes.
  std::vector<int> Columns;
  std::vector<float> Upper;
  std::vector<float> Delta;
  std::vector<float> RowValues;
  std::vector<int> RowClasses;
  std::vector<int> RowBuckets;
  std::vector<int> RowChanges;
  std::vector<BandSample> Samples;  // a run whose values are not all finite
  // The samples of a band filled at every station shown: stations, their
  // columns, and per station whether it is one of them.
  std::vector<int> Kept;
  std::vector<int> KeptColumns;
  std::vector<unsigned char> KeptMask;
};

// The whole map: for each pair of neighbouring levels, every run of at least
// two neighbouring stations filled at both levels (and positive on a
// logarithmic map) is one band, whose stations on the same pixel column as
// the one before are left out (the last one of the run is kept). The last
// level's row is moved down by one pixel so that the last band includes its
// bottom row. Outside the runs nothing is drawn.
void BuildFilledMap(const FilledMapInput& input, const ContourLevels& levels, FilledMap& map);

// Tick values of an axis with about `count` intervals: LinearLevels, or
// LogLevels at 20 levels per decade on a logarithmic axis. Ticks of
// magnitude below `zeroBelow` are exactly zero.
void AxisTicks(ContourLevels& ticks, float lo, float hi, int count, bool logarithmic, float zeroBelow);

// The number form of the labels and range texts of the maps.
inline constexpr int MapLabelExtraDigits = 1;
std::string MapLabel(double value);

}  // namespace tarvo
