#pragma once

#include <string>

#include "engine/core/dataset.h"

// Texts of the array configuration window: its four status panels after a
// pick, and the description of a point under the mouse.
namespace tarvo {

// The four panels of the top bar.
struct SectionStatus {
  std::string RX_P;   // "Coordinate of pseudosection"
  std::string nD_p;   // "Number of quadripole"
  std::string El_P;   // "Numbers of electrodes"
  std::string Roa_P;  // "App. resistivity"
  bool operator==(const SectionStatus&) const = default;
};

inline constexpr const char* NoPointText = "---";
inline constexpr const char* NoElectrodesText = "- - - -";

// "X=" x " Ps.Z=" s.
std::string PickPositionText(double x, double s);

// The panels for picked point i, `selectedSet` being the set the point was
// picked from (0 when every point is searched): its number, its electrode
// numbers with a single set of Syscal data or sequence, and its apparent
// resistivity with its quality code. The resistivity from the raw record
// needs the record of the current Syscal layout; without one the panel
// shows NoPointText.
SectionStatus PickStatus(const TDataset& ds, int i, int selectedSet, double x, double s);

// The panels without a picked point.
SectionStatus NoPickStatus(const std::string& positionText);

// Several lines about point i for a tool tip: where it is, its electrodes,
// its value (chargeability in IP mode), voltage, current, quality code and,
// for a bad point, why it is bad.
std::string PointDescription(const TDataset& ds, int i, bool ipMode);

}  // namespace tarvo
