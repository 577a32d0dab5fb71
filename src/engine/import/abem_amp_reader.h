#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of ABEM (Lund) measured data in the AMP text format. The data
// become an instrument dataset like a Syscal data file: an electrode table
// made of the distinct electrode abscissas, one quadripole per measurement
// and the raw measurement records, so they can be edited and saved in the
// instrument formats.
namespace tarvo {

// Reads the file of `source` into `ds` (read_result.h) as AMP data, starting
// from the headers of the sequence template. On success DataKind is 3
// (instrument data) and the points, quadripoles and raw records are filled;
// ArrayType comes from the classification of the first quadripole. A
// refused file has been told to the operator.
bool ReadAmp(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

}  // namespace tarvo
