#pragma once

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/tolerance_index.h"

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
// quadripole of an earlier file of the same array type. Points are grouped
// by level and station first, so the cost grows as n log n.
void MarkRepeatedQuadripoles(TDataset& ds);

// Merges measurements repeated between sets of one array type: the later
// point takes the geometric mean, the earlier one is rejected (Q 100). As
// MarkRepeatedQuadripoles, by groups of one level and station.
void MergeRepeatedMeasurements(TDataset& ds);

// The same two rules as plain scans over every pair of sets, which define
// them; the grouped forms above give the same result and fall back to these
// for sets that do not partition the points in order.
void MarkRepeatedQuadripolesByScan(TDataset& ds);
void MergeRepeatedMeasurementsByScan(TDataset& ds);

// 1-based index of the electrode position at x, 0 when there is none or x is
// an absent electrode.
int ElectrodeIndexOf(const TDataset& ds, double x);

// ElectrodeIndexOf for many abscissas: the positions are indexed once and
// each abscissa is then found in logarithmic time with the same answer (the
// first position ApproxEqual to it). The positions must not change while the
// index is in use.
class ElectrodeIndex {
public:
  explicit ElectrodeIndex(const TDataset& ds);
  int Of(double x) const;

private:
  ToleranceIndex positions_;
};

}  // namespace tarvo
