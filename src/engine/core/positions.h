#pragma once

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/tolerance_index.h"

// Stations and levels of the pseudosection: the distinct point abscissas and
// the distinct (spacing, MN) pairs of the whole dataset, and each point's
// index into them.
namespace tarvo {

// Rebuilds Stations, the level lists and LevelDupCount from every point in
// index order. The caller resets StationCount and LevelCount first. A full
// list is reported once per rebuild; points that do not fit fall on the last
// station or level.
void BuildStationAndLevelLists(TDataset& ds, Messenger& messenger);

// Sets point i's Station and Level: the first station ApproxEqual to its
// abscissa and the first level whose spacing and MN are ApproxEqual to its
// own; the last station or level when none is.
void FindStationAndLevel(TDataset& ds, int i);

// FindStationAndLevel for many points: the lists are indexed once, and each
// point is then found in logarithmic time with the same answer. The lists
// must not change while the lookup is in use.
class StationLevelLookup {
public:
  explicit StationLevelLookup(const TDataset& ds);
  void Find(TDataPoint& p) const;

private:
  ToleranceIndex stations_;
  ToleranceIndex levels_;
  const TDataset& ds_;
  // Answers by the exact abscissa and by the exact (spacing, MN) pair.
  mutable ExactMemo stationMemo_;
  mutable ExactMemo levelMemo_;
};

// Unit electrode spacing a: the distance between the two middle electrode
// positions (0 with fewer than two positions).
double UnitElectrodeSpacing(const TDataset& ds);

}  // namespace tarvo
