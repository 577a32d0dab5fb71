// Writes the example files of examples/ from one analytic earth model: a
// two-layer earth (100 Ohm.m over 20 Ohm.m, interface 6 m deep) measured by a
// line of 32 electrodes 4 m apart. A few readings are made noisy or rejected
// so that the bad-point test has work.
//
// Usage: tarvo-make-examples OUTPUT_DIRECTORY
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "core/array_types.h"
#include "core/byte_io.h"
#include "core/syscal_records.h"

namespace {

using tarvo::TElectrode;
using tarvo::TFileHeader;
using tarvo::TQuadripole;
using tarvo::TSeqHeader;
using tarvo::TSyscalRecord;

// The earth model.
constexpr double Rho1 = 100.0;      // upper layer, Ohm.m
constexpr double Rho2 = 20.0;       // lower half-space, Ohm.m
constexpr double Thickness = 6.0;   // m
constexpr int ElectrodeCount = 32;
constexpr double Spacing = 4.0;     // m
constexpr double CurrentmA = 250.0;

// Potential kernel of a surface point source over two layers (image series):
// 1/r + 2 sum k^n / sqrt(r^2 + (2 n h)^2).
double Kernel(double r) {
  const double k = (Rho2 - Rho1) / (Rho2 + Rho1);
  double sum = 1.0 / r;
  double kn = 1.0;
  for (int n = 1; n <= 400; ++n) {
    kn *= k;
    const double depth = 2.0 * n * Thickness;
    sum += 2.0 * kn / std::sqrt(r * r + depth * depth);
  }
  return sum;
}

struct Quad {
  int a, b, m, n;  // electrode numbers, 0 = absent
};

double X(int electrode) { return (electrode - 1) * Spacing; }

// Measured voltage (mV) for the quadripole at the model's current.
double VoltagemV(const Quad& q) {
  double g = 0;
  const auto term = [&](int current, int potential, double sign) {
    if (current != 0 && potential != 0) g += sign * Kernel(std::fabs(X(current) - X(potential)));
  };
  term(q.a, q.m, +1);
  term(q.a, q.n, -1);
  term(q.b, q.m, -1);
  term(q.b, q.n, +1);
  const double currentA = CurrentmA / 1000.0;
  return Rho1 * currentA / (2.0 * M_PI) * g * 1000.0;
}

double K(const Quad& q) {
  return tarvo::GeometricFactor(X(q.a), X(q.b), X(q.m), X(q.n), {q.a != 0, q.b != 0, q.m != 0, q.n != 0});
}

std::vector<Quad> WennerSequence() {
  std::vector<Quad> quads;
  for (int a = 1; 3 * a < ElectrodeCount && quads.size() < 150; ++a) {
    for (int first = 1; first + 3 * a <= ElectrodeCount; ++first) {
      quads.push_back({first, first + 3 * a, first + a, first + 2 * a});
    }
  }
  return quads;
}

std::vector<Quad> DipoleDipoleSequence() {
  std::vector<Quad> quads;
  for (int n = 1; n <= 6; ++n) {
    for (int first = 1; first + n + 2 <= ElectrodeCount; ++first) {
      quads.push_back({first, first + 1, first + n + 1, first + n + 2});
    }
  }
  return quads;
}

// A small deterministic generator, so the files are the same on every run.
class Noise {
public:
  double Next() {  // uniform in [-1, 1)
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 52) - 1.0;
  }

private:
  std::uint64_t state_ = 20261209;
};

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::cout << "wrote " << path.string() << " (" << bytes.size() << " bytes)\n";
}

std::vector<std::uint8_t> SyscalFile(const std::vector<Quad>& quads, const char* title, bool withData) {
  std::vector<std::uint8_t> bytes;
  tarvo::ByteWriter out(bytes);

  TFileHeader fh;
  tarvo::SetFieldText(fh.Magic, "_DOC_");
  fh.SetOperatorText("Tarvo example");
  fh.SetCommentsText("Two-layer earth 100/20 Ohm.m, interface 6 m");
  fh.DocType = tarvo::DocTypeCurrent;
  fh.Encode(out);

  TSeqHeader sh;
  sh.ElectrodeTotal = ElectrodeCount;
  sh.QuadCount = static_cast<std::int16_t>(quads.size());
  sh.SetTitleText(title);
  sh.Area = 1;
  sh.Line = 1;
  sh.Encode(out);

  for (int e = 1; e <= ElectrodeCount; ++e) {
    TElectrode el;
    el.Number = static_cast<std::int16_t>(e);
    el.X = static_cast<float>(X(e));
    el.Encode(out);
  }
  for (const Quad& q : quads) {
    TQuadripole tq{static_cast<std::int16_t>(q.a), static_cast<std::int16_t>(q.b), static_cast<std::int16_t>(q.m),
                   static_cast<std::int16_t>(q.n), 1, static_cast<float>(K(q))};
    tq.Encode(out);
  }
  if (!withData) return bytes;

  Noise noise;
  for (std::size_t i = 0; i < quads.size(); ++i) {
    TSyscalRecord r;
    double v = VoltagemV(quads[i]);
    double dev = 0.2 + 0.3 * std::fabs(noise.Next());
    if (i % 37 == 11) {  // a noisy reading
      v *= 1.0 + 0.4 * noise.Next();
      dev = 4.0 + 3.0 * std::fabs(noise.Next());
    } else {
      v *= 1.0 + 0.002 * noise.Next();
    }
    r.V = static_cast<float>(v);
    r.I = i % 53 == 40 ? 0.0f : static_cast<float>(CurrentmA);  // an electrode that did not inject
    r.Dev = static_cast<std::int16_t>(std::lround(dev));
    r.Encode(out);
  }
  return bytes;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "usage: tarvo-make-examples OUTPUT_DIRECTORY\n";
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const auto wenner = WennerSequence();
    const auto dipole = DipoleDipoleSequence();
    Write(dir / "wenner32.seq", SyscalFile(wenner, "WennerA", false));
    Write(dir / "wenner32.001", SyscalFile(wenner, "WennerA", true));
    Write(dir / "dipole32.seq", SyscalFile(dipole, "ABMN", false));
    Write(dir / "dipole32.001", SyscalFile(dipole, "ABMN", true));
  } catch (const std::exception& e) {
    std::cerr << "tarvo-make-examples: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
