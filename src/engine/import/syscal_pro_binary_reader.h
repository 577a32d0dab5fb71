#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of the binary data files of the Syscal Pro meters: the ".bin" files
// the instrument and the Prosys download program write (a 1029-byte header,
// then one record per reading), and the ".binx" container of Prosys III.
namespace tarvo {

// Reads the file of `source` into `ds` (read_result.h). Each reading becomes a point with its electrodes'
// positions, V, I, Rho, Dev, the chargeability and its windows, SP and the
// reading's number; the IP window times go to IPWindowTimes. The points are
// grouped into one set per array type, numbered from source.firstSet + 1,
// and DataKind is 3.5. A file that is short, damaged, of an unknown version
// or instrument, or beyond the dataset's capacities is refused: the operator
// is told and nothing of it is loaded.
bool ReadSyscalProBinary(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

}  // namespace tarvo
