#include "engine/filters/median_of.h"

#include <algorithm>

namespace tarvo {

double MedianOf(std::span<float> values) {
  const std::size_t n = values.size();
  if (n == 0) return 0;
  if (n == 1) return values[0];
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
  std::nth_element(values.begin(), middle, values.end());
  const double upper = *middle;
  if (n % 2 == 1) return upper;
  // The lower middle value is the largest of those before the middle.
  const double lower = *std::max_element(values.begin(), middle);
  return (lower + upper) / 2;
}

double MeanOf(std::span<const float> values) {
  if (values.empty()) return 0;
  double sum = 0;
  for (const float v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

}  // namespace tarvo
