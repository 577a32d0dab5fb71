#pragma once

#include <array>
#include <string>

#include "engine/core/capacities.h"
#include "engine/display/grid_view.h"

// Round-numbered contour levels between the ends of a value range, on a
// logarithmic, linear or symmetric scale, the colour class of a value, the
// automatic range of a grid and the levels file. Ranges, steps and bounds are
// 32-bit floats, and each bound is the previous one plus (or times) the step
// stored as a 32-bit float, so the bounds carry the rounding of that width.
namespace tarvo {

inline constexpr float LowSentinel = -1e30f;
inline constexpr float HighSentinel = 1e30f;

// One set of contour levels: bounds 1..Count ascending, with the sentinels
// Bounds[0] = -1e30 and Bounds[Count + 1] = +1e30. A value v belongs to
// colour class k, the smallest k >= 1 with v <= Bounds[k]; a map of Count
// bounds uses Count + 1 classes.
struct ContourLevels {
  int Count = 0;
  std::array<float, MaxContourBounds + 2> Bounds{};

  ContourLevels() {
    Bounds.fill(HighSentinel);
    Bounds[0] = LowSentinel;
  }
  float Bound(int k) const { return Bounds[static_cast<std::size_t>(k)]; }
};

// The class of `value`: the smallest k in 1..Count + 1 with value <= bound k.
// A value on a bound belongs to the lower class; NaN takes the last class.
int ColorClass(float value, const ContourLevels& levels);

// Levels-per-decade limits of LogLevels.
inline constexpr int MapLevelsPerDecade = 100;
inline constexpr int TickLevelsPerDecade = 20;

// Logarithmic levels between lo and hi (in either order; equal ends are
// widened by 10 % each way) with at most `limit` levels per decade and
// about `wanted` (at most 100) bounds: every 10^(1/k) from 7 levels per
// decade on, the round multiples of the decade (1, 2, 5 ...) below that.
// When the range spans more decades than `wanted`, the bounds are whole
// powers of ten a fixed number of decades apart. Ends that are not
// positive are taken as hi / 1000 (or 1 .. 1000 when neither is). Returns
// false, leaving `levels` as they were, only for ends that are not numbers.
bool LogLevels(ContourLevels& levels, int limit, int wanted, float lo, float hi);

// Linear levels of a round step (2, 2.5, 5 or 10 times a power of ten) from
// the first multiple of the step that is not below lo up to hi; `wanted`
// (2..100) is the number of steps asked for. A bound within 1e-6 of zero is
// exactly zero. Returns false, leaving `levels`, for ends that are not finite.
bool LinearLevels(ContourLevels& levels, int wanted, float lo, float hi);

// Levels symmetric about zero: -E*A .. -A, A .. E*A with a round step A and
// 2E <= wanted (at most 100); the class around zero spans -A..A. Returns
// false, leaving `levels`, for ends that are not finite.
bool SymmetricLevels(ContourLevels& levels, int wanted, float lo, float hi);

struct ValueRange {
  float Low = 1;
  float High = 2;
};

// The multipliers of the configuration window's range: "Min" and "Max"
// widen the range by sqrt(2) at the low or the high end, "Default" and every
// file opened bring both back to 1.
struct RangeMultipliers {
  float Min = 1;
  float Max = 1;

  void Reset() { Min = Max = 1; }
  void WidenMin();
  void WidenMax();
  // "Default" is offered only while either multiplier exceeds 1.1.
  bool Widened() const { return Min > 1.1f || Max > 1.1f; }
};

// The automatic range of the configuration window's grid: the mean of the
// cells plus and minus two standard deviations (of the natural logarithms of
// the positive values for resistivity), widened by the multipliers; 1 to 2
// with fewer than 6 values.
ValueRange AutoRangeConfiguration(const GridView& grid, bool chargeability, const RangeMultipliers& multipliers);

// The scale of a map: logarithmic for apparent resistivity, linear for
// chargeability, symmetric linear for signed quantities such as differences.
enum class MapScale { Logarithmic, Linear, Symmetric };

// The automatic range of a pseudosection panel: the mean plus and minus two
// standard deviations (of logarithms, of values, or of absolute values
// giving -high..high); 1 to 1000 (logarithmic) or 0 to 1 with fewer than 4
// values or none that differ.
ValueRange AutoRangePseudosection(const GridView& grid, MapScale scale);

// The contour levels of a map of `colorCount` colours (colorCount - 1 bounds
// asked for) over `range`, by the rule of its scale.
bool MapLevels(ContourLevels& levels, MapScale scale, int colorCount, ValueRange range);

// Levels files (".lvl"): an empty line, then the minimum and the maximum of
// the manual colour range, each in the 23-character scientific form
// (" 1.00000000000000E+0003"), lines ending with CR LF.
inline constexpr const char* LevelsFileFilter = "Levels file|*.lvl";
inline constexpr const char* LevelsFileExtension = "lvl";

std::string RealText23(double value);
std::string LevelsFileText(float minimum, float maximum);

struct LevelsFileResult {
  bool ok = false;
  std::string error;  // the platform's message, or what is wrong with the text
  float Minimum = 0;
  float Maximum = 0;
};

// Writes the file whole (nothing is left half-written on failure).
LevelsFileResult WriteLevelsFile(const std::string& path, float minimum, float maximum);

// Reads a levels file: the first line is skipped, the next two hold one
// number each. A missing or unreadable number, or one that is not a
// positive value a 32-bit float holds, fails the read with the line named.
LevelsFileResult ReadLevelsFile(const std::string& path);

}  // namespace tarvo
