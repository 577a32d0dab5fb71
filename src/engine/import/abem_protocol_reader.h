#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of ABEM (Lund) measuring protocols: lists of quadripoles by
// electrode number, read as an instrument sequence without measurements.
namespace tarvo {

// Reads the file of `source` into `ds` (read_result.h) as a protocol, starting from the headers of the sequence
// template. Electrodes are placed on the standard 41-electrode layout
// centred on 0 (20 m apart for protocols whose name starts with "L", 10 m
// otherwise); protocols using 42 electrodes or more take the electrode
// positions of the data loaded before. On success DataKind is 2 and every
// point's Rho holds the quadripole's geometric factor. A refused file has
// been told to the operator.
bool ReadProtocol(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

}  // namespace tarvo
