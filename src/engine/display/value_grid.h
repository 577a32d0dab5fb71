#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/capacities.h"
#include "engine/core/dataset.h"
#include "engine/core/tables.h"

// Value grids of the pseudosection: the apparent resistivity or chargeability
// of selected sets on a station x level grid, with empty rows and columns
// dropped and short gaps filled by interpolation.
namespace tarvo {

// Marker of an empty cell.
inline constexpr float EmptyCellValue = -2e14f;

// A cell is empty when its value is not above this limit; -1e15, which some
// windows store, is equally empty. NaN is not above it either, so a value that
// could not be computed never counts as data.
inline constexpr double EmptyCellLimit = -1e14;

inline bool IsEmptyCell(float v) { return !(v > EmptyCellLimit); }

// A heap table of cells indexed [station][level] from 1, sized to the
// stations and levels in use (at most MaxStations x MaxLevels). Shape sets
// the size; its storage is kept and reused, so a grid rebuilt at the same or
// a smaller size allocates nothing. The cells of one station are contiguous,
// Stride() apart. Writing a cell outside the shape widens the shape to it
// (keeping the cells), so a table can also be filled cell by cell; reading
// outside the shape gives the initial value.
template <class T>
class StationLevelTable {
public:
  explicit StationLevelTable(T initial = T{}) : initial_(initial) {}

  StationLevelTable(const StationLevelTable&) = delete;
  StationLevelTable& operator=(const StationLevelTable&) = delete;
  StationLevelTable(StationLevelTable&&) noexcept = default;
  StationLevelTable& operator=(StationLevelTable&&) noexcept = default;

  int StationCount() const { return stations_; }
  int LevelCount() const { return levels_; }
  int Stride() const { return levels_; }
  std::size_t CellCount() const { return static_cast<std::size_t>(stations_) * static_cast<std::size_t>(levels_); }

  // Makes the table stations x levels with every cell the initial value.
  void Shape(int stations, int levels) {
    stations_ = std::clamp(stations, 0, MaxStations);
    levels_ = std::clamp(levels, 0, MaxLevels);
    cells_.assign(CellCount(), initial_);
  }

  // Widens the table to at least stations x levels, keeping every cell.
  void Widen(int stations, int levels) {
    stations = std::clamp(stations, stations_, MaxStations);
    levels = std::clamp(levels, levels_, MaxLevels);
    if (stations == stations_ && levels == levels_) return;
    std::vector<T> wider(static_cast<std::size_t>(stations) * static_cast<std::size_t>(levels), initial_);
    for (int i = 0; i < stations_; ++i) {
      std::copy_n(cells_.data() + static_cast<std::size_t>(i) * levels_, levels_,
                  wider.data() + static_cast<std::size_t>(i) * levels);
    }
    cells_.swap(wider);
    stations_ = stations;
    levels_ = levels;
  }

  T& operator()(int station, int level) {
    if (station > stations_ || level > levels_) Widen(std::max(station, stations_), std::max(level, levels_));
    return cells_[Index(station, level)];
  }
  const T& operator()(int station, int level) const {
    if (station > stations_ || level > levels_) return initial_;
    return cells_[Index(station, level)];
  }

  void Fill(T value) { std::fill(cells_.begin(), cells_.end(), value); }

  // The other table's shape and cells, in one block copy.
  void CopyFrom(const StationLevelTable& other) {
    stations_ = other.stations_;
    levels_ = other.levels_;
    cells_.assign(other.cells_.begin(), other.cells_.end());
  }

  // The Stride() cells of one station, level 1 first.
  T* Station(int station) { return cells_.data() + Offset(station); }
  const T* Station(int station) const { return cells_.data() + Offset(station); }

private:
  std::size_t Offset(int station) const {
    assert(station >= 1 && station <= std::max(stations_, 1));
    return static_cast<std::size_t>(station - 1) * static_cast<std::size_t>(levels_);
  }
  std::size_t Index(int station, int level) const {
    assert(station >= 1 && station <= stations_);
    assert(level >= 1 && level <= levels_);
    return Offset(station) + static_cast<std::size_t>(level - 1);
  }

  std::vector<T> cells_;
  int stations_ = 0;
  int levels_ = 0;
  T initial_;
};

// Resistivity or chargeability per cell; a new grid is all empty.
class ValueGrid : public StationLevelTable<float> {
public:
  ValueGrid() : StationLevelTable<float>(EmptyCellValue) {}
};

static_assert(MaxPoints <= 0x7FFFFFFF, "point indices must fit the index map's cells");

// For each cell the index of the data point that first filled it; 0 for a
// cell that no point filled (empty, or filled by interpolation).
class PointIndexMap : public StationLevelTable<std::uint32_t> {
public:
  PointIndexMap() : StationLevelTable<std::uint32_t>(0) {}
};

// Counts and coordinates of a value grid; they travel with the grid and are
// compacted with it.
struct GridDescriptor {
  int StationCount = 0;
  int LevelCount = 0;
  BoundedTable<float, MaxStations> Stations;  // station coordinates
  BoundedTable<float, MaxLevels> Spacing;     // spacing value of each level
  BoundedTable<float, MaxLevels> MN;          // MN value of each level
};

// Engine-side settings of gap filling.
struct GridSettings {
  // Window of the first pass along each level, in unit electrode spacings:
  // 1, 2 or 3 (other values are taken as the nearest of these).
  int InterpolationWidth = 1;
};

// Builds the grid of the selected sets: setSelector -1 (any negative value)
// takes every set of the given array type, b >= 0 takes set b + 1 alone
// whatever its type, and a b beyond the last set takes none. The value
// is Rho, or IP when `chargeability` is on; points that are bad never enter.
// Two points on one cell give their geometric mean (resistivity) or their
// mean (chargeability). When indexMap is given it receives the first point of
// each cell. On return the grid is compacted and gap-filled, raw holds the
// compacted grid before gap filling, and the descriptor its counts and
// coordinates.
void BuildGrid(const TDataset& ds, const GridSettings& settings, ValueGrid& grid, ValueGrid& raw, int arrayType,
               int setSelector, GridDescriptor& descriptor, bool chargeability, PointIndexMap* indexMap);

// Removes levels, then stations, whose cells are all empty, moving the later
// ones down (coordinates, cells and, when given, the index map). A dataset of
// exactly one set is left as it is.
void CompactGrid(const TDataset& ds, ValueGrid& grid, GridDescriptor& descriptor, PointIndexMap* indexMap);

// Copies the grid into raw, then fills its gaps: along each level within
// InterpolationWidth unit spacings, along each station within two, along each
// level again within one. Resistivity interpolates the logarithm of the value
// (against the station coordinate along a level, against the logarithm of the
// spacing along a station); only positive values count as neighbours.
// unitSpacing is the unit electrode spacing (UnitElectrodeSpacing). Two
// neighbours within 0.01 of each other, or a zero or negative spacing in the
// logarithmic interpolation along a station, give no interpolation: those
// cells stay as they are.
void FillGapsLog(ValueGrid& grid, ValueGrid& raw, const GridDescriptor& descriptor, double unitSpacing,
                 const GridSettings& settings);

// As FillGapsLog for chargeability: linear interpolation in the station
// coordinate and in the spacing value; every non-empty value is a neighbour.
void FillGapsLinear(ValueGrid& grid, ValueGrid& raw, const GridDescriptor& descriptor, double unitSpacing,
                    const GridSettings& settings);

}  // namespace tarvo
