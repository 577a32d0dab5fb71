#pragma once

#include <string>

#include "engine/core/dataset.h"

// The working altitude of each electrode position. It comes from the
// topography profile (or ElectrodePosZ) until the operator types an altitude
// into the electrode table; a typed altitude then stands for that electrode
// until the table is filled again from the dataset.
namespace tarvo {

// Where an altitude comes from; the source decides how it reads as text.
enum class AltitudeSource {
  Typed,     // typed into the electrode table
  Profile,   // interpolated in the topography profile ElectrodeXZ
  Position,  // ElectrodePosZ of the electrode position
};

struct TElectrodeAltitude {
  double Z = 0;
  AltitudeSource Source = AltitudeSource::Position;
};

// The altitude of electrode position e (1..ElectrodePosCount): the typed
// one when held, otherwise the profile's at the electrode when there is a
// profile, otherwise ElectrodePosZ.
TElectrodeAltitude ElectrodeAltitude(const TDataset& ds, int e);

// The altitude of the topography profile at x: square interpolation when the
// profile was pasted for it (ElectrodeXZSquare) and has three points or more,
// otherwise linear. Needs ElectrodeXZCount >= 1.
double ProfileAltitude(const TDataset& ds, double x);

// Linear interpolation in the topography profile: between the first point
// from the second on that is not left of x (or the last point) and the one
// before it; beyond the ends the end segment goes on. A profile of one point
// is flat. Needs ElectrodeXZCount >= 1.
double LinearProfileAltitude(const TDataset& ds, double x);

// Square interpolation at x: e is the first profile point from the second
// on, up to the last but one, that is not left of x (the last but one when
// none is); the value is the quadratic through points e-1, e and e+1; when
// e >= 3 and x lies at or left of point e-1, the quadratic through e-2, e-1
// and e is computed too and the two are averaged. Needs three points; with
// fewer it is the linear interpolation.
double SquareProfileAltitude(const TDataset& ds, double x);

// Altitude with three decimals, trailing zeros and a trailing point removed.
std::string AltitudeWithThreeDecimals(double z);

// How an altitude reads in the electrode table and in the files that carry
// it: typed and profile altitudes with three decimals at most, ElectrodePosZ
// as every other value (FormatValue with two extra digits).
std::string AltitudeText(const TElectrodeAltitude& altitude);

// The text of ElectrodeAltitude(ds, e): what the electrode table's " Alt"
// column shows.
std::string ElectrodeAltitudeText(const TDataset& ds, int e);

// The altitude of electrode position e as the table shows it, as a number:
// what a reader of that text gets back.
double ShownAltitude(const TDataset& ds, int e);

}  // namespace tarvo
