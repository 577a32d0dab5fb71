#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of the unified data format of the open-source inversion programs:
// the number of electrodes, a "# x z" (or "# x y z") line naming the
// coordinate columns and one line per electrode; then the number of data, a
// "# a b m n ..." line naming the data columns and one line per datum with
// its electrodes by number (0 for a remote one) and its values. Text after
// "#" elsewhere is a comment.
namespace tarvo {

// Reads the file of `source` into `ds` (read_result.h). Apparent resistivities come from "rhoa", else from a
// resistance ("r", or "u" / "i") with the geometric factor ("k", or that of
// the electrodes); "err" becomes the point's error estimate, "ip" its
// chargeability, "u" and "i" its voltage and current (DataKind 3.5, else
// 5), "valid" 0 rejects it. The points are grouped into one set per array
// type from source.firstSet + 1. Electrodes off one line (both y and z used)
// are refused. A refused file has been told to the operator.
bool ReadUnifiedData(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

}  // namespace tarvo
