#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/display/value_grid.h"
#include "engine/filters/filter_grid.h"

// The set a median filter works on, its grid, and the results taken back
// into the dataset.
namespace tarvo {

// The set-list entry (0-based) the filters take: the selected entry, or the
// last when none is selected; -1 when the data are not measured (a sequence,
// nothing loaded) or the entry names no set.
int FilterSetEntry(const TDataset& ds);

// The set's name as the first panel's title: the entry's text up to its
// first "." or, without one, up to its first " "; the first 8 characters
// when that would leave nothing.
std::string FilterSetName(std::string_view entryText);

struct FilterSetGrid {
  int Entry = -1;        // set-list entry; the set is Entry + 1
  std::string Name;      // panel 1's title
  int ArrayType = 0;     // the set's array type
  bool Chargeability = false;
  FilterGrid Grid;       // the set's gap-filled grid (apparent resistivity or chargeability)
  FilterGrid Raw;        // the same before gap filling: the measured cells only
  // The cell of every point of the set that entered the grid, -1 for the
  // others (bad points, points of other sets): [point - 1].
  std::vector<long> CellOfPoint;
};

// Builds the grid of set-list entry `entry` (BuildGrid of that set alone).
// False when the entry names no set or the data are not measured, or, for
// chargeability, hold none.
bool BuildFilterSetGrid(const TDataset& ds, const GridSettings& settings, bool chargeability, int entry,
                        FilterSetGrid& out);

// "Replace original data": every point of the set in a cell that holds data
// takes the cell's value of `values` (a grid of the same extent) as its
// apparent resistivity (only positive values) or chargeability (any value
// that is not empty). Every point of a shared cell takes it, not only the
// first. Returns the number of points changed.
int WriteBackFiltered(TDataset& ds, const FilterSetGrid& set, const FilterGrid& values);

}  // namespace tarvo
