// The line the median window is timed on: a Res2dInv file of one Wenner set,
// electrodes 1 m apart, a = 1 .. 20 m, over a two-layer earth (100 Ohm.m
// over 20 Ohm.m), with three electrodes of known contact effect and a small
// ripple, cut at `points` readings. Written once per run next to the other
// bench files.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "full_capacity_files.h"

namespace tarvo::bench {

inline std::string WennerLineFile(int points) {
  const std::filesystem::path path = Files().dir / ("wenner_line_" + std::to_string(points) + ".dat");
  if (std::filesystem::exists(path)) return path.string();
  constexpr int MaxA = 20;
  // Enough electrodes for `points` readings over a = 1 .. MaxA.
  int electrodes = 4;
  const auto readings = [](int n) {
    int count = 0;
    for (int a = 1; a <= MaxA; ++a) count += std::max(n - 3 * a, 0);
    return count;
  };
  while (readings(electrodes) < points) ++electrodes;
  const auto effect = [](int e) { return e == 31 || e == 77 || e == 102 ? 1.15 : 1.0; };
  std::string body;
  int written = 0;
  char line[64];
  for (int a = 1; a <= MaxA && written < points; ++a) {
    for (int first = 1; first + 3 * a <= electrodes && written < points; ++first) {
      // Two layers: the apparent resistivity goes from 100 to 20 with depth.
      double rho = 20.0 + 80.0 * std::exp(-a / 6.0);
      rho *= effect(first) * effect(first + a) * effect(first + 2 * a) * effect(first + 3 * a);
      rho *= 1.0 + 0.02 * std::sin(1.7 * written);
      std::snprintf(line, sizeof line, "%.2f %.2f %.3f\r\n", first - 1.0, static_cast<double>(a), rho);
      body += line;
      ++written;
    }
  }
  std::string text = "Wenner line of " + std::to_string(written) + " readings for the median window\r\n1.0\r\n1\r\n" +
                     std::to_string(written) + "\r\n0\r\n0\r\n" + body + "0\r\n0\r\n0\r\n0\r\n";
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path.string();
}

}  // namespace tarvo::bench
