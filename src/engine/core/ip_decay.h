#pragma once

#include <optional>

#include "engine/core/dataset.h"
#include "engine/core/ip_windows.h"

// The decays of the IP windows: which window times apply to the loaded
// data, how well every decay follows a power law, and the chargeability
// recomputed from the windows.
namespace tarvo {

// The window times of the loaded data: the file's own where it gives a
// delay and a positive width for every window the points carry, otherwise
// the schedule of the IP parameters window.
TIPWindows IPWindowsInUse(const TDataset& ds);

// A decay fitted with the power law m(t) = A·t^(−B) by least squares on the
// logarithms of |m| and t, over the windows of positive width. Windows of
// negative chargeability are fitted on their magnitude when all of them are
// negative. Misfit is the root mean square of the logarithmic residuals
// times 100: about the windows' mean departure from the curve in percent.
struct TDecayFit {
  float Misfit = TDecayFits::NoFit;  // percent, or TDecayFits::NoFit / SignChange
  double A = 0;                      // signed: negative for a negative decay
  double B = 0;

  bool Fitted() const { return Misfit >= 0; }
  double At(double t) const;  // the fitted value at time t > 0
};

// Fits windows 1..count of `m` at the given times.
TDecayFit FitDecay(const FixedTable<float, MaxIPWindows>& m, const TIPWindows& windows, int count);

// Refits every point (ds.DecayFits) with the times in use; without IP
// windows the list is emptied.
void FitDecays(TDataset& ds);

// Refits point i alone, after its windows changed.
void RefitDecay(TDataset& ds, int i);

// The IP parameters window chose another schedule: its times replace the
// previous ones and the decays are refitted (the bad points are not
// recounted here). False, changing nothing, for indices outside the table.
bool SetIPSchedule(TDataset& ds, int time, int type);

// "Recalculate global chargeability": IP of every point becomes the
// chargeability of its windows first..last with the times in use. False,
// changing nothing, when that range spans no time.
bool RecomputeIP(TDataset& ds, int first, int last);

// Windows edited in the decay chart: point i takes them as its M, its IP
// becomes their chargeability over first..last (kept when that range spans
// no time) and its decay is refitted.
void StoreDecayValues(TDataset& ds, int i, const FixedTable<float, MaxIPWindows>& values, int first, int last);

}  // namespace tarvo
