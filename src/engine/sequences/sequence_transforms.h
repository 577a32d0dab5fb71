#pragma once

#include <functional>
#include <string>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// Commands that rewrite the instrument sequence held in memory, or narrow the
// dataset for one write: exchanging electrodes within every quadripole,
// turning a forward pole-dipole sequence into a reverse one, renumbering a
// sequence onto a second 64-electrode cable, extracting one set and merging
// the sets into one sequence. The window (or tarvo-cli) runs the writers and
// the read-back around them.
namespace tarvo {

// Exchanges A and B in every quadripole 1..QuadCount; K changes sign.
void ExchangeAandB(TDataset& ds);

// Exchanges M and N in every quadripole 1..QuadCount; K changes sign.
void ExchangeMandN(TDataset& ds);

// The number (1..ElectrodeTotal) of the layout electrode whose X is nearest
// to x, the first one on ties; 0 when the layout is empty.
int NearestElectrode(const TDataset& ds, double x);

enum class MirrorOutcome {
  Skipped,           // several sets, or nothing to mirror: nothing changed
  NotAmnArray,       // apparent resistivities of another array; the operator has been warned
  SequenceMirrored,  // A, M and N mirrored and the layout analysed: write the Syscal file and read it back
  DataMirrored,      // point X mirrored, reverse pole-dipole: write the Res2dInv file and read it back
};

// Amn2mnB, the part in memory, run on the forward pole-dipole data the open
// command has just loaded. The mirror of x is xL - x + x1, with x1 and xL the
// first and last electrode positions. Quadripoles get for A, M and N the
// electrode nearest to the mirror of their electrode (B and K stay);
// apparent resistivities (DataKind 5) of a single forward pole-dipole set get
// their X mirrored and become reverse pole-dipole.
MirrorOutcome MirrorForwardPoleDipole(TDataset& ds, Messenger& messenger);

// Shift64: renumbers the sequence onto a second 64-electrode cable.
// ElectrodeTotal grows by 64, the layout electrodes are copied 64 entries up
// and every electrode number that is not 0 grows by 64. Refuses, telling the
// operator and changing nothing, when the layout would exceed MaxElectrodes;
// returns false then, and when there is no sequence.
bool ShiftOnto64(TDataset& ds, Messenger& messenger);

// Extract array: narrows the dataset to set k + 1 (k counted from 0) while
// `work` runs: one set, its points renumbered from 1, its array type. Then
// SetCount, PointCount, the points, set 1 and ArrayType are restored, also
// when `work` throws. An x shift the work applied to the narrowed points is
// applied to the restored ones too. Returns false, without running `work`,
// when k is outside 0..SetCount-1. Not for sequences (DataKind 2): those go
// through the ElectreII writer with ElectreSender::Extract.
bool WithExtractedSet(TDataset& ds, int k, const std::function<void()>& work);

// Merge SEQ and Merge TXT: builds the "merged" sequence from the data (old
// Syscal layout, FileName directory/merged.seq, title "merged", one layout
// electrode per electrode position, one quadripole per good, non-repeated
// point), runs `write`, then puts back the sequence header, the quadripoles,
// the layout electrodes, the document type and FileName. "Error by making
// Quadro" when the list made does not have the expected length (the list
// made is written). Returns false, without running `write`, when there is
// nothing to merge.
bool WithMergedSequence(TDataset& ds, const std::string& directory, Messenger& messenger,
                        const std::function<void()>& write);

}  // namespace tarvo
