// Res2dInv files of the example model: a Wenner line with a topography
// block, a general-array file with chargeability mixing Wenner and
// dipole-dipole, a time-lapse dipole-dipole line, and the inversion result
// of a Wenner line.
#include <array>
#include <cmath>
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

namespace tarvo::examples {

// A Res2dInv inversion result of a Wenner line over the example model: the
// data, then four iterations that move from a homogeneous start towards the
// two-layer earth. Each iteration gives its blocky model (32 blocks per
// layer, one under each electrode, with a small lateral scatter that fades
// as the inversion converges) and the apparent resistivities it calculates.
// Only sqrt carries the convergence, so the file is the same everywhere.
void WriteRes2dInvResult(const std::filesystem::path& dir) {
  const auto quads = WennerQuads(1, 4);
  constexpr int Iterations = 4;
  constexpr double Start = 60.0;  // Ohm.m of the homogeneous starting model
  const std::array<double, 5> bottoms = {1.5, 3.2, 5.0, 7.0, 9.5};  // the sixth layer is open below
  const int layers = static_cast<int>(bottoms.size()) + 1;

  Noise noise(104);
  TextFile f;
  f.Line("Two-layer earth 100/20 Ohm.m, interface 6 m: Wenner line and its inversion");
  f.Line(UnitSpacing);
  f.Line("1");  // Wenner
  f.Line(std::to_string(quads.size()));
  f.Line("1");  // x of the middle of the array
  f.Line("0");  // no chargeability
  const auto middle = [](const Quad& q) { return (X(q.a) + X(q.b)) / 2.0; };
  for (const Quad& q : quads) {
    f.Line(Fixed(middle(q), 2) + " " + Fixed(X(q.m) - X(q.a), 2) + " " +
           Fixed(Measured(ApparentResistivity(q), noise), 3));
  }
  f.Line("0");  // no topography
  EndOfFile(f);

  f.Line("NUMBER OF LAYERS");
  f.Line(std::to_string(layers));
  f.Line("Iteration  Time for this iteration  Total Time   RMS Error");
  for (int k = 1; k <= Iterations; ++k) {
    f.Line(std::to_string(k) + "   0.42   " + Fixed(0.42 * k, 2) + "   " + Fixed(1.1 + 24.0 / (k * k), 2));
  }

  // The true resistivity of a layer: the upper layer's, the lower one's, or
  // their geometric mean for the layer the interface crosses.
  const auto trueRho = [&](int layer) {
    const double top = layer == 1 ? 0.0 : bottoms[static_cast<std::size_t>(layer - 2)];
    const double bottom = layer == layers ? 1e9 : bottoms[static_cast<std::size_t>(layer - 1)];
    if (bottom <= Model.thickness) return Model.rho1;
    if (top >= Model.thickness) return Model.rho2;
    return std::sqrt(Model.rho1 * Model.rho2);
  };
  std::vector<double> model(static_cast<std::size_t>(layers), Start);
  std::vector<double> calculated(quads.size(), Start);
  double scatter = 0.08;
  for (int k = 1; k <= Iterations; ++k) {
    f.Line("ITERATION " + std::to_string(k));
    f.Line("Model resistivity values (Ohm.m)");
    f.Line("Blocks and bottom depth of each layer, then x of the right edge and resistivity of each block");
    for (int layer = 1; layer <= layers; ++layer) {
      double& rho = model[static_cast<std::size_t>(layer - 1)];
      rho = std::sqrt(rho * trueRho(layer));
      f.Line(std::to_string(ElectrodeCount) +
             (layer < layers ? " " + Fixed(bottoms[static_cast<std::size_t>(layer - 1)], 2) : std::string()));
      for (int b = 1; b <= ElectrodeCount; ++b) {
        const std::string value = Fixed(rho * (1.0 + scatter * noise.Next()), 3);
        f.Line(b < ElectrodeCount ? Fixed(X(b) + Spacing / 2, 2) + " " + value : value);
      }
      f.Line("");
    }
    scatter /= 2;
    f.Line("CALCULATED APPARENT RESISTIVITY");
    for (std::size_t i = 0; i < quads.size(); ++i) {
      calculated[i] = std::sqrt(calculated[i] * ApparentResistivity(quads[i]));
      f.Line(Fixed(middle(quads[i]), 2) + " " + Fixed(X(quads[i].m) - X(quads[i].a), 2) + " " +
             Fixed(calculated[i], 3));
    }
  }
  Write(dir / "wenner32.inv", f);
}

}  // namespace tarvo::examples
