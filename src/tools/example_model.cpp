#include "tools/example_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "engine/core/array_types.h"

namespace tarvo::examples {

namespace {

// Potential kernel of a surface point source over two layers (image series):
// 1/r + 2 sum k^n / sqrt(r^2 + (2 n h)^2).
double Kernel(double r, const Earth& earth) {
  const double k = (earth.rho2 - earth.rho1) / (earth.rho2 + earth.rho1);
  double sum = 1.0 / r;
  double kn = 1.0;
  for (int n = 1; n <= 400; ++n) {
    kn *= k;
    const double depth = 2.0 * n * earth.thickness;
    sum += 2.0 * kn / std::sqrt(r * r + depth * depth);
  }
  return sum;
}

template <typename Place>
std::vector<Quad> Family(int firstN, int lastN, Place place) {
  std::vector<Quad> quads;
  for (int n = firstN; n <= lastN; ++n) {
    for (int first = 1;; ++first) {
      const Quad q = place(first, n);
      if (std::max({q.a, q.b, q.m, q.n}) > ElectrodeCount) break;
      quads.push_back(q);
    }
  }
  return quads;
}

}  // namespace

double X(int electrode) { return (electrode - 1) * Spacing; }

double Elevation(double x) {
  const double u = (x - 70.0) / 70.0;
  return 110.0 + 3.0 * (1.0 - u * u);
}

double VoltagemV(const Quad& q, const Earth& earth, double currentmA) {
  double g = 0;
  const auto term = [&](int current, int potential, double sign) {
    if (current != 0 && potential != 0) g += sign * Kernel(std::fabs(X(current) - X(potential)), earth);
  };
  term(q.a, q.m, +1);
  term(q.a, q.n, -1);
  term(q.b, q.m, -1);
  term(q.b, q.n, +1);
  const double currentA = currentmA / 1000.0;
  return earth.rho1 * currentA / (2.0 * M_PI) * g * 1000.0;
}

double K(const Quad& q) {
  return tarvo::GeometricFactor(X(q.a), X(q.b), X(q.m), X(q.n), {q.a != 0, q.b != 0, q.m != 0, q.n != 0});
}

double ApparentResistivity(const Quad& q, const Earth& earth) {
  return K(q) * VoltagemV(q, earth, CurrentmA) / CurrentmA;
}

double ApparentChargeability(const Quad& q) {
  const Earth polarised{Model.rho1 / (1.0 - Chargeability1), Model.rho2 / (1.0 - Chargeability2), Model.thickness};
  return 1000.0 * (1.0 - ApparentResistivity(q, Model) / ApparentResistivity(q, polarised));
}

std::vector<Quad> WennerQuads(int firstA, int lastA) {
  return Family(firstA, lastA, [](int e, int a) { return Quad{e, e + 3 * a, e + a, e + 2 * a}; });
}

std::vector<Quad> DipoleDipoleQuads(int firstN, int lastN) {
  return Family(firstN, lastN, [](int e, int n) { return Quad{e, e + 1, e + n + 1, e + n + 2}; });
}

std::vector<Quad> SchlumbergerQuads(int firstN, int lastN) {
  return Family(firstN, lastN, [](int e, int n) { return Quad{e, e + 2 * n + 1, e + n, e + n + 1}; });
}

std::vector<Quad> ForwardPoleDipoleQuads(int firstN, int lastN) {
  return Family(firstN, lastN, [](int e, int n) { return Quad{e, 0, e + n, e + n + 1}; });
}

std::vector<Quad> ReversePoleDipoleQuads(int firstN, int lastN) {
  return Family(firstN, lastN, [](int e, int n) { return Quad{e + n + 1, 0, e + 1, e}; });
}

double Noise::Next() {
  state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

std::string Fixed(double v, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  std::string text = buffer;
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::cout << "wrote " << path.string() << " (" << bytes.size() << " bytes)\n";
}

void Write(const std::filesystem::path& path, const TextFile& file) {
  const std::string& text = file.Text();
  Write(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace tarvo::examples
