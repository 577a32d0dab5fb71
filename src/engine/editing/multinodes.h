#pragma once

#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// Multinodes: the switching units of a multi-electrode cable, each serving
// L consecutive cable numbers (L = 16, 24 or 8). Cable number c belongs to
// multinode (c + L - 1) div L. Moving a multinode to another place of the
// cable, or turning it round, renumbers the electrodes of the sequence.
namespace tarvo {

// Multinodes the list keeps, in order of first use along the line.
inline constexpr int MaxMultinodes = 20;

// The segment lengths of the "Segments length " radio group, by item.
inline constexpr int SegmentLengths[] = {16, 24, 8};

struct TMultinode {
  int Number = 0;         // multinode number, 1-based along the cable
  bool Reversed = false;  // its electrodes run against the line
  bool operator==(const TMultinode&) const = default;
};

using TMultinodeList = std::vector<TMultinode>;

// The multinode of cable number c.
inline int MultinodeOf(int c, int segmentLength) { return (c + segmentLength - 1) / segmentLength; }

// The "Multinodes" tab suits one instrument sequence whose electrode
// numbers are known; renumbering needs a sequence without measurements.
bool MultinodesShown(const TDataset& ds);
bool RenumberAllowed(const TDataset& ds);

// Walks the electrode positions in order: each multinode met for the first
// time joins the list (at most MaxMultinodes); a multinode whose last
// electrode along the line has a smaller number than its first is reversed.
// Empty when the electrode numbers are not known.
TMultinodeList AnalyseMultinodes(const TDataset& ds, int segmentLength);

// "1-2R-3": the numbers joined with "-", each followed by "R" when reversed.
std::string MultinodeListText(const TMultinodeList& list);

// The texts of the tab: "Number of used electrodes: n", "Number of
// multinodes: n", "Used multinodes: ..." (or the notice that the analysis
// is impossible without electrode numbers).
struct MultinodeLabels {
  std::string usedElectrodes;
  std::string multinodeCount;
  std::string usedMultinodes;
};
MultinodeLabels MultinodeLabelTexts(const TDataset& ds, const TMultinodeList& list);

// Item p (1-based) of " New multinode number ": "p | a-b", a = (p-1)L+1,
// b = pL; there are 32 items for L = 8, else 16.
std::vector<std::string> NewMultinodeItems(int segmentLength);
// Tab of the multinode numbered m: "a-b".
std::string MultinodeTabText(int number, int segmentLength);
// The button: "Make SEQ for \"1-2R-3\"".
std::string RenumberButtonText(const TMultinodeList& newList);

// Renumbers the electrodes of the sequence from `list` to `newList` (same
// length, entry by entry): cable number c of multinode m, now m', becomes
// (m' - m)L + c, mirrored inside its multinode when the reversed flag
// changed. The quadripoles and the electrode list take the new numbers; the
// layout is rebuilt for numbers 1 .. the largest new number: the electrodes
// at their positions (keeping their altitudes), numbers before the first
// continuing the spacing of the first two electrodes backwards, unused
// numbers between the first and last out of the line (X 0, Y = the number).
// Nothing happens (false) when two entries share a number, when nothing
// changes, when the conditions do not hold, or, after telling the operator,
// when a new number passes the layout's capacity.
bool RenumberMultinodes(TDataset& ds, int segmentLength, const TMultinodeList& list, const TMultinodeList& newList,
                        Messenger& messenger);

}  // namespace tarvo
