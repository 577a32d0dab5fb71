// Text files of the instruments and inversion programs, from the example
// model: a Prosys export with IP windows and the ElectreII sequence it was
// measured with, a SensInv2D triplet, an ABEM AMP data file and an ABEM
// protocol.
#include <cmath>
#include <string>
#include <vector>

#include "tools/example_model.h"

namespace tarvo::examples {

namespace {

// IP windows of the Prosys export: 20 windows of 40 ms after a 40 ms delay.
constexpr int WindowCount = 20;
constexpr double WindowDelayms = 40.0;
constexpr double WindowWidthms = 40.0;
// Time scale of the decay 1 / (1 + t / tau).
constexpr double DecayTimems = 300.0;

// Decay-curve values of the windows for a total chargeability m (mV/V): the
// shape of the decay scaled so that the windows average to m.
std::vector<double> WindowChargeabilities(double m) {
  std::vector<double> shape;
  double sum = 0;
  for (int k = 1; k <= WindowCount; ++k) {
    const double centre = WindowDelayms + WindowWidthms * (k - 0.5);
    shape.push_back(1.0 / (1.0 + centre / DecayTimems));
    sum += shape.back();
  }
  for (double& v : shape) v *= m * WindowCount / sum;
  return shape;
}

// "M1  ", ..., "M10 ": titles padded the way the export pads them.
std::string WindowTitle(int k) {
  std::string title = "M" + std::to_string(k);
  title.resize(4, ' ');
  return title;
}

// A header line of an AMP file: its label in the first 31 characters.
std::string AmpHeaderLine(std::string label, const std::string& value) {
  label.resize(31, ' ');
  return label + value;
}

// The dipole-dipole sequence the Prosys export was measured with.
std::vector<Quad> ProsysSequence() { return DipoleDipoleQuads(1, 3); }

}  // namespace

void WriteProsysExport(const std::filesystem::path& dir) {
  const auto quads = ProsysSequence();
  Noise noise(104);
  TextFile f;
  std::string title = "Spa.1\tSpa.2\tSpa.3\tSpa.4\tRho \tDev.\t M  \tSp  \tVp  \tIn  ";
  for (int k = 1; k <= WindowCount; ++k) title += "\t" + WindowTitle(k);
  f.Line(title);

  for (std::size_t i = 0; i < quads.size(); ++i) {
    const Quad& q = quads[i];
    const bool noisy = i % 29 == 17;  // a reading spoiled by a poor contact
    const double in = 180.0 + 60.0 * noise.Next();
    double vp = VoltagemV(q, Model, in);
    double dev = 0.05 + 0.25 * std::fabs(noise.Next());
    if (noisy) {
      vp *= 1.0 + 0.3 * noise.Next();
      dev = 3.0 + 5.0 * std::fabs(noise.Next());
    } else {
      vp *= 1.0 + 0.002 * noise.Next();
    }
    const double rho = K(q) * vp / in;
    const double middle = (X(q.a) + X(q.b) + X(q.m) + X(q.n)) / 4.0;
    const double sp = 8.0 + 0.05 * middle + 1.5 * noise.Next();

    std::vector<double> windows = WindowChargeabilities(ApparentChargeability(q));
    double total = 0;
    for (double& w : windows) {
      w = w * (1.0 + (noisy ? 0.2 : 0.01) * noise.Next()) + 0.04 * noise.Next();
      total += w;
    }
    total /= WindowCount;

    std::string line;
    for (const int e : {q.a, q.b, q.m, q.n}) line += Fixed(X(e), 2) + "\t";
    line += Fixed(rho, 2) + "\t" + Fixed(dev, 2) + "\t" + Fixed(total, 2) + "\t" + Fixed(sp, 2) + "\t" +
            Fixed(vp, 3) + "\t" + Fixed(in, 3);
    for (const double w : windows) line += "\t" + Fixed(w, 2);
    f.Line(line);
  }
  Write(dir / "dipole32_ip.txt", f);
}

void WriteElectreSequence(const std::filesystem::path& dir) {
  TextFile f;
  f.Line("# X Y Z");
  for (int e = 1; e <= ElectrodeCount; ++e) f.Line(std::to_string(e) + " " + Fixed(X(e), 2) + " 0.00 0.00");
  f.Line("# A\tB\tM\tN");
  const auto quads = ProsysSequence();
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const Quad& q = quads[i];
    f.Line(std::to_string(i + 1) + "\t" + std::to_string(q.a) + "\t" + std::to_string(q.b) + "\t" +
           std::to_string(q.m) + "\t" + std::to_string(q.n));
  }
  Write(dir / "dipole32_seq.txt", f);
}

void WriteSensInv(const std::filesystem::path& dir) {
  std::vector<Quad> quads = ForwardPoleDipoleQuads(1, 2);
  const auto reverse = ReversePoleDipoleQuads(1, 2);
  quads.insert(quads.end(), reverse.begin(), reverse.end());

  TextFile geometry;
  for (int e = 1; e <= ElectrodeCount; ++e) {
    geometry.Line(std::to_string(e) + " " + Fixed(X(e), 2) + " " + Fixed(Elevation(X(e)), 2));
  }
  // Pole-dipole lines: three electrodes, A M N.
  TextFile configuration;
  TextFile data;
  Noise noise(105);
  for (const Quad& q : quads) {
    configuration.Line("3 " + std::to_string(q.a) + " " + std::to_string(q.m) + " " + std::to_string(q.n));
    const double current = 200.0 + 50.0 * noise.Next();
    const double voltage = VoltagemV(q, Model, current) * (1.0 + 0.002 * noise.Next());
    data.Line(Fixed(voltage, 4) + " " + Fixed(current, 2));
  }
  Write(dir / "poledipole32.gem", geometry);
  Write(dir / "poledipole32.sen", configuration);
  Write(dir / "poledipole32.ui", data);
}

void WriteAbemAmp(const std::filesystem::path& dir) {
  const auto quads = SchlumbergerQuads(1, 3);
  constexpr int HeaderRows = 12;
  TextFile f;
  f.Line(AmpHeaderLine("Comment:", "Two-layer earth 100/20 Ohm.m, Schlumberger"));
  f.Line(AmpHeaderLine("Instrument ID:", "Tarvo example"));
  f.Line(AmpHeaderLine("Date & Time:", "2024-06-12 10:30:00"));
  f.Line(AmpHeaderLine("Base station:", "0.00    0.00"));
  f.Line(AmpHeaderLine("Rows header/data/topography:",
                       std::to_string(HeaderRows) + "  " + std::to_string(quads.size()) + "  0"));
  f.Line(AmpHeaderLine("Acquisition mode:", "1"));  // resistivity only
  f.Line(AmpHeaderLine("Measurement method:", "Section"));
  f.Line(AmpHeaderLine("Electrode layout:", "10"));  // Schlumberger
  f.Line(AmpHeaderLine("Co-ordinate type:", "X"));
  f.Line(AmpHeaderLine("Smallest electrode spacing:", Fixed(Spacing, 2)));
  f.Line("");
  f.Line("No. Time A(x) B(x) M(x) N(x) I(mA) Voltage(V) App.R.(ohmm) Error(%)");

  Noise noise(106);
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const Quad& q = quads[i];
    const double current = CurrentmA + 10.0 * noise.Next();
    double volts = VoltagemV(q, Model, current) / 1000.0;
    double error = 0.1 + 0.4 * std::fabs(noise.Next());
    if (i % 31 == 23) {  // a reading disturbed by a passing vehicle
      volts *= 1.0 + 0.25 * noise.Next();
      error = 4.0 + 5.0 * std::fabs(noise.Next());
    } else {
      volts *= 1.0 + 0.002 * noise.Next();
    }
    const double rho = K(q) * volts * 1000.0 / current;
    std::string line = std::to_string(i + 1) + " " + Fixed(6.5 * static_cast<double>(i + 1), 1);
    for (const int e : {q.a, q.b, q.m, q.n}) line += " " + Fixed(X(e), 2);
    f.Line(line + " " + Fixed(current, 1) + " " + Fixed(volts, 6) + " " + Fixed(rho, 3) + " " + Fixed(error, 1));
  }
  Write(dir / "schlumberger32.amp", f);
}

void WriteAbemProtocol(const std::filesystem::path& dir) {
  TextFile f;
  f.Line("Tarvo example protocol: forward pole-dipole, 32 electrodes, remote B");
  f.Line("PoleDip32");
  for (const Quad& q : ForwardPoleDipoleQuads(1, 3)) {
    f.Line(std::to_string(q.a) + " " + std::to_string(q.b) + " " + std::to_string(q.m) + " " + std::to_string(q.n));
  }
  Write(dir / "poledipole32.org", f);
}

}  // namespace tarvo::examples
