#pragma once

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// What the data tell about the electrode layout: the electrode positions the
// survey used, the instrument electrode at each position, one set per array
// type for text files, and quadripoles or measurements repeated between sets.
namespace tarvo {

// The analysis after every read and geometry edit: stations and levels,
// each point's station and level, the electrode positions and numbers.
void AnalyseLayout(TDataset& ds, Messenger& messenger);

// Instrument electrode number at each electrode position, when all sets come
// from one instrument sequence.
void AssignElectrodeNumbers(TDataset& ds);

// After a text reader's last point: builds the electrode (x, z) list, unifies
// mixed array types, groups the points by type and creates one set per type,
// numbered from firstSet + 1. Returns false, after telling the operator, when
// the sets would exceed their capacity.
bool GroupTextPoints(TDataset& ds, int firstSet, Messenger& messenger);

// Marks (Q 254) the quadripoles of a multi-file sequence that repeat a
// quadripole of an earlier file of the same array type.
void MarkRepeatedQuadripoles(TDataset& ds);

// Merges measurements repeated between sets of one array type: the later
// point takes the geometric mean, the earlier one is rejected (Q 100).
void MergeRepeatedMeasurements(TDataset& ds);

// 1-based index of the electrode position at x, 0 when there is none or x is
// an absent electrode.
int ElectrodeIndexOf(const TDataset& ds, double x);

}  // namespace tarvo
