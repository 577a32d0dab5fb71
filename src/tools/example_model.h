// The analytic earth model behind the example files, the electrode line it is
// measured on, and the small helpers the example writers share.
//
// The earth: 100 Ohm.m over 20 Ohm.m, interface 6 m deep; the lower layer is
// the chargeable one. The line: 32 electrodes 4 m apart, with a gentle
// made-up relief for the formats that carry elevations. Only +, -, *, / and
// sqrt are used in the model, so the files are the same on every platform.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarvo::examples {

struct Earth {
  double rho1;       // upper layer, Ohm.m
  double rho2;       // lower half-space, Ohm.m
  double thickness;  // m
};

inline constexpr Earth Model{100.0, 20.0, 6.0};
inline constexpr int ElectrodeCount = 32;
inline constexpr double Spacing = 4.0;  // m
inline constexpr double CurrentmA = 250.0;

// Intrinsic chargeabilities (V/V): a weakly polarisable upper layer over a
// clay-rich chargeable one.
inline constexpr double Chargeability1 = 0.004;
inline constexpr double Chargeability2 = 0.035;

struct Quad {
  int a, b, m, n;  // electrode numbers 1..ElectrodeCount, 0 = absent (at infinity)
};

// Abscissa of electrode 1..ElectrodeCount.
double X(int electrode);

// Elevation of the ground at abscissa x: a low hill, 3 m high, slopes below 5 degrees.
double Elevation(double x);

// Measured voltage (mV) of the quadripole at the given current over `earth`.
double VoltagemV(const Quad& q, const Earth& earth = Model, double currentmA = CurrentmA);

// Geometric factor from the electrode abscissas.
double K(const Quad& q);

double ApparentResistivity(const Quad& q, const Earth& earth = Model);

// Apparent chargeability (mV/V) of the two-layer model: the relative change
// of the apparent resistivity when every layer's resistivity is raised to
// rho / (1 - m).
double ApparentChargeability(const Quad& q);

// Quadripole families, level by level (spacing outwards), then along the line.
std::vector<Quad> WennerQuads(int firstA, int lastA);              // A M N B, a in electrode steps
std::vector<Quad> DipoleDipoleQuads(int firstN, int lastN);        // A B M N, dipoles of one step
std::vector<Quad> SchlumbergerQuads(int firstN, int lastN);        // A M N B, MN one step, AM = n steps
std::vector<Quad> ForwardPoleDipoleQuads(int firstN, int lastN);   // A M N, B at infinity
std::vector<Quad> ReversePoleDipoleQuads(int firstN, int lastN);   // N M A, B at infinity

// A small deterministic generator, so the files are the same on every run.
class Noise {
public:
  explicit Noise(std::uint64_t seed = 20261209) : state_(seed) {}
  double Next();  // uniform in [-1, 1)

private:
  std::uint64_t state_;
};

// A Windows text file built line by line.
class TextFile {
public:
  void Line(const std::string& text) { text_ += text + "\r\n"; }
  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

// v with a fixed number of decimals, never "-0.00".
std::string Fixed(double v, int decimals);

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void Write(const std::filesystem::path& path, const TextFile& file);

// The text example files, written into `dir`.
void WriteRes2dInvWennerTopography(const std::filesystem::path& dir);
void WriteRes2dInvGeneralIP(const std::filesystem::path& dir);
void WriteRes2dInvTimeLapse(const std::filesystem::path& dir);
void WriteRes2dInvResult(const std::filesystem::path& dir);
void WriteProsysExport(const std::filesystem::path& dir);
void WriteElectreSequence(const std::filesystem::path& dir);
void WriteSensInv(const std::filesystem::path& dir);
void WriteAbemAmp(const std::filesystem::path& dir);
void WriteAbemProtocol(const std::filesystem::path& dir);

}  // namespace tarvo::examples
