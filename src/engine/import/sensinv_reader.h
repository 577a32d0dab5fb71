#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of the SensInv2D input: the data file chosen by the operator (".ui"
// voltage and current, ".ars" apparent resistivity, anything else such as
// ".imp" resistance) with its two companions of the same base name, the
// electrode geometry (".gem": number, x, elevation) and the electrode
// configurations (".sen": electrode count, then the numbers of A, B, M, N;
// B is left out of three-electrode lines and written negative otherwise).
namespace tarvo {

// Reads the file of `source` and its companions into `ds` (read_result.h),
// one set per array type numbered from source.firstSet + 1. On success
// DataKind is 3.5 (".ui") or 5, PointCount and SetCount count what this
// file brought. A refused file has been told to the operator.
bool ReadSensInv(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

}  // namespace tarvo
