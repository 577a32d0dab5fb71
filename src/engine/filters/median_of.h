#pragma once

#include <span>

// The median and the mean of a list of reals, as every median filter takes
// them.
namespace tarvo {

// The median of `values` (the mean of the two middle values for an even
// count); 0 for an empty list. The values are reordered in place by
// selection (std::nth_element), not sorted: pass a reused buffer.
double MedianOf(std::span<float> values);

// The arithmetic mean; 0 for an empty list.
double MeanOf(std::span<const float> values);

}  // namespace tarvo
