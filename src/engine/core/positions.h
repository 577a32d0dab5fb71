#pragma once

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// Stations and levels of the pseudosection: the distinct point abscissas and
// the distinct (spacing, MN) pairs of the whole dataset, and each point's
// index into them.
namespace tarvo {

// Rebuilds Stations, the level lists and LevelDupCount from every point in
// index order. The caller resets StationCount and LevelCount first. A full
// list is reported once per rebuild; points that do not fit fall on the last
// station or level.
void BuildStationAndLevelLists(TDataset& ds, Messenger& messenger);

// Sets point i's Station and Level.
void FindStationAndLevel(TDataset& ds, int i);

// Unit electrode spacing a: the distance between the two middle electrode
// positions (0 with fewer than two positions).
double UnitElectrodeSpacing(const TDataset& ds);

}  // namespace tarvo
