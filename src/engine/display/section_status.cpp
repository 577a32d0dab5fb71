#include "engine/display/section_status.h"

#include <cmath>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/syscal_records.h"

namespace tarvo {

namespace {

// The window shows its numbers as the table does.
constexpr int StatusDigits = 1;

std::string Value(double v) { return FormatValue(v, StatusDigits); }

std::string QualityText(const TDataPoint& p) { return " (q=" + std::to_string(p.Q) + ")"; }

std::string ElectrodeText(float x) { return IsAbsentCoordinate(x) ? std::string("-") : Value(x); }

}  // namespace

std::string PickPositionText(double x, double s) { return "X=" + Value(x) + " Ps.Z=" + Value(s); }

SectionStatus NoPickStatus(const std::string& positionText) {
  return {positionText, NoPointText, NoElectrodesText, NoPointText};
}

SectionStatus PickStatus(const TDataset& ds, int i, int selectedSet, double x, double s) {
  SectionStatus st;
  const TDataPoint& p = ds.Points[i];
  st.RX_P = PickPositionText(x, s);
  const int number = selectedSet >= 1 ? i - ds.Sets[selectedSet].First + 1 : i;
  st.nD_p = "N=" + std::to_string(number);

  if (ds.SetCount == 1 && ds.DataKind <= DataKindInstrument && i <= ds.Quads.Size()) {
    const TQuadripole& q = ds.Quads[i];
    st.El_P = "nA=" + std::to_string(q.A) + " nB=" + std::to_string(q.B) + " nM=" + std::to_string(q.M) +
              " nN=" + std::to_string(q.N);
    // The raw record exists for instrument data; a sequence has none.
    if (ds.FileHeader.DocType == DocTypeCurrent && i <= ds.SyscalRaw.Size()) {
      const TSyscalRecord& r = ds.SyscalRaw[i];
      st.Roa_P = std::fabs(r.I) > 1e-8f
                     ? Value(static_cast<double>(q.K) * r.V / r.I) + QualityText(p)
                     : std::string(NoPointText);
    } else {
      st.Roa_P = NoPointText;
    }
  } else {
    st.El_P = NoElectrodesText;
    st.Roa_P = ds.HasMeasurements() ? Value(p.Rho) + QualityText(p) : std::string(NoPointText);
  }
  return st;
}

std::string PointDescription(const TDataset& ds, int i, bool ipMode) {
  const TDataPoint& p = ds.Points[i];
  std::string text = "Point " + std::to_string(i);
  for (int k = 1; k <= std::min(ds.SetCount, MaxSets); ++k) {
    if (ds.SetCount > 1 && i >= ds.Sets[k].First && i <= ds.Sets[k].Last) {
      text += ", set " + std::to_string(k) + " N=" + std::to_string(i - ds.Sets[k].First + 1);
      break;
    }
  }
  text += "\nX=" + Value(p.X) + "  Ps.Z=" + Value(p.Spacing) + "  MN=" + Value(p.MN);
  text += "\nA=" + ElectrodeText(p.XA) + "  B=" + ElectrodeText(p.XB) + "  M=" + ElectrodeText(p.XM) +
          "  N=" + ElectrodeText(p.XN);
  if (ds.SetCount == 1 && ds.DataKind <= DataKindInstrument && i <= ds.Quads.Size()) {
    const TQuadripole& q = ds.Quads[i];
    text += "  (" + std::to_string(q.A) + ", " + std::to_string(q.B) + ", " + std::to_string(q.M) + ", " +
            std::to_string(q.N) + ")";
  }
  if (ds.IsSequence()) {
    text += "\nK=" + Value(p.Rho);
  } else if (ipMode && ds.HasIP) {
    text += "\nIP=" + Value(p.IP) + "  Rho=" + Value(p.Rho);
  } else {
    text += "\nRho=" + Value(p.Rho);
    if (ds.HasIP) text += "  IP=" + Value(p.IP);
  }
  if (ds.HasVoltageAndCurrent()) text += "\nV=" + Value(p.V) + " mV  I=" + Value(p.I) + " mA";
  text += "\nq=" + std::to_string(p.Q);
  if (ds.DataKind == DataKindTextWithVI) text += "  Dev=" + Value(p.Dev);
  const std::string reason = BadPointReason(ds, i);
  if (!reason.empty()) text += "\nBad: " + reason;
  return text;
}

}  // namespace tarvo
