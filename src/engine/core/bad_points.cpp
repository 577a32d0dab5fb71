#include "engine/core/bad_points.h"

#include <cmath>

#include "engine/core/numbers.h"

namespace tarvo {

namespace {
// "Max decay misfit": with IP windows, a decay whose misfit exceeds the
// limit, or whose windows change sign, is no clean decay.
bool DecayTooPoor(const TDataset& ds, int i) {
  const float limit = ds.Thresholds.MaxDecayMisfit;
  if (!(limit > 0) || !ds.HasIP) return false;
  const float misfit = ds.DecayFits.Of(i);
  return misfit == TDecayFits::SignChange || misfit > limit;
}
}  // namespace

bool IsBad(const TDataset& ds, int i) {
  const TDataPoint& p = ds.Points[i];
  const AcceptanceThresholds& t = ds.Thresholds;
  if (ds.DataKind < DataKindSequence) return false;
  if (ds.IsSequence()) return p.Q < DeletedMark;

  if (p.Q > t.ErrorLimit) return true;
  // In double: a typed 1e-8 is stored as 9.99999994e-9, which a float
  // comparison with 1e-8f would find equal.
  if (double{p.Rho} < 1e-8) return true;
  if (ds.HasVoltageAndCurrent()) {
    if (std::fabs(p.V) < t.MinVoltage) return true;
    if (std::fabs(p.I) < t.MinCurrent) return true;
  }
  if (ds.HasIP && (p.IP < t.MinIP || p.IP > t.MaxIP)) return true;
  if (t.MaxReciprocalError > 0 && ds.Reciprocals.Paired(i) && ds.Reciprocals.Error[i] > t.MaxReciprocalError)
    return true;
  if (DecayTooPoor(ds, i)) return true;
  return false;
}

std::string BadPointReason(const TDataset& ds, int i) {
  const TDataPoint& p = ds.Points[i];
  const AcceptanceThresholds& t = ds.Thresholds;
  const auto value = [](double v) { return FormatValue(v, 1); };
  if (ds.DataKind < DataKindSequence) return {};
  if (ds.IsSequence()) return p.Q < DeletedMark ? "removed from the sequence" : "";

  if (p.Q > t.ErrorLimit) {
    if (CarriesDeletedMark(ds, p)) return "marked deleted";
    if (p.Q == QRejected) return "rejected (q 100)";
    return "q " + std::to_string(p.Q) + " > " + std::to_string(t.ErrorLimit) + " %";
  }
  if (p.Rho < 1e-8f) return "app. resistivity not positive";
  if (ds.HasVoltageAndCurrent()) {
    if (std::fabs(p.V) < t.MinVoltage) return "|V| < Min. dU " + value(t.MinVoltage);
    if (std::fabs(p.I) < t.MinCurrent) return "|I| < Min. I " + value(t.MinCurrent);
  }
  if (ds.HasIP && p.IP < t.MinIP) return "IP < Min. IP " + value(t.MinIP);
  if (ds.HasIP && p.IP > t.MaxIP) return "IP > Max. IP " + value(t.MaxIP);
  if (t.MaxReciprocalError > 0 && ds.Reciprocals.Paired(i) && ds.Reciprocals.Error[i] > t.MaxReciprocalError)
    return "reciprocal error " + value(ds.Reciprocals.Error[i]) + " > " + value(t.MaxReciprocalError) + " %";
  if (DecayTooPoor(ds, i)) {
    const float misfit = ds.DecayFits.Of(i);
    if (misfit == TDecayFits::SignChange) return "IP decay changes sign";
    return "decay misfit " + value(misfit) + " > " + value(t.MaxDecayMisfit) + " %";
  }
  return {};
}

void CountBadPoints(TDataset& ds) {
  if (ds.DataKind < DataKindSequence) return;
  int bad = 0;
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (IsBad(ds, i)) ++bad;
  }
  ds.BadCount = bad;
  ds.Notify([](DatasetObserver& o) { o.BadCountChanged(); });
}

void ToggleLevelPoints(TDataset& ds, int level, bool state) {
  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    if (p.Level != level || IsBad(ds, i) == state) continue;
    ToggleDeletedMark(p);
    ds.Notify([i](DatasetObserver& o) { o.PointChanged(i); });
  }
  CountBadPoints(ds);
}

}  // namespace tarvo
