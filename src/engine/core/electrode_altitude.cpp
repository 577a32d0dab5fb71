#include "engine/core/electrode_altitude.h"

#include <charconv>

#include "engine/core/numbers.h"
#include "engine/core/text_tokens.h"

namespace tarvo {

TElectrodeAltitude ElectrodeAltitude(const TDataset& ds, int e) {
  if (e >= 1 && e <= MaxElectrodePositions) {
    if (const auto& typed = ds.TypedAltitude[e]) return {*typed, AltitudeSource::Typed};
  }
  if (ds.ElectrodeXZCount > 0) return {ProfileAltitude(ds, ds.ElectrodePos[e]), AltitudeSource::Profile};
  return {ds.ElectrodePosZ[e], AltitudeSource::Position};
}

double ProfileAltitude(const TDataset& ds, double x) {
  return ds.ElectrodeXZSquare ? SquareProfileAltitude(ds, x) : LinearProfileAltitude(ds, x);
}

double SquareProfileAltitude(const TDataset& ds, double x) {
  const int n = ds.ElectrodeXZCount;
  if (n < 3) return LinearProfileAltitude(ds, x);
  const auto& p = ds.ElectrodeXZ;
  // The quadratic (Lagrange) through points a, a+1, a+2 at x.
  const auto quadratic = [&p, x](int a) {
    const double x0 = p[a].X, x1 = p[a + 1].X, x2 = p[a + 2].X;
    const double l0 = (x - x1) * (x - x2) / ((x0 - x1) * (x0 - x2));
    const double l1 = (x - x0) * (x - x2) / ((x1 - x0) * (x1 - x2));
    const double l2 = (x - x0) * (x - x1) / ((x2 - x0) * (x2 - x1));
    return l0 * p[a].Z + l1 * p[a + 1].Z + l2 * p[a + 2].Z;
  };
  int e = 2;
  while (e < n - 1 && p[e].X < x) ++e;
  double z = quadratic(e - 1);
  if (e >= 3 && x <= p[e - 1].X) z = (z + quadratic(e - 2)) / 2.0;
  return z;
}

double LinearProfileAltitude(const TDataset& ds, double x) {
  const int n = ds.ElectrodeXZCount;
  if (n == 1) return ds.ElectrodeXZ[1].Z;
  int e = 2;
  while (e < n && ds.ElectrodeXZ[e].X < x) ++e;
  const double x1 = ds.ElectrodeXZ[e - 1].X, z1 = ds.ElectrodeXZ[e - 1].Z;
  const double x2 = ds.ElectrodeXZ[e].X, z2 = ds.ElectrodeXZ[e].Z;
  if (x2 == x1) return z1;
  return z1 + (x - x1) * (z2 - z1) / (x2 - x1);
}

std::string AltitudeWithThreeDecimals(double z) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, z, std::chars_format::fixed, 3);
  std::string s(buffer, r.ptr);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string AltitudeText(const TElectrodeAltitude& altitude) {
  if (altitude.Source == AltitudeSource::Position) return FormatValue(altitude.Z, 2);
  return AltitudeWithThreeDecimals(altitude.Z);
}

std::string ElectrodeAltitudeText(const TDataset& ds, int e) { return AltitudeText(ElectrodeAltitude(ds, e)); }

double ShownAltitude(const TDataset& ds, int e) {
  return ParseNumber(AltitudeText(ElectrodeAltitude(ds, e))).value_or(0.0);
}

}  // namespace tarvo
