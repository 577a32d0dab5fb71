#pragma once

// Acceptance thresholds of the bad-point test. They live as long as the
// program and keep their values across reads; the table window edits them.
namespace tarvo {

struct AcceptanceThresholds {
  static constexpr int MaxErrorLimit = 99;

  int ErrorLimit = 1;       // "Max. q (%)": largest acceptable Q, 0..99
  float MinVoltage = 0;     // "Min. dU ": smallest acceptable |V| (mV)
  float MinCurrent = 0;     // "Min. I ": smallest acceptable |I| (mA)
  float MinIP = -100;       // "Min. IP "
  float MaxIP = 100;        // "Max. IP "
  float MaxReciprocalError = 0;  // "Max reciprocal error, %": a pair that disagrees more is bad; 0 = off
  float MaxDecayMisfit = 0;      // "Max decay misfit" (%): a poorer IP decay is bad; 0 = off
};

}  // namespace tarvo
