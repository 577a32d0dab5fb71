#pragma once

#include <string>

#include "engine/core/dataset.h"

// The one test that decides whether a data point takes part in grids, maps,
// soundings and exported files, and the convention for marking points
// deleted.
namespace tarvo {

// Value Q is exclusive-ored with to mark or unmark a point as deleted. The
// change is its own inverse; a measured Q of 0..100 lands in 153..253, above
// every error limit, and a planned (255) or repeated (254) sequence point
// drops below 253.
inline constexpr std::uint8_t DeletedMark = 253;

inline void ToggleDeletedMark(TDataPoint& p) { p.Q ^= DeletedMark; }

// Q values with a fixed meaning.
inline constexpr std::uint8_t QRejected = 100;  // measured point rejected by its reader
inline constexpr std::uint8_t QPlanned = 255;   // quadripole of a sequence
inline constexpr std::uint8_t QRepeated = 254;  // sequence quadripole repeating an earlier set's

// A point carries the deleted mark: a sequence point is planned (255) or
// repeated (254) unless marked; a measured quality code is at most 100
// (rejected) unless marked.
inline bool CarriesDeletedMark(const TDataset& ds, const TDataPoint& p) {
  if (ds.IsSequence()) return p.Q < DeletedMark;
  return p.Q > QRejected;
}

// The bad-point test of point i against the dataset's thresholds.
bool IsBad(const TDataset& ds, int i);

// Why point i is bad, by the first rule of IsBad that holds ("marked
// deleted", "q 5 > 1 %", ...); empty for a good point.
std::string BadPointReason(const TDataset& ds, int i);

// Recounts BadCount (for a sequence or measured data) and tells the views.
void CountBadPoints(TDataset& ds);

// Marks (state true) or unmarks (state false) the points of one level whose
// bad state differs from `state`, then recounts.
void ToggleLevelPoints(TDataset& ds, int level, bool state);

}  // namespace tarvo
