#pragma once

#include "core/dataset.h"
#include "import/read_environment.h"

// Reader of the Syscal binary sequence (.seq) and data files. ABEM files
// reach it too and are handed over by the last letter of their name.
namespace tarvo {

// Reads ds.FileName into the dataset. Success is a loaded DataKind; on
// failure the operator has been told and DataKind is 0.
void ReadInstrumentFile(TDataset& ds, ReadEnvironment& env);

// Recomputes the points' values from the raw measurement records and
// recounts the bad points.
void SyscalToValues(TDataset& ds);

}  // namespace tarvo
