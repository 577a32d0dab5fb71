#include "engine/display/contour_levels.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"

namespace tarvo {

namespace {

// "Round": to the nearest integer, halves to the even one (the default
// rounding mode of the floating-point unit).
double RoundEven(double x) { return std::nearbyint(x); }

// Marks the ends of the bounds 1..n with the sentinels.
void Finish(ContourLevels& levels, int n) {
  levels.Count = n;
  levels.Bounds[0] = LowSentinel;
  for (int k = n + 1; k < static_cast<int>(levels.Bounds.size()); ++k) {
    levels.Bounds[static_cast<std::size_t>(k)] = HighSentinel;
  }
}

// The power of ten p with p < w <= 10 p, found from 1 upward or downward in
// 32-bit steps. Zero when w is not a positive finite number or p underflows.
float NormalisedPower(float w) {
  if (!(w > 0) || !std::isfinite(w)) return 0;
  float p = 1;
  while (w > 10 * p && std::isfinite(10 * p)) p *= 10;
  while (w <= p && p > 0) p /= 10;
  return p;
}

// The multipliers f of the decade for 1 to 6 levels per decade; 10 is the
// start of the next decade.
const std::vector<std::vector<float>>& DecadeMultipliers() {
  static const std::vector<std::vector<float>> rows = {
      {10},
      {3, 10},
      {2, 5, 10},
      {1.8f, 3, 6, 10},
      {1.6f, 2.5f, 4, 6.5f, 10},
      {1.4f, 2, 3, 5, 7, 10},
  };
  return rows;
}

float& B(ContourLevels& levels, int k) { return levels.Bounds[static_cast<std::size_t>(k)]; }

}  // namespace

int ColorClass(float value, const ContourLevels& levels) {
  const int n = levels.Count;
  if (std::isnan(value)) return n + 1;
  const float* first = levels.Bounds.data() + 1;
  const float* at = std::lower_bound(first, first + n, value);  // first bound not below the value
  return static_cast<int>(at - first) + 1;
}

bool LogLevels(ContourLevels& levels, int limit, int wanted, float lo, float hi) {
  if (std::isnan(lo) || std::isnan(hi)) return false;
  const int m = std::clamp(wanted, 1, MaxContourBounds - 1);
  if (lo > hi) std::swap(lo, hi);
  // Logarithms need positive ends; a range far beyond any measured value is
  // brought within 1e-30 .. 1e30.
  if (!(hi > 0)) {
    lo = 1;
    hi = 1000;
  } else if (!(lo > 0)) {
    lo = hi / 1000;
  }
  hi = std::min(hi, 1e30f);
  lo = std::clamp(lo, 1e-30f, hi);
  if (lo == hi) {
    lo = 0.9f * lo;
    hi = 1.1f * hi;
  }
  const double d = Log10(hi) - Log10(lo);
  int k = std::max(limit, 1);
  while (k > 0 && k * d > m) --k;
  if (m == 1) k = 1;

  int n = 0;
  if (k >= 7) {
    const float r = static_cast<float>(std::pow(10.0, 1.0 / k));
    const double j = RoundEven(k * Log10(lo) + 0.5);
    float first = static_cast<float>(std::pow(static_cast<double>(r), j));
    if (first / r >= 0.999f * lo) first = first / r;
    B(levels, 1) = first;
    B(levels, 2) = first * r;
    n = 2;
    while (n < MaxContourBounds && B(levels, n) * r <= 1.001f * hi) {
      B(levels, n + 1) = B(levels, n) * r;
      ++n;
    }
    n = std::min(n, m);
  } else if (k >= 1) {
    const std::vector<float>& f = DecadeMultipliers()[static_cast<std::size_t>(k - 1)];
    float base = static_cast<float>(std::pow(10.0, RoundEven(Log10(lo) - 0.5)));
    std::size_t i = 0;
    float v = base * f[0];
    const auto advance = [&] {
      if (i + 1 == f.size()) {
        base = base * 10;
        i = 0;
      } else {
        ++i;
      }
      v = base * f[i];
    };
    // The first value of the sequence that is not below lo.
    for (int guard = 0; v < lo && guard < 1000; ++guard) advance();
    B(levels, 1) = v;
    n = 1;
    while (n < MaxContourBounds) {
      advance();
      if (v > hi) break;  // the first bound above hi is dropped
      B(levels, ++n) = v;
    }
  } else {
    // More decades than bounds asked for: whole powers of ten, as many
    // decades apart as it takes to stay within the count.
    const int decades = static_cast<int>(std::ceil(d / m));
    int e = static_cast<int>(std::ceil(Log10(lo) - 1e-6));
    B(levels, 1) = static_cast<float>(std::pow(10.0, e));
    n = 1;
    for (e += decades; n < m && std::pow(10.0, e) <= 1.001 * hi; e += decades) {
      B(levels, ++n) = static_cast<float>(std::pow(10.0, e));
    }
  }
  if (B(levels, 1) < 0) n = 1;
  Finish(levels, n);
  return true;
}

bool LinearLevels(ContourLevels& levels, int wanted, float lo, float hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return false;
  const int m = std::clamp(wanted, 2, MaxContourBounds - 1);
  if (lo == hi) {
    lo = lo - 1;
    hi = hi + 1;
  } else if (lo > hi) {
    std::swap(lo, hi);
  }
  const float w = (hi - lo) / static_cast<float>(m - 1);
  const float p = NormalisedPower(w);
  if (p == 0) return false;
  float step = 10 * p;
  for (const float s : {2.0f, 2.5f, 5.0f, 10.0f}) {
    if (s >= w / p) {
      step = p * s;
      break;
    }
  }
  const float decade = 10 * p;
  const double whole = std::trunc(static_cast<double>(lo) / static_cast<double>(decade));
  float v = static_cast<float>(lo > 0 ? whole : whole - 1) * decade;
  for (int guard = 0; static_cast<double>(v) < static_cast<double>(lo) - 1e-8 && guard < 1000; ++guard) {
    const float next = v + step;
    if (next == v) return false;  // a step too small for the magnitude of the range
    v = next;
  }
  const auto snap = [](float x) { return std::fabs(x) < 1e-6f ? 0.0f : x; };
  int n = 0;
  v = snap(v);
  while (v <= hi && n < MaxContourBounds) {
    B(levels, ++n) = v;
    const float next = snap(v + step);
    if (next == v) break;
    v = next;
  }
  Finish(levels, n);
  return true;
}

bool SymmetricLevels(ContourLevels& levels, int wanted, float lo, float hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return false;
  const int m = std::clamp(wanted, 1, MaxContourBounds - 1);
  hi = std::max(hi, -lo);
  if (lo == hi) {
    hi = hi + 1e-7f;
    lo = lo - 1e-7f;
  } else if (lo > hi) {
    std::swap(lo, hi);
  }
  if (hi < 0) hi = -lo;
  const int h = std::max(m / 2, 1);
  const float t = hi / static_cast<float>(h);
  const float p = NormalisedPower(t);
  if (p == 0) return false;
  static constexpr std::array<float, 8> multipliers = {1, 1.25f, 2, 2.5f, 3.3333333f, 5, 7.5f, 10};
  std::size_t found = multipliers.size() - 1;
  for (std::size_t i = 1; i < multipliers.size(); ++i) {
    if (multipliers[i] >= t / p) {
      found = i;
      break;
    }
  }
  float a = multipliers[found - 1] * p;
  int e = static_cast<int>(std::trunc(hi / a));
  if (2 * e > m) {
    a = multipliers[found] * p;
    e = static_cast<int>(std::trunc(hi / a));
  }
  // At least the class around zero and one on either side; never more
  // bounds than asked for.
  e = std::clamp(e, 1, std::max(m / 2, 1));
  for (int i = 1; i <= e; ++i) {
    B(levels, i) = -static_cast<float>(e - i + 1) * a;
    B(levels, e + i) = static_cast<float>(i) * a;
  }
  Finish(levels, 2 * e);
  return true;
}

void RangeMultipliers::WidenMin() { Min = static_cast<float>(Min * 1.4142135623730950488); }
void RangeMultipliers::WidenMax() { Max = static_cast<float>(Max * 1.4142135623730950488); }

namespace {

struct Moments {
  int count = 0;
  double mean = 0;
  double squares = 0;  // sum of squared deviations from the mean
  double Deviation() const { return count > 1 ? std::sqrt(squares / (count - 1)) : 0; }
};

// Welford's running mean and sum of squares of the entered values.
template <class Enter>
Moments Measure(const GridView& grid, Enter enter) {
  Moments m;
  for (int s = 1; s <= grid.StationCount; ++s) {
    for (int l = 1; l <= grid.LevelCount; ++l) {
      double x = 0;
      if (!enter(grid.At(s, l), x)) continue;
      ++m.count;
      const double delta = x - m.mean;
      m.mean += delta / m.count;
      m.squares += delta * (x - m.mean);
    }
  }
  return m;
}

bool EnterLog(float v, double& x) {
  if (IsEmptyCell(v) || !(v > 0)) return false;
  x = std::log(static_cast<double>(v));
  return true;
}

bool EnterValue(float v, double& x) {
  if (IsEmptyCell(v) || !std::isfinite(v)) return false;
  x = v;
  return true;
}

bool EnterMagnitude(float v, double& x) {
  if (IsEmptyCell(v) || !std::isfinite(v)) return false;
  x = std::fabs(static_cast<double>(v));
  return true;
}

}  // namespace

ValueRange AutoRangeConfiguration(const GridView& grid, bool chargeability, const RangeMultipliers& multipliers) {
  const Moments m = Measure(grid, chargeability ? EnterValue : EnterLog);
  if (m.count < 6) return ValueRange{1, 2};
  const double s2 = 2 * m.Deviation();
  if (chargeability) {
    return ValueRange{static_cast<float>(m.mean - s2 * multipliers.Min), static_cast<float>(m.mean + s2 * multipliers.Max)};
  }
  const double centre = std::exp(m.mean);
  const double spread = std::exp(s2);
  return ValueRange{static_cast<float>(centre / spread / multipliers.Min),
                    static_cast<float>(centre * spread * multipliers.Max)};
}

ValueRange AutoRangePseudosection(const GridView& grid, MapScale scale) {
  const Moments m = Measure(grid, scale == MapScale::Logarithmic ? EnterLog
                                  : scale == MapScale::Linear    ? EnterValue
                                                                 : EnterMagnitude);
  if (m.count < 4 || m.squares <= 1e-8) {
    return scale == MapScale::Logarithmic ? ValueRange{1, 1000} : ValueRange{0, 1};
  }
  const double s2 = 2 * m.Deviation();
  switch (scale) {
    case MapScale::Logarithmic:
      return ValueRange{static_cast<float>(std::exp(m.mean) / std::exp(s2)),
                        static_cast<float>(std::exp(m.mean) * std::exp(s2))};
    case MapScale::Linear: return ValueRange{static_cast<float>(m.mean - s2), static_cast<float>(m.mean + s2)};
    case MapScale::Symmetric: break;
  }
  const float high = static_cast<float>(m.mean + s2);
  return ValueRange{-high, high};
}

bool MapLevels(ContourLevels& levels, MapScale scale, int colorCount, ValueRange range) {
  const int m = colorCount - 1;
  switch (scale) {
    case MapScale::Logarithmic: return LogLevels(levels, MapLevelsPerDecade, m, range.Low, range.High);
    case MapScale::Linear: return LinearLevels(levels, m, range.Low, range.High);
    case MapScale::Symmetric: break;
  }
  return SymmetricLevels(levels, m, range.Low, range.High);
}

std::string RealText23(double value) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e = text.find('e');
  if (e == std::string_view::npos) return std::string(text);  // inf or nan: written as they are
  std::string out(1, std::signbit(value) ? '-' : ' ');
  out.append(text.substr(0, e));
  out.push_back('E');
  out.push_back(text[e + 1]);
  std::string_view digits = text.substr(e + 2);
  out.append(digits.size() < 4 ? 4 - digits.size() : 0, '0');
  out.append(digits);
  return out;
}

std::string LevelsFileText(float minimum, float maximum) {
  return JoinCrLf({"", RealText23(minimum), RealText23(maximum)});
}

LevelsFileResult WriteLevelsFile(const std::string& path, float minimum, float maximum) {
  LevelsFileResult result;
  const FileReadResult written = WriteFileWhole(path, LevelsFileText(minimum, maximum));
  result.ok = written.ok;
  result.error = written.error;
  result.Minimum = minimum;
  result.Maximum = maximum;
  return result;
}

LevelsFileResult ReadLevelsFile(const std::string& path) {
  LevelsFileResult result;
  std::vector<std::string> lines;
  const FileReadResult read = ReadTextLines(path, lines);
  if (!read.ok) {
    result.error = read.error;
    return result;
  }
  float values[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    const std::size_t line = static_cast<std::size_t>(i) + 1;
    std::string_view text = line < lines.size() ? std::string_view(lines[line]) : std::string_view();
    const std::optional<float> v = NextFloat(text);
    if (!v || !(*v > 1e-8f)) {
      result.error = path + ": line " + std::to_string(line + 1) + " holds no positive number";
      return result;
    }
    values[i] = *v;
  }
  result.ok = true;
  result.Minimum = values[0];
  result.Maximum = values[1];
  return result;
}

}  // namespace tarvo
