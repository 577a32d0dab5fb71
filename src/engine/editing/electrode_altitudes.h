#pragma once

#include <optional>
#include <string>

#include "core/dataset.h"

// The working altitude of each electrode position: what the electrode
// table's " Alt" column shows and what the writers put in their files.
// It comes from the topography profile (or ElectrodePosZ) until the operator
// types an altitude into the table; a typed altitude then stands for that
// electrode until the table is filled again from the dataset.
namespace tarvo {

// Altitude with three decimals, trailing zeros and a trailing point removed.
std::string AltitudeWithThreeDecimals(double z);

// The altitude typed for electrode position e, when one is held.
std::optional<std::string> TypedAltitudeText(const TDataset& ds, int e);

// Takes a typed altitude for electrode position e (1..ElectrodePosCount).
// Text that does not read as a number, a position outside the electrode
// list changes nothing and returns false.
bool TypeElectrodeAltitude(TDataset& ds, int e, std::string_view text);

// Forgets the typed altitudes: the table shows the dataset's again.
void ResetWorkingAltitudes(TDataset& ds);

}  // namespace tarvo
