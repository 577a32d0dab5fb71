#pragma once

#include <optional>
#include <string>

#include "engine/core/dataset.h"
#include "engine/core/electrode_altitude.h"

// The operator's edits of the working altitudes (engine/core/electrode_altitude.h).
namespace tarvo {

// Takes a typed altitude for electrode position e (1..ElectrodePosCount).
// Text that does not read as a number, a position outside the electrode
// list changes nothing and returns false.
bool TypeElectrodeAltitude(TDataset& ds, int e, std::string_view text);

// Forgets the typed altitudes: the table shows the dataset's again.
void ResetWorkingAltitudes(TDataset& ds);

}  // namespace tarvo
