#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// The multichannel optimiser: turns a sequence of quadripoles into the
// readings a multichannel instrument makes. One reading is one injection of
// current between A and B during which the instrument measures up to N
// potential dipoles, and those dipoles must form one chain of consecutive
// potential electrodes running one way along the cable: M1-M2, M2-M3, ...
// (docs/SEQUENCES.md describes the model). The optimiser groups the dipoles
// of every current pair into as few chains as it can, bridges a gap in a
// chain with a dummy dipole where that saves a reading, and orders the
// readings so that an electrode rests after it has carried current.
namespace tarvo {

inline constexpr int MinOptimiserChannels = 1;
inline constexpr int MaxOptimiserChannels = 20;
inline constexpr int DefaultOptimiserChannels = 10;
inline constexpr int DefaultRestReadings = 2;
inline constexpr int MaxRestReadings = 50;

struct OptimiserOptions {
  int channels = DefaultOptimiserChannels;  // N: dipoles one reading can measure
  // Readings after an injection in which its current electrodes should not
  // be potential electrodes.
  int rest = DefaultRestReadings;
  // "Allow optimal insertion of dummy quadripoles": a gap in a chain may be
  // bridged by a dipole nobody asked for, and only where that saves a reading.
  bool allowDummies = true;
  // "Allow sorting of the quadripole before optomization": the quadripoles of
  // a current pair are gathered from the whole sequence and the readings are
  // reordered for the rest of the electrodes. Without it the sequence order
  // stays: only consecutive quadripoles of one current pair share readings,
  // and the readings follow the sequence.
  bool allowSorting = true;
};

// One potential dipole of a reading.
struct ReadingDipole {
  int M = 0;
  int N = 0;
  int source = -1;  // index (from 0) of the requested quadripole; -1 for a dummy dipole
  bool IsDummy() const { return source < 0; }
  bool operator==(const ReadingDipole&) const = default;
};

// One reading: current between A and B, the dipoles in chain order. A
// quadripole whose current runs the other way (B, A) is measured as its
// equivalent with both pairs exchanged (B A N M): the same potential
// difference and the same geometric factor.
struct ChannelReading {
  int A = 0;
  int B = 0;
  std::vector<ReadingDipole> dipoles;
};

struct OptimisedSequence {
  std::vector<ChannelReading> readings;  // in measuring order
  int quadripoles = 0;   // requested quadripoles, each measured once
  int injections = 0;    // readings
  int dummyDipoles = 0;  // dipoles measured only to keep a chain
  int conflicts = 0;     // readings that use an electrode that carried current in one of the `rest` readings before
  int lowerBound = 0;    // sum over the current pairs of ceil(dipoles / channels)
};

// Receives (done, total) as the work advances.
using OptimiserProgress = std::function<void(int done, int total)>;

// Optimises the quadripoles for a multichannel instrument. Pure: depends on
// its arguments only. The channel count is held to 1..20 and the rest to
// 0..MaxRestReadings. Every quadripole of `quads` is measured by exactly one dipole of
// one reading.
OptimisedSequence OptimiseReadings(const std::vector<TQuadripole>& quads, const OptimiserOptions& options,
                                   const OptimiserProgress& progress = {});

// Sum over the current pairs (either way round) of ceil(quadripoles / channels):
// no grouping needs fewer readings.
int ReadingLowerBound(const std::vector<TQuadripole>& quads, int channels);

// A sharper bound under the chain rule: for every current pair and way
// along the cable, the larger of ceil(dipoles / channels) and the most
// dipoles that overlap at one place (no chain holds two of them), plus one
// reading for every dipole that cannot be part of a chain.
int ChainLowerBound(const std::vector<TQuadripole>& quads, int channels);

// The readings, in order, that use as a potential electrode an electrode
// that carried current in one of the `rest` readings before them.
int RestConflicts(const std::vector<ChannelReading>& readings, int rest);

// How the instrument splits a written list of quadripoles into readings: a
// record joins the reading of the record before it when it has the same A
// and B, its M is that record's N, it runs the same way along the cable and
// the reading has fewer than `channels` dipoles. Gives the reading (from 0)
// of every record.
std::vector<int> InstrumentReadings(const std::vector<TQuadripole>& records, int channels);

// The records to write, reading after reading: each real dipole keeps the
// flag and geometric factor of its quadripole; a dummy dipole gets flag 1
// and the factor `dummyFactor` gives it.
std::vector<TQuadripole> OptimisedRecords(const OptimisedSequence& result, const std::vector<TQuadripole>& quads,
                                          const std::function<float(const TQuadripole&)>& dummyFactor);

// The record numbers (from 1) of the dummy dipoles among OptimisedRecords.
std::vector<int> DummyRecordNumbers(const OptimisedSequence& result);

// One line per reading in measuring order, as the window lists them:
// "A a B b m-n m-n ...", a dummy dipole in brackets "(m-n)".
std::vector<std::string> ReadingLines(const OptimisedSequence& result);

// "Quadripoles - q  Injections - i  Dummy dipoles - d  Conflicts - c  Lower bound - b"
std::string OptimiserCountsText(const OptimisedSequence& result);

// The quadripoles of the last sequence of the dataset, as the injection
// list counts them.
std::vector<TQuadripole> OptimiserQuadripoles(const TDataset& ds);

// The geometric factor of a quadripole on the dataset's layout (the
// abscissas of its electrodes); 0 when the geometry has none.
float LayoutGeometricFactor(const TDataset& ds, const TQuadripole& q);

// Largest number of records a sequence file can hold.
inline constexpr int MaxSequenceRecords = 32767;

// Puts the records in the place of the dataset's quadripoles (the whole
// list, as a sequence) while `write` runs, then puts back the quadripoles,
// the sequence header, the document type and FileName, also when `write`
// throws. Meant for the writers of sequence files with the callers that
// write every quadripole (Merge for Syscal, no sender for ElectreII). False,
// without running `write`, for an empty list or one longer than
// MaxSequenceRecords.
bool WithOptimisedSequence(TDataset& ds, const std::vector<TQuadripole>& records, const std::function<void()>& write);

// The sequence files an optimised sequence is written as.
enum class OptimisedFormat {
  Syscal,     // ".seq"
  ElectreII,  // ".txt"
};

// The format a file name asks for by its extension (either case); nothing
// for another extension.
std::optional<OptimisedFormat> OptimisedFormatOf(const std::string& path);

// Writes the records to `path` with the sequence writers: as a Syscal
// sequence (the title taken from the file name, an existing file kept as a
// backup) or as ElectreII text with `extraDigits` for the electrode
// abscissas. The dataset's quadripoles, headers and FileName are as before
// afterwards; the writers apply a pending x shift to the layout as they
// always do. False, after telling the operator, when nothing was written.
bool WriteOptimisedSequence(TDataset& ds, const std::vector<TQuadripole>& records, OptimisedFormat format,
                            const std::string& path, int extraDigits, Messenger& messenger);

}  // namespace tarvo
