#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_environment.h"

// Reader of the binary data files of the Syscal Pro meters: the ".bin" files
// the instrument and the Prosys download program write (a 1029-byte header,
// then one record per reading), and the ".binx" container of Prosys III.
namespace tarvo {

// Reads ds.FileName. Each reading becomes a point with its electrodes'
// positions, V, I, Rho, Dev, the chargeability and its windows, SP and the
// reading's number; the IP window times go to IPWindowTimes. The points are
// grouped into one set per array type, numbered from firstSet + 1, and
// DataKind is 3.5. A file that is short, damaged, of an unknown version or
// instrument, or beyond the dataset's capacities is refused: the operator
// is told, nothing is loaded and DataKind and PointCount are 0.
void ReadSyscalProBinary(TDataset& ds, int firstSet, ReadEnvironment& env);

}  // namespace tarvo
