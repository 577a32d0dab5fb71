#pragma once

#include <cmath>
#include <limits>
#include <string>

// Numeric helpers shared by the whole program: the coordinate tolerance, the
// marker of an absent electrode, and the number-to-text rule of grids, labels
// and text files.
namespace tarvo {

// Coordinate of an absent (remote) electrode while a text file is parsed.
inline constexpr float NoElectrode = -1e16f;

// Any coordinate below this counts as an absent electrode.
inline constexpr double AbsentCoordinateLimit = -1e15;

inline bool IsAbsentCoordinate(double x) { return x < AbsentCoordinateLimit; }

// The one tolerance for coordinates, stations, spacings and positions: two
// values are the same when they differ by at most 0.01.
inline bool ApproxEqual(double a, double b) {
  const double d = b - a;
  return (d < 0 ? -d : d) <= 0.01;
}

// True when a value is finite and fits a 32-bit float, as every number of the
// dataset must: the check of what a file gives and of what is computed from
// it (a position, spacing or factor).
inline bool FitsFloat(double value) {
  return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

// Largest number of extra digits FormatValue accepts; larger requests use it.
inline constexpr int MaxExtraDigits = 3;

// Text of a value as shown in grids and labels and written to text files.
// extraDigits (0..3, larger values act as 3) widens the precision: at 2 a value
// between 0.01 and 100000 keeps five significant digits. Small and large
// magnitudes are written in exponent form ("1.23E+5", "4.56E-4", "1.2E+0012").
// The decimal separator is always "." whatever the locale.
std::string FormatValue(double x, int extraDigits);

// FormatValue's text appended to out, for writers that build a file's text
// in one string.
void AppendValue(std::string& out, double x, int extraDigits);

// b raised to the power a for b > 0, 1 for b = 0 (NaN for negative b).
double Power(double a, double b);

// Decimal logarithm as ln x / 2.302585093.
double Log10(double x);

inline constexpr double TwoPi = 6.283185307179586477;

}  // namespace tarvo
