#pragma once

#include "engine/filters/filter_grid.h"

// The median filter of chargeability: a moving median or mean over a
// rectangle or a cross of cells, in the chargeability's own units.
namespace tarvo {

// The operator's choices (section "MedianIP" of the settings file).
struct MedianIPSettings {
  int TypeWindowR = 0;  // "Method": 0 "Median", 1 "Mean"
  int TypeAreaR = 0;    // "Area": 0 "Rectangle", 1 "Cross"
  int WindowX = 5;      // stations, 1..9
  int WindowY = 3;      // levels, 1..9

  void Clamp();
  bool operator==(const MedianIPSettings&) const = default;
};

struct IPFilterParts {
  FilterGrid Smoothed;  // panel 2, "Smoothed"
  FilterGrid Removed;   // panel 3, "Removed part": data - smoothed
};

// Every cell of `data` that is not empty takes the median or mean of the
// cells of its window that are not empty (it is one of them itself, so a
// window never comes out empty); negative values take part like any other.
// Empty cells stay empty in both results.
IPFilterParts SmoothIP(const FilterGrid& data, const MedianIPSettings& settings);

}  // namespace tarvo
