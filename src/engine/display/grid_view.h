#pragma once

#include <cstddef>

#include "engine/display/value_grid.h"

// A read-only view of the meaningful cells of a value grid, indexed
// [station][level] from 1, with the cells of one station contiguous. The map
// arithmetic works on views, so that it serves the grids of the windows and
// larger grids alike.
namespace tarvo {

struct GridView {
  const float* Cells = nullptr;  // cell [1][1]
  int LevelStride = 0;           // distance between the cells of two neighbouring stations
  int StationCount = 0;
  int LevelCount = 0;

  float At(int station, int level) const {
    return Cells[static_cast<std::size_t>(station - 1) * static_cast<std::size_t>(LevelStride) +
                 static_cast<std::size_t>(level - 1)];
  }
};

inline GridView ViewOf(const ValueGrid& grid, const GridDescriptor& descriptor) {
  return GridView{grid.Station(1), grid.Stride(), descriptor.StationCount, descriptor.LevelCount};
}

}  // namespace tarvo
