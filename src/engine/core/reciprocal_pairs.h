#pragma once

#include <cstdint>
#include <vector>

namespace tarvo {

// The pairing of the loaded points, a derived list of the dataset.
struct TReciprocalPairs {
  std::vector<int> Partner;    // [i]: index of point i's partner, 0 = unpaired (entry 0 unused)
  std::vector<float> Error;    // [i]: reciprocal error of the pair in percent (0 when unpaired)
  std::vector<float> IPDifference;  // [i]: |IP of i - IP of its partner| (0 when unpaired or no IP)
  // [i]: -1 when the pair's resistances have opposite signs by their
  // electrode order (one dipole of the reciprocal recorded the other way
  // round), else +1. Apparent resistivities carry the sign of their
  // geometric factor, so they never need it.
  std::vector<std::int8_t> Sign;
  int PairCount = 0;

  bool Paired(int i) const { return i >= 1 && i < static_cast<int>(Partner.size()) && Partner[i] != 0; }
};

}  // namespace tarvo
