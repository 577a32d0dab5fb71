#include "engine/core/ip_decay.h"

#include <array>
#include <cmath>

namespace tarvo {

namespace {

// The windows a fit takes part in, with the logarithms of their times,
// worked out once for every point that shares them.
struct FitTimes {
  std::array<int, MaxIPWindows> window{};
  std::array<double, MaxIPWindows> logT{};
  int n = 0;
  double meanX = 0;
  double sxx = 0;  // Σ (x − mean x)²
};

FitTimes TimesOf(const TIPWindows& windows, int count) {
  FitTimes f;
  for (int i = 1; i <= count && i <= MaxIPWindows; ++i) {
    const float t = windows.IPWindowCentres[static_cast<std::size_t>(i)];
    if (!(windows.IPWindowWidths[static_cast<std::size_t>(i)] > 0) || !(t > 0)) continue;
    f.window[static_cast<std::size_t>(f.n)] = i;
    f.logT[static_cast<std::size_t>(f.n)] = std::log(static_cast<double>(t));
    ++f.n;
  }
  if (f.n == 0) return f;
  double sum = 0;
  for (int k = 0; k < f.n; ++k) sum += f.logT[static_cast<std::size_t>(k)];
  f.meanX = sum / f.n;
  for (int k = 0; k < f.n; ++k) {
    const double d = f.logT[static_cast<std::size_t>(k)] - f.meanX;
    f.sxx += d * d;
  }
  return f;
}

constexpr int MinFitWindows = 3;

TDecayFit Fit(const FixedTable<float, MaxIPWindows>& m, const FitTimes& f) {
  TDecayFit fit;
  if (f.n < MinFitWindows || !(f.sxx > 0)) return fit;
  const float first = m[f.window[0]];
  const double sign = first < 0 ? -1.0 : 1.0;
  std::array<double, MaxIPWindows> y{};
  double sumY = 0;
  for (int k = 0; k < f.n; ++k) {
    const double v = sign * static_cast<double>(m[f.window[static_cast<std::size_t>(k)]]);
    if (!(v > 0) || !std::isfinite(v)) {
      fit.Misfit = TDecayFits::SignChange;
      return fit;
    }
    y[static_cast<std::size_t>(k)] = std::log(v);
    sumY += y[static_cast<std::size_t>(k)];
  }
  const double meanY = sumY / f.n;
  double sxy = 0;
  for (int k = 0; k < f.n; ++k) sxy += (f.logT[static_cast<std::size_t>(k)] - f.meanX) * (y[static_cast<std::size_t>(k)] - meanY);
  const double slope = sxy / f.sxx;  // of ln|m| over ln t: −B
  const double intercept = meanY - slope * f.meanX;
  double ssr = 0;
  for (int k = 0; k < f.n; ++k) {
    const double r = y[static_cast<std::size_t>(k)] - (intercept + slope * f.logT[static_cast<std::size_t>(k)]);
    ssr += r * r;
  }
  fit.A = sign * std::exp(intercept);
  fit.B = -slope;
  fit.Misfit = static_cast<float>(100.0 * std::sqrt(ssr / f.n));
  return fit;
}

bool FileTimesUsable(const TDataset& ds) {
  const TIPWindowTimes& t = ds.IPWindowTimes;
  if (!t.Known || ds.IPWindowCount < 1 || !(t.Delay >= 0)) return false;
  for (int i = 1; i <= ds.IPWindowCount && i <= MaxIPWindows; ++i) {
    if (!(t.Widths[i] > 0)) return false;
  }
  return true;
}

}  // namespace

double TDecayFit::At(double t) const { return t > 0 ? A * std::pow(t, -B) : 0.0; }

TIPWindows IPWindowsInUse(const TDataset& ds) {
  if (!FileTimesUsable(ds)) return ds.IPParameters.Windows;
  TIPTimeRow widths{};
  widths[0] = ds.IPWindowTimes.Delay;
  for (int i = 1; i <= MaxIPWindows; ++i) widths[static_cast<std::size_t>(i)] = ds.IPWindowTimes.Widths[i];
  return WindowsFromWidths(widths, IPTimesSource::File);
}

TDecayFit FitDecay(const FixedTable<float, MaxIPWindows>& m, const TIPWindows& windows, int count) {
  return Fit(m, TimesOf(windows, count));
}

void FitDecays(TDataset& ds) {
  ds.DecayFits.Misfit.clear();
  if (ds.IPWindowCount < 1 || ds.PointCount < 1) return;
  const FitTimes times = TimesOf(IPWindowsInUse(ds), ds.IPWindowCount);
  ds.DecayFits.Misfit.assign(static_cast<std::size_t>(ds.PointCount) + 1, TDecayFits::NoFit);
  for (int i = 1; i <= ds.PointCount; ++i) ds.DecayFits.Misfit[static_cast<std::size_t>(i)] = Fit(ds.Points[i].M, times).Misfit;
}

void RefitDecay(TDataset& ds, int i) {
  if (i < 1 || i > ds.PointCount) return;
  if (static_cast<int>(ds.DecayFits.Misfit.size()) != ds.PointCount + 1) {
    FitDecays(ds);
    return;
  }
  ds.DecayFits.Misfit[static_cast<std::size_t>(i)] =
      FitDecay(ds.Points[i].M, IPWindowsInUse(ds), ds.IPWindowCount).Misfit;
}

bool SetIPSchedule(TDataset& ds, int time, int type) {
  if (!ds.IPParameters.ComputeIPWindows(time, type)) return false;
  FitDecays(ds);
  return true;
}

bool RecomputeIP(TDataset& ds, int first, int last) {
  const TIPWindows windows = IPWindowsInUse(ds);
  const FixedTable<float, MaxIPWindows> probe{};
  if (!GlobalChargeability(probe, windows, first, last)) return false;
  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    p.IP = static_cast<float>(*GlobalChargeability(p.M, windows, first, last));
  }
  return true;
}

void StoreDecayValues(TDataset& ds, int i, const FixedTable<float, MaxIPWindows>& values, int first, int last) {
  if (i < 1 || i > ds.PointCount) return;
  TDataPoint& p = ds.Points[i];
  p.M = values;
  if (const auto g = GlobalChargeability(p.M, IPWindowsInUse(ds), first, last)) p.IP = static_cast<float>(*g);
  RefitDecay(ds, i);
}

}  // namespace tarvo
