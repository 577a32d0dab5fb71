#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "engine/display/grid_view.h"
#include "engine/display/value_grid.h"

// The grid the median filters work on: one set's value grid with its
// coordinates, sized to the data (stations x levels of the set), indexed
// [station][level] from 1 with the cells of one station contiguous.
namespace tarvo {

struct FilterGrid {
  int StationCount = 0;
  int LevelCount = 0;
  std::vector<float> Stations;  // coordinate of station i at [i - 1]
  std::vector<float> Spacing;   // spacing value of level i at [i - 1]
  std::vector<float> MN;        // MN value of level i at [i - 1]
  std::vector<float> Cells;     // StationCount * LevelCount cells

  // An all-empty grid of the given extent with zero coordinates.
  void Resize(int stations, int levels);
  // Same extent and coordinates as `other`, every cell empty.
  void ShapeLike(const FilterGrid& other);

  std::size_t Index(int station, int level) const {
    return static_cast<std::size_t>(station - 1) * static_cast<std::size_t>(LevelCount) +
           static_cast<std::size_t>(level - 1);
  }
  float& At(int station, int level) { return Cells[Index(station, level)]; }
  float At(int station, int level) const { return Cells[Index(station, level)]; }
  std::size_t CellCount() const { return Cells.size(); }

  // For the drawing library and the colour-range helpers.
  GridView View() const { return GridView{Cells.data(), LevelCount, StationCount, LevelCount}; }
};

// The meaningful cells of a window grid, with the descriptor's coordinates.
FilterGrid FilterGridFrom(const ValueGrid& grid, const GridDescriptor& descriptor);

// The grid back in a window grid and descriptor (display and gap filling);
// false, changing nothing, when it has more stations or levels than a window
// grid holds.
bool ToValueGrid(const FilterGrid& grid, ValueGrid& out, GridDescriptor& descriptor);

// A copy of `grid` with its short gaps filled for display (FillGapsLog for
// resistivity, FillGapsLinear otherwise). A grid larger than a window grid
// comes back as it is.
FilterGrid GapFilled(const FilterGrid& grid, bool logarithmic, double unitSpacing, const GridSettings& settings);

// The two grids a pseudosection panel takes: `raw` the cells as they are
// (the posted and saved values), `values` the same with their short gaps
// filled (FillGapsLog for resistivity, FillGapsLinear otherwise) for the
// map, and their descriptor. False, changing nothing, when the grid has more
// stations or levels than a window grid holds.
bool ToPanelGrids(const FilterGrid& grid, bool logarithmic, double unitSpacing, const GridSettings& settings,
                  ValueGrid& values, ValueGrid& raw, GridDescriptor& descriptor);

}  // namespace tarvo
