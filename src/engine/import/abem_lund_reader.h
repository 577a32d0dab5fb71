#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of the data files of the ABEM LUND imaging system (".ohm"): a
// survey header, then for each protocol file measured (".ORG", ".UP",
// ".DWN") its header and one line per reading with the positions of C1 C2
// P1 P2 in metres, the value (a resistance or an apparent resistivity), its
// variation coefficient in percent and two cycle counts.
namespace tarvo {

// Reads the file of `source` into `ds` (read_result.h). Positions are taken from the station coordinate of
// their protocol; resistances become apparent resistivities with the
// geometric factor of their electrodes and the variation coefficient
// becomes Dev. Success is DataKind 5 with one set per array type numbered
// from source.firstSet + 1. Files of a 3D grid of cables are refused. A
// refused file has been told to the operator.
bool ReadAbemLund(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

}  // namespace tarvo
