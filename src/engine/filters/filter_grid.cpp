#include "engine/filters/filter_grid.h"

#include <algorithm>

namespace tarvo {

void FilterGrid::Resize(int stations, int levels) {
  StationCount = std::max(stations, 0);
  LevelCount = std::max(levels, 0);
  Stations.assign(static_cast<std::size_t>(StationCount), 0.0f);
  Spacing.assign(static_cast<std::size_t>(LevelCount), 0.0f);
  MN.assign(static_cast<std::size_t>(LevelCount), 0.0f);
  Cells.assign(static_cast<std::size_t>(StationCount) * static_cast<std::size_t>(LevelCount), EmptyCellValue);
}

void FilterGrid::ShapeLike(const FilterGrid& other) {
  StationCount = other.StationCount;
  LevelCount = other.LevelCount;
  Stations = other.Stations;
  Spacing = other.Spacing;
  MN = other.MN;
  Cells.assign(other.Cells.size(), EmptyCellValue);
}

FilterGrid FilterGridFrom(const ValueGrid& grid, const GridDescriptor& descriptor) {
  FilterGrid g;
  g.Resize(std::clamp(descriptor.StationCount, 0, MaxStations), std::clamp(descriptor.LevelCount, 0, MaxLevels));
  for (int s = 1; s <= g.StationCount; ++s) g.Stations[static_cast<std::size_t>(s - 1)] = descriptor.Stations[s];
  for (int l = 1; l <= g.LevelCount; ++l) {
    g.Spacing[static_cast<std::size_t>(l - 1)] = descriptor.Spacing[l];
    g.MN[static_cast<std::size_t>(l - 1)] = descriptor.MN[l];
  }
  for (int s = 1; s <= g.StationCount; ++s) {
    const float* column = grid.Station(s);
    std::copy_n(column, g.LevelCount, g.Cells.begin() + static_cast<std::ptrdiff_t>(g.Index(s, 1)));
  }
  return g;
}

bool ToValueGrid(const FilterGrid& grid, ValueGrid& out, GridDescriptor& descriptor) {
  if (grid.StationCount > MaxStations || grid.LevelCount > MaxLevels) return false;
  out.Shape(grid.StationCount, grid.LevelCount);
  descriptor.StationCount = grid.StationCount;
  descriptor.LevelCount = grid.LevelCount;
  for (int s = 1; s <= grid.StationCount; ++s) descriptor.Stations[s] = grid.Stations[static_cast<std::size_t>(s - 1)];
  for (int l = 1; l <= grid.LevelCount; ++l) {
    descriptor.Spacing[l] = grid.Spacing[static_cast<std::size_t>(l - 1)];
    descriptor.MN[l] = grid.MN[static_cast<std::size_t>(l - 1)];
  }
  for (int s = 1; s <= grid.StationCount; ++s) {
    std::copy_n(grid.Cells.begin() + static_cast<std::ptrdiff_t>(grid.Index(s, 1)), grid.LevelCount, out.Station(s));
  }
  return true;
}

FilterGrid GapFilled(const FilterGrid& grid, bool logarithmic, double unitSpacing, const GridSettings& settings) {
  ValueGrid cells;
  ValueGrid raw;
  GridDescriptor descriptor;
  if (!ToValueGrid(grid, cells, descriptor)) return grid;
  if (logarithmic) {
    FillGapsLog(cells, raw, descriptor, unitSpacing, settings);
  } else {
    FillGapsLinear(cells, raw, descriptor, unitSpacing, settings);
  }
  FilterGrid filled = grid;
  for (int s = 1; s <= grid.StationCount; ++s) {
    std::copy_n(cells.Station(s), grid.LevelCount, filled.Cells.begin() + static_cast<std::ptrdiff_t>(grid.Index(s, 1)));
  }
  return filled;
}

bool ToPanelGrids(const FilterGrid& grid, bool logarithmic, double unitSpacing, const GridSettings& settings,
                  ValueGrid& values, ValueGrid& raw, GridDescriptor& descriptor) {
  if (!ToValueGrid(grid, values, descriptor)) return false;
  if (logarithmic) {
    FillGapsLog(values, raw, descriptor, unitSpacing, settings);
  } else {
    FillGapsLinear(values, raw, descriptor, unitSpacing, settings);
  }
  return true;
}

}  // namespace tarvo
