#pragma once

#include <string>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/export/export_options.h"

// Writer of the unified data format that the open-source inversion programs
// read: the electrodes (number, then "# x z" and one line each), then the
// good points (number, then "# a b m n rhoa k" with "err" and "ip" where the
// data have them, one line each, electrodes by number, 0 for a remote one).
namespace tarvo {

struct UnifiedText {
  std::string Text;       // CR LF line ends
  int PointsLeftOut = 0;  // good points that could not be written (electrode off the list, undefined K)
};

// The text of the good points of every set, set by set. Electrodes are the
// electrode positions in order, with their working altitudes; remote
// electrodes whose position a file gave follow them.
UnifiedText UnifiedDataText(const TDataset& ds, const ExportOptions& options);

// The whole command for a chosen target: repeated measurements merged, the x
// shift applied, then the file written at once. Tells the operator of points
// left out and of a failed write; false when the file could not be written.
bool WriteUnifiedData(TDataset& ds, const ExportOptions& options, const std::string& path, Messenger& messenger);

}  // namespace tarvo
