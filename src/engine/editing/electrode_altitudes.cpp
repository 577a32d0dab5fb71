#include "engine/editing/electrode_altitudes.h"

#include "engine/core/text_tokens.h"

namespace tarvo {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

bool TypeElectrodeAltitude(TDataset& ds, int e, std::string_view text) {
  if (e < 1 || e > ds.ElectrodePosCount || e > MaxElectrodePositions) return false;
  const auto z = ParseNumber(TrimBlanks(text));
  if (!z) return false;
  ds.TypedAltitude[e] = *z;
  return true;
}

void ResetWorkingAltitudes(TDataset& ds) {
  ds.TypedAltitude.Fill(std::nullopt);
}

}  // namespace tarvo
