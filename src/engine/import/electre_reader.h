#pragma once

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of the ElectreII sequence text files: a table of electrodes with
// their coordinates ("# X Y Z") followed by a table of quadripoles given by
// electrode numbers ("# A B M N"), "Rem" standing for a remote electrode.
namespace tarvo {

enum class ElectreMode {
  Normal,        // a sequence dataset: one planned point per quadripole, one set per array type
  SequenceOnly,  // only Electrodes, Quads and PointCount, for matching measurements to the sequence
};

// Reads the file of `source` into `ds` (read_result.h). In normal mode
// success is DataKind = 2 with PointCount points grouped into sets numbered
// from source.firstSet + 1. In sequence-only mode success is PointCount > 0
// with Quads and Electrodes filled and DataKind 0. A refused file has been
// told to the operator.
bool ReadElectreII(const ReadSource& source, TDataset& ds, ReadEnvironment& env, ElectreMode mode);

// The normal mode, as the reader of the open dialog.
bool ReadElectreIISequence(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

// Puts the electrodes of quadripole q into point p the way the text readers
// store them: the present current electrode in XA and the present potential
// electrode in XM, an absent partner as NoElectrode, and ElectrodeCount the
// number of present electrodes. Electrode numbers must address ds.Electrodes.
void SetPointElectrodes(TDataPoint& p, const TDataset& ds, const TQuadripole& q);

}  // namespace tarvo
