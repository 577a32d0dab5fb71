#pragma once

#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/import/read_result.h"

// Reader of the Res2dInv data format: the standard arrays given by a spacing
// and a factor n, the general array with explicit electrode coordinates
// (apparent resistivities or resistances), chargeability, error estimates,
// the positions of remote electrodes, a time-lapse block and a topography
// block. What follows the data and the topography is not read.
namespace tarvo {

// The lines of a Res2dInv file and the place reached in them.
struct Res2dInvText {
  std::vector<std::string> lines;
  int next = 0;  // 0-based index of the next line to take

  bool AtEnd() const { return next >= static_cast<int>(lines.size()); }
  // 1-based number of the line Take() returns next.
  int NextLineNumber() const { return next + 1; }
  // The next line without its line end; nullptr at the end of the file.
  const std::string* Take() { return AtEnd() ? nullptr : &lines[static_cast<std::size_t>(next++)]; }
  const std::string* Peek() const { return AtEnd() ? nullptr : &lines[static_cast<std::size_t>(next)]; }
};

// Reads the file of `source` into `ds` (read_result.h). The reader numbers
// its sets from source.firstSet + 1 and leaves SetCount and PointCount at
// what it created; success is DataKind 5. A refused file has been told to
// the operator.
bool ReadRes2dInv(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

// Reads the time-lapse block that stands in place of the first data line:
// TimeSetCount and TimeSetTimes. A time that cannot be read is only
// reported; returns false, after telling the operator, when the number of
// time steps is unreadable or beyond MaxTimeSteps (the rest of the file
// cannot then be found).
bool ReadTimeLapseHeader(TDataset& ds, Res2dInvText& text, int dataIndex, Messenger& messenger);

// Reads the general-array data lines into Points 1..PointCount (already
// allocated), classifies each point and groups the points into one set per
// array type from firstSet + 1. With `resistances` the values are measured
// resistances, made apparent resistivities with the geometric factor of
// their electrodes. A section title in place of a data line ends the data
// with the points before it. Returns false after telling the operator.
bool ReadGeneralArray(TDataset& ds, int firstSet, Res2dInvText& text, Messenger& messenger,
                      bool resistances = false);

// Makes one copy of the points and sets per time step of a time-lapse file;
// copy t takes its resistivities from window t of M. When the copies would
// not fit in the tables the operator is warned and the data stay as one
// time step (TimeSetCount 0). Nothing happens when TimeSetCount is 0.
void ExpandTimeLapse(TDataset& ds, int firstSet, Messenger& messenger);

}  // namespace tarvo
