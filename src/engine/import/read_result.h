#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/import/read_environment.h"

// The contract between the open command and a reader. A reader is given the
// name of its file and fills a dataset of its own, which the open command
// seeded from the live one (the headers, electrodes, memo and settings the
// reader builds on and, for Append, the sets already there); it returns
// whether it read the file. It never sees the live dataset, so a refused
// file needs no undoing: the open command alone commits what was read
// (CommitRead) or drops it.
namespace tarvo {

// What a reader is asked to read.
struct ReadSource {
  std::string fileName;
  // Sets the dataset already holds: a text reader numbers its own sets from
  // firstSet + 1.
  int firstSet = 0;
  // What an instrument reader reads the file as (the other readers ignore it).
  InstrumentFormat format = InstrumentFormat::ByName;
};

// A reader fills `into` from the file of `source`. True when it read the
// file; false when it refused it, after telling the operator (what it left
// in `into` is then dropped unseen).
using ReaderFunction = bool (*)(const ReadSource& source, TDataset& into, ReadEnvironment& env);
using FileReader = std::function<bool(const ReadSource& source, TDataset& into, ReadEnvironment& env)>;

// What one reader call gave: the dataset it filled, whether it read the
// file, and the texts it told the operator, in their order.
struct ReadResult {
  TDataset data;
  bool read = false;
  std::vector<std::string> messages;
};

// Runs `reader` on a dataset seeded from `live` (a copy of it without its
// points, which every reader makes anew, and without its observers: no window
// hears of a read before it is committed). `live` is not changed. The
// messages still reach the operator through env as they are given.
ReadResult RunReader(const FileReader& reader, const ReadSource& source, const TDataset& live, ReadEnvironment& env);

// Makes what a reader read the live dataset; the live dataset's observers stay.
void CommitRead(TDataset& live, ReadResult&& result);

// What a refused instrument file leaves in the live dataset: nothing loaded
// (DataKind 0; no points, quadripoles, raw records, sets or time steps; no
// IP, SP or error estimates).
void LeaveNothingLoaded(TDataset& ds);

// One file read as the open command reads it, for callers that need no
// merge: on success the result is committed; a refused file leaves `ds` as
// it was, with nothing loaded (LeaveNothingLoaded). Returns whether the
// file was read.
bool ReadIntoDataset(TDataset& ds, const FileReader& reader, const ReadSource& source, ReadEnvironment& env);

}  // namespace tarvo
