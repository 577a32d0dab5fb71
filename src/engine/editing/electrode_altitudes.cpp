#include "editing/electrode_altitudes.h"

#include <charconv>

#include "core/text_tokens.h"

namespace tarvo {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

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

std::optional<std::string> TypedAltitudeText(const TDataset& ds, int e) {
  if (e < 1 || e > ds.ElectrodePosCount || e > MaxElectrodePositions) return std::nullopt;
  const auto& z = ds.TypedAltitude[e];
  if (!z) return std::nullopt;
  return AltitudeWithThreeDecimals(*z);
}

bool TypeElectrodeAltitude(TDataset& ds, int e, std::string_view text) {
  if (e < 1 || e > ds.ElectrodePosCount || e > MaxElectrodePositions) return false;
  const auto z = ParseNumber(TrimBlanks(text));
  if (!z) return false;
  ds.TypedAltitude[e] = *z;
  return true;
}

void ResetWorkingAltitudes(TDataset& ds) {
  for (int e = 1; e <= MaxElectrodePositions; ++e) ds.TypedAltitude[e].reset();
}

}  // namespace tarvo
