// Res2dInv data files of the example model: a Wenner line with a topography
// block, a general-array file with chargeability mixing Wenner and
// dipole-dipole, and a time-lapse dipole-dipole line.
#include <array>
#include <string>
#include <vector>

#include "tools/example_model.h"

namespace tarvo::examples {

namespace {

constexpr const char* UnitSpacing = "4.0";

// Apparent resistivity with the scatter of a careful field measurement.
double Measured(double rho, Noise& noise) { return rho * (1.0 + 0.002 * noise.Next()); }

// The lines that end a Res2dInv data file after its data and topography.
void EndOfFile(TextFile& file) {
  for (int i = 0; i < 4; ++i) file.Line("0");
}

}  // namespace

void WriteRes2dInvWennerTopography(const std::filesystem::path& dir) {
  const auto quads = WennerQuads(1, 3);
  Noise noise(101);
  TextFile f;
  f.Line("Two-layer earth 100/20 Ohm.m, interface 6 m: Wenner line on a low hill");
  f.Line(UnitSpacing);
  f.Line("1");  // Wenner
  f.Line(std::to_string(quads.size()));
  f.Line("0");  // x of the first electrode of the array
  f.Line("0");  // no chargeability
  for (const Quad& q : quads) {
    const double a = X(q.m) - X(q.a);
    f.Line(Fixed(X(q.a), 2) + " " + Fixed(a, 2) + " " + Fixed(Measured(ApparentResistivity(q), noise), 3));
  }
  // Topography: true horizontal distances, one point per electrode, then the
  // number of the topography point of the first electrode.
  f.Line("1");
  f.Line(std::to_string(ElectrodeCount));
  for (int e = 1; e <= ElectrodeCount; ++e) f.Line(Fixed(X(e), 2) + " " + Fixed(Elevation(X(e)), 2));
  f.Line("1");
  EndOfFile(f);
  Write(dir / "wenner32_topo.dat", f);
}

void WriteRes2dInvGeneralIP(const std::filesystem::path& dir) {
  std::vector<Quad> quads = WennerQuads(1, 2);
  const auto dipole = DipoleDipoleQuads(1, 2);
  quads.insert(quads.end(), dipole.begin(), dipole.end());

  Noise noise(102);
  TextFile f;
  f.Line("Two-layer earth 100/20 Ohm.m over chargeable clay: Wenner and dipole-dipole");
  f.Line(UnitSpacing);
  f.Line("11");  // general array
  f.Line("0");
  f.Line("Type of measurement (0=app. resistivity,1=resistance)");
  f.Line("0");
  f.Line(std::to_string(quads.size()));
  f.Line("1");  // true horizontal distances, with elevations
  f.Line("1");  // chargeability follows the resistivity
  f.Line("Chargeability");
  f.Line("mV/V");
  f.Line("0.12,1.0");  // delay and integration time, s
  for (const Quad& q : quads) {
    std::string line = "4";
    for (const int e : {q.a, q.b, q.m, q.n}) line += " " + Fixed(X(e), 2) + " " + Fixed(Elevation(X(e)), 2);
    const double rho = Measured(ApparentResistivity(q), noise);
    const double ip = ApparentChargeability(q) * (1.0 + 0.01 * noise.Next()) + 0.05 * noise.Next();
    f.Line(line + " " + Fixed(rho, 3) + " " + Fixed(ip, 2));
  }
  EndOfFile(f);
  Write(dir / "mixed32_ip.dat", f);
}

void WriteRes2dInvTimeLapse(const std::filesystem::path& dir) {
  const auto quads = DipoleDipoleQuads(1, 3);
  // The lower layer grows more conductive as saline water seeps in.
  const std::array<Earth, 3> steps = {Model, Earth{Model.rho1, 18.0, Model.thickness},
                                      Earth{Model.rho1, 16.5, Model.thickness}};
  const std::array<const char*, 3> days = {"0", "7", "14"};

  Noise noise(103);
  TextFile f;
  f.Line("Two-layer earth 100/20 Ohm.m, lower layer down to 16.5 Ohm.m: time-lapse dipole-dipole");
  f.Line(UnitSpacing);
  f.Line("3");  // dipole-dipole
  f.Line(std::to_string(quads.size()));
  f.Line("1");  // x of the middle of the array
  f.Line("0");  // no chargeability
  f.Line("Time-lapse data");
  f.Line("Number of time sets");
  f.Line(std::to_string(steps.size()));
  f.Line("Time unit");
  f.Line("days");
  for (std::size_t t = 1; t < steps.size(); ++t) {
    f.Line("Time of set " + std::to_string(t + 1));
    f.Line(days[t]);
  }
  for (const Quad& q : quads) {
    const double middle = (X(q.a) + X(q.b) + X(q.m) + X(q.n)) / 4.0;
    const int n = q.m - q.b;
    std::string line = Fixed(middle, 2) + " " + Fixed(Spacing, 2) + " " + std::to_string(n);
    for (const Earth& earth : steps) line += " " + Fixed(Measured(ApparentResistivity(q, earth), noise), 3);
    f.Line(line);
  }
  EndOfFile(f);
  Write(dir / "dipole32_tl.dat", f);
}

}  // namespace tarvo::examples
