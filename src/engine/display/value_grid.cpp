#include "engine/display/value_grid.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"

namespace tarvo {

namespace {

// Smallest resistivity that serves as a neighbour in gap filling.
constexpr double MinUsableResistivity = 1e-8;

int ClampedCount(int count, int capacity) { return std::clamp(count, 0, capacity); }

// One row (a level) or column (a station) of a grid with the coordinate of
// each of its cells: station coordinates along a level, spacing values along
// a station.
struct GridLine {
  float* cells;           // cell 1
  std::ptrdiff_t stride;  // distance between adjacent cells
  const float* coords;    // coordinate of cell 1
  int count;

  float& operator[](int k) const { return cells[static_cast<std::ptrdiff_t>(k - 1) * stride]; }
  double Coord(int k) const { return coords[k - 1]; }
};

// The coordinates of a line must be contiguous: the descriptor's tables
// keep their entries in separate blocks, so they are copied out once.
template <class Table>
std::vector<float> Contiguous(const Table& table, int count) {
  std::vector<float> v(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) v[static_cast<std::size_t>(i - 1)] = table[i];
  return v;
}

GridLine LevelLine(ValueGrid& grid, const std::vector<float>& stationCoords, int level) {
  return {grid.Station(1) + (level - 1), grid.Stride(), stationCoords.data(), static_cast<int>(stationCoords.size())};
}

GridLine StationLine(ValueGrid& grid, const std::vector<float>& spacingCoords, int station) {
  return {grid.Station(station), 1, spacingCoords.data(), static_cast<int>(spacingCoords.size())};
}

enum class Interpolation {
  LogAlongLevel,    // ln v linear in the station coordinate
  LogAlongStation,  // ln v linear in ln s
  Linear,           // v linear in the coordinate
};

bool IsUsable(float v, bool resistivity) {
  return resistivity ? static_cast<double>(v) >= MinUsableResistivity : !IsEmptyCell(v);
}

// Overwrites the cells strictly between `left` and `right` by interpolation
// between those two. Neighbours at (almost) the same coordinate give no
// slope, and the cells are then left as they are.
void Interpolate(const GridLine& line, int left, int right, Interpolation how) {
  const double pL = line.Coord(left);
  const double pR = line.Coord(right);
  if (ApproxEqual(pL, pR)) return;
  const double vL = line[left];
  const double vR = line[right];

  switch (how) {
    case Interpolation::LogAlongLevel: {
      const double slope = std::log(vR / vL) / (pR - pL);
      const double logL = std::log(vL);
      for (int t = left + 1; t < right; ++t) {
        line[t] = static_cast<float>(std::exp(logL + slope * (line.Coord(t) - pL)));
      }
      break;
    }
    case Interpolation::LogAlongStation: {
      // The logarithm of a zero or negative spacing does not exist (a
      // three-electrode point whose dipole centre lies on its current pole
      // has spacing 0): such a column is not interpolated at all.
      if (pL <= 0 || pR <= 0) return;
      for (int t = left + 1; t < right; ++t) {
        if (line.Coord(t) <= 0) return;
      }
      const double slope = std::log(vR / vL) / std::log(pR / pL);
      const double logL = std::log(vL);
      for (int t = left + 1; t < right; ++t) {
        line[t] = static_cast<float>(std::exp(logL + std::log(line.Coord(t) / pL) * slope));
      }
      break;
    }
    case Interpolation::Linear: {
      const double slope = (vR - vL) / (pR - pL);
      for (int t = left + 1; t < right; ++t) {
        line[t] = static_cast<float>(vL + slope * (line.Coord(t) - pL));
      }
      break;
    }
  }
}

// Fills the gaps of one line. From each empty inner cell the search walks
// outwards to the first usable cell; it gives up at the end of the line or at
// an unusable cell lying `window` or more away. With a neighbour on both
// sides everything between them is interpolated, unusable cells included.
// The first and last cells are never gaps but serve as neighbours.
void FillLine(const GridLine& line, double window, Interpolation how, bool resistivity) {
  for (int i = 2; i <= line.count - 1; ++i) {
    if (!IsEmptyCell(line[i])) continue;
    const double pi = line.Coord(i);

    int left = 0;
    for (int k = i - 1; k >= 1; --k) {
      if (IsUsable(line[k], resistivity)) {
        left = k;
        break;
      }
      if (std::fabs(line.Coord(k) - pi) >= window) break;
    }
    if (left == 0) continue;

    int right = 0;
    for (int k = i + 1; k <= line.count; ++k) {
      if (IsUsable(line[k], resistivity)) {
        right = k;
        break;
      }
      if (std::fabs(line.Coord(k) - pi) >= window) break;
    }
    if (right == 0) continue;

    Interpolate(line, left, right, how);
  }
}

void FillGaps(ValueGrid& grid, ValueGrid& raw, const GridDescriptor& d, double unitSpacing,
              const GridSettings& settings, bool resistivity) {
  const int stations = ClampedCount(d.StationCount, MaxStations);
  const int levels = ClampedCount(d.LevelCount, MaxLevels);
  grid.Widen(stations, levels);
  raw.CopyFrom(grid);
  const double width = std::clamp(settings.InterpolationWidth, 1, 3);
  const Interpolation alongLevel = resistivity ? Interpolation::LogAlongLevel : Interpolation::Linear;
  const Interpolation alongStation = resistivity ? Interpolation::LogAlongStation : Interpolation::Linear;

  const std::vector<float> stationCoords = Contiguous(d.Stations, stations);
  const std::vector<float> spacingCoords = Contiguous(d.Spacing, levels);
  for (int j = 1; j <= levels; ++j) {
    FillLine(LevelLine(grid, stationCoords, j), width * unitSpacing, alongLevel, resistivity);
  }
  for (int i = 1; i <= stations; ++i) {
    FillLine(StationLine(grid, spacingCoords, i), 2 * unitSpacing, alongStation, resistivity);
  }
  for (int j = 1; j <= levels; ++j) {
    FillLine(LevelLine(grid, stationCoords, j), unitSpacing, alongLevel, resistivity);
  }
}

// Enters the points first..last of one set.
void EnterSet(const TDataset& ds, const TSetEntry& set, ValueGrid& grid, int stations, int levels,
              bool chargeability, PointIndexMap* indexMap) {
  const int first = std::max(set.First, 1);
  const int last = std::min({set.Last, ds.PointCount, ds.Points.Size()});
  for (int k = first; k <= last; ++k) {
    if (IsBad(ds, k)) continue;
    const TDataPoint& p = ds.Points[k];
    if (p.Station < 1 || p.Station > stations || p.Level < 1 || p.Level > levels) continue;

    const double v = chargeability ? p.IP : p.Rho;
    float& c = grid(p.Station, p.Level);
    if (IsEmptyCell(c)) {
      c = static_cast<float>(v);
      if (indexMap != nullptr) (*indexMap)(p.Station, p.Level) = static_cast<std::uint32_t>(k);
    } else if (chargeability) {
      c = static_cast<float>((c + v) / 2);
    } else {
      c = static_cast<float>(std::sqrt(c * v));
    }
  }
}

}  // namespace

void BuildGrid(const TDataset& ds, const GridSettings& settings, ValueGrid& grid, ValueGrid& raw, int arrayType,
               int setSelector, GridDescriptor& descriptor, bool chargeability, PointIndexMap* indexMap) {
  const int stations = ClampedCount(ds.StationCount, MaxStations);
  const int levels = ClampedCount(ds.LevelCount, MaxLevels);

  // The grid is as large as the stations and levels in use. Cells no point
  // fills name no point, so that nothing is written back through a cell the
  // gap filling made up.
  grid.Shape(stations, levels);
  if (indexMap != nullptr) indexMap->Shape(stations, levels);

  const int setCount = ClampedCount(ds.SetCount, MaxSets);
  if (setSelector < 0) {
    for (int s = 1; s <= setCount; ++s) {
      if (ds.Sets[s].Type == arrayType) EnterSet(ds, ds.Sets[s], grid, stations, levels, chargeability, indexMap);
    }
  } else if (setSelector < setCount) {
    EnterSet(ds, ds.Sets[setSelector + 1], grid, stations, levels, chargeability, indexMap);
  }

  descriptor.StationCount = stations;
  descriptor.LevelCount = levels;
  descriptor.Stations = ds.Stations;
  descriptor.Spacing = ds.LevelSpacing;
  descriptor.MN = ds.LevelMN;

  CompactGrid(ds, grid, descriptor, indexMap);
  const double a = UnitElectrodeSpacing(ds);
  if (chargeability) {
    FillGapsLinear(grid, raw, descriptor, a, settings);
  } else {
    FillGapsLog(grid, raw, descriptor, a, settings);
  }
}

void CompactGrid(const TDataset& ds, ValueGrid& grid, GridDescriptor& d, PointIndexMap* indexMap) {
  if (ds.SetCount == 1) return;
  int stations = ClampedCount(d.StationCount, MaxStations);
  int levels = ClampedCount(d.LevelCount, MaxLevels);

  for (int j = levels; j >= 1; --j) {
    bool empty = true;
    for (int i = 1; i <= stations && empty; ++i) empty = IsEmptyCell(grid(i, j));
    if (!empty) continue;

    for (int k = j; k < levels; ++k) {
      d.Spacing[k] = d.Spacing[k + 1];
      d.MN[k] = d.MN[k + 1];
    }
    for (int i = 1; i <= stations; ++i) {
      float* cells = grid.Station(i);
      std::copy(cells + j, cells + levels, cells + j - 1);
      cells[levels - 1] = EmptyCellValue;
      if (indexMap != nullptr) {
        std::uint32_t* map = indexMap->Station(i);
        std::copy(map + j, map + levels, map + j - 1);
        map[levels - 1] = 0;
      }
    }
    --levels;
  }

  for (int i = stations; i >= 1; --i) {
    bool empty = true;
    for (int j = 1; j <= levels && empty; ++j) empty = IsEmptyCell(grid(i, j));
    if (!empty) continue;

    // Stations are contiguous blocks of cells: the later ones move down as one.
    const std::size_t stride = static_cast<std::size_t>(grid.Stride());
    const std::size_t moved = static_cast<std::size_t>(stations - i) * stride;
    for (int k = i; k < stations; ++k) d.Stations[k] = d.Stations[k + 1];
    if (moved > 0) {
      std::copy_n(grid.Station(i + 1), moved, grid.Station(i));
      if (indexMap != nullptr) std::copy_n(indexMap->Station(i + 1), moved, indexMap->Station(i));
    }
    std::fill_n(grid.Station(stations), stride, EmptyCellValue);
    if (indexMap != nullptr) std::fill_n(indexMap->Station(stations), stride, std::uint32_t{0});
    --stations;
  }

  d.StationCount = stations;
  d.LevelCount = levels;
}

void FillGapsLog(ValueGrid& grid, ValueGrid& raw, const GridDescriptor& descriptor, double unitSpacing,
                 const GridSettings& settings) {
  FillGaps(grid, raw, descriptor, unitSpacing, settings, true);
}

void FillGapsLinear(ValueGrid& grid, ValueGrid& raw, const GridDescriptor& descriptor, double unitSpacing,
                    const GridSettings& settings) {
  FillGaps(grid, raw, descriptor, unitSpacing, settings, false);
}

}  // namespace tarvo
