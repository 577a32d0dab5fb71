#pragma once

#include <vector>

namespace tarvo {

// How well each point's IP windows follow a smooth decay, a derived list of
// the dataset refitted after every read and every change of the windows or
// of their times (ip_decay.h).
struct TDecayFits {
  static constexpr float NoFit = -1;       // fewer than three windows with a time to fit
  static constexpr float SignChange = -2;  // the windows change sign or reach 0: no decay to fit

  std::vector<float> Misfit;  // [i]: misfit of point i in percent, or NoFit / SignChange (entry 0 unused)

  float Of(int i) const { return i >= 1 && i < static_cast<int>(Misfit.size()) ? Misfit[i] : NoFit; }
  bool Fitted(int i) const { return Of(i) >= 0; }
};

}  // namespace tarvo
