#pragma once

#include <vector>

namespace tarvo {

// The pairing of the loaded points, a derived list of the dataset.
struct TReciprocalPairs {
  std::vector<int> Partner;    // [i]: index of point i's partner, 0 = unpaired (entry 0 unused)
  std::vector<float> Error;    // [i]: reciprocal error of the pair in percent (0 when unpaired)
  std::vector<float> IPDifference;  // [i]: |IP of i - IP of its partner| (0 when unpaired or no IP)
  int PairCount = 0;

  bool Paired(int i) const { return i >= 1 && i < static_cast<int>(Partner.size()) && Partner[i] != 0; }
};

}  // namespace tarvo
