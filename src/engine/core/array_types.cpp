#include "engine/core/array_types.h"

#include <cmath>
#include <string>
#include <utility>

#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"

namespace tarvo {

double GeometricFactor(double xA, double xB, double xM, double xN, ElectrodePresence present) {
  double denominator = 0;
  if (present.A && present.M) denominator += 1.0 / std::fabs(xA - xM);
  if (present.A && present.N) denominator -= 1.0 / std::fabs(xA - xN);
  if (present.B && present.M) denominator -= 1.0 / std::fabs(xB - xM);
  if (present.B && present.N) denominator += 1.0 / std::fabs(xB - xN);
  return TwoPi / denominator;
}

namespace {

bool EqualSpacing(double xA, double xB, double xM, double xN) {
  return ApproxEqual(3.0 * (xM - xB), xN - xA) ||
         ApproxEqual(2.0 * std::fabs(xN - xM), std::fabs(xN - xA));
}

void SwapCurrentAndPotential(TDataPoint& p) {
  std::swap(p.XA, p.XM);
  std::swap(p.XB, p.XN);
}

void SwapCurrentAndPotential(TQuadripole& q) {
  std::swap(q.A, q.M);
  std::swap(q.B, q.N);
}

void ClassifyFourElectrodes(TDataPoint& p) {
  // Work on a copy: a reciprocal point (potential dipole more than twice the
  // current dipole) is classified on its exchanged geometry but keeps its
  // coordinates as read.
  TDataPoint g = p;
  if (2.0 * std::fabs(g.XA - g.XB) < std::fabs(g.XM - g.XN)) SwapCurrentAndPotential(g);

  const double xA = g.XA, xB = g.XB, xM = g.XM, xN = g.XN;
  const double ab = std::fabs(xA - xB);
  std::uint8_t code;
  if (std::fabs(xA - xM) > ab || std::fabs(xB - xM) > ab) {
    code = EqualSpacing(xA, xB, xM, xN) ? WennerBeta : DipoleDipole;
  } else if (ApproxEqual(std::fabs(xB - xN), std::fabs(xA - xM))) {
    code = EqualSpacing(xA, xB, xM, xN) ? Wenner : Schlumberger;
  } else {
    code = Asymmetrical;
  }

  p.PointType = code;
  p.MN = static_cast<float>(std::fabs(xM - xN));
  switch (code) {
    case Schlumberger:
    case Wenner: {
      double spacing = ab / 2.0;
      if (code == Wenner) spacing = spacing * 2.0 / 3.0;
      p.Spacing = static_cast<float>(spacing);
      p.X = static_cast<float>((xM + xN) / 2.0);
      break;
    }
    case DipoleDipole:
    case WennerBeta:
      p.Spacing = static_cast<float>(std::fabs((xA + xB) - (xM + xN)) / 4.0);
      p.X = static_cast<float>((xA + xB + xM + xN) / 4.0);
      break;
    default: {
      const double x = (xM + xN) / 2.0;
      p.X = static_cast<float>(x);
      p.Spacing = static_cast<float>(std::min(std::fabs(x - xA), std::fabs(x - xB)));
      break;
    }
  }
}

}  // namespace

namespace {

// The point's position, spacing, dipole length and electrode abscissas are
// all numbers a float holds.
bool PlacedWithinRange(const TDataPoint& p) {
  for (const float v : {p.X, p.Spacing, p.MN, p.XA, p.XB, p.XM, p.XN}) {
    if (!FitsFloat(v)) return false;
  }
  return true;
}

}  // namespace

bool IsEqualSpacing(const TDataset& ds, int i) {
  const TDataPoint& p = ds.Points[i];
  return EqualSpacing(p.XA, p.XB, p.XM, p.XN);
}

bool AllEqualSpacing(TDataset& ds) {
  for (int i = 1; i <= ds.SeqHeader.QuadCount; ++i) {
    TDataPoint& p = ds.Points[i];
    const double xA = p.XA, xB = p.XB, xM = p.XM, xN = p.XN;
    if (ApproxEqual(3.0 * (xM - xB), xN - xA)) {
      std::swap(p.XA, p.XB);
      continue;
    }
    if (!ApproxEqual(2.0 * std::fabs(xN - xM), std::fabs(xN - xA))) return false;
  }
  return true;
}

bool ClassifyPoint(TDataset& ds, int i, Messenger& messenger) {
  TDataPoint& p = ds.Points[i];
  switch (p.ElectrodeCount) {
    case 2: {
      const double am = std::fabs(double{p.XA} - p.XM);
      p.PointType = PolePole;
      p.MN = static_cast<float>(am);
      p.Spacing = static_cast<float>(am);
      p.X = static_cast<float>((double{p.XA} + p.XM) / 2.0);
      p.XB = p.XA;
      p.XN = p.XM;
      break;
    }
    case 3: {
      // The rule knows pole-dipole points only (B absent); a current dipole
      // with a single potential electrode has no array here.
      if (IsAbsentCoordinate(p.XN) && !IsAbsentCoordinate(p.XB)) {
        messenger.Error("Unsupported array: current dipole with one potential electrode.\r\nLine number - " +
                        std::to_string(p.LineNo));
        return false;
      }
      p.XB = p.XA;
      p.MN = static_cast<float>(std::fabs(double{p.XM} - p.XN));
      const double x = (double{p.XM} + p.XN) / 2.0;
      p.X = static_cast<float>(x);
      const double d = x - p.XA;
      if (d > 0) {
        p.PointType = ForwardPoleDipole;
        p.Spacing = static_cast<float>(d);
      } else {
        p.PointType = ReversePoleDipole;
        p.Spacing = static_cast<float>(-d);
      }
      break;
    }
    case 4:
      ClassifyFourElectrodes(p);
      break;
    default:
      messenger.Error("No nElectrodes in data!");
      return false;
  }
  // Coordinates that each fit a float can still give a position or spacing
  // that does not (two of 3e38 apart): no point can hold it.
  if (!PlacedWithinRange(p)) {
    messenger.Error("Error by reading electrode coordinates.\r\nLine number - " + std::to_string(p.LineNo));
    return false;
  }
  ds.TypesPresent.set(p.PointType);
  return true;
}

namespace {

// A quadripole must address electrodes of the layout and have at least one
// current and one potential electrode.
bool QuadripoleIsValid(const TQuadripole& q, int electrodeTotal) {
  for (int n : {q.A, q.B, q.M, q.N}) {
    if (n < 0 || n > electrodeTotal) return false;
  }
  return (q.A != 0 || q.B != 0) && (q.M != 0 || q.N != 0);
}

std::uint8_t ClassifyFirstQuadripole(TDataset& ds, bool& reciprocal, Messenger& messenger) {
  TQuadripole& q = ds.Quads[1];
  const auto x = [&ds](int n) { return double{ds.Electrodes[n].X}; };

  if ((q.A == 0 || q.B == 0) && (q.M == 0 || q.N == 0)) return PolePole;

  if (q.A != 0 && q.B != 0) {
    if (q.M == 0 || q.N == 0) {
      messenger.Error("Unsupported array in Syscal data: current dipole with one potential electrode");
      return NoArrayType;
    }
    if (2.0 * std::fabs(x(q.A) - x(q.B)) < std::fabs(x(q.M) - x(q.N))) {
      reciprocal = true;
      SwapCurrentAndPotential(q);
      SwapCurrentAndPotential(ds.Points[1]);
    }
    const double ab = std::fabs(x(q.A) - x(q.B));
    if (std::fabs(x(q.A) - x(q.M)) > ab || std::fabs(x(q.B) - x(q.M)) > ab) {
      return AllEqualSpacing(ds) ? WennerBeta : DipoleDipole;
    }
    return AllEqualSpacing(ds) ? Wenner : Schlumberger;
  }

  const int current = q.A != 0 ? q.A : q.B;
  return x(current) > x(q.M) ? ReversePoleDipole : ForwardPoleDipole;
}

}  // namespace

bool ClassifySequence(TDataset& ds, Messenger& messenger) {
  const int count = ds.SeqHeader.QuadCount;
  const int electrodeTotal = std::min<int>(ds.SeqHeader.ElectrodeTotal, MaxElectrodes);
  if (count < 1 || count > ds.Quads.Size()) {
    messenger.Error("Empty sequence in Syscal data");
    return false;
  }
  for (int i = 1; i <= count; ++i) {
    if (!QuadripoleIsValid(ds.Quads[i], electrodeTotal)) {
      messenger.Error("Bad electrode number in Syscal data.\r\nQuadripole number - " + std::to_string(i));
      return false;
    }
  }

  ds.Points.Resize(count);
  ds.PointCount = count;
  for (int i = 1; i <= count; ++i) {
    const TQuadripole& q = ds.Quads[i];
    TDataPoint& p = ds.Points[i];
    p.XA = ds.Electrodes[q.A != 0 ? q.A : q.B].X;
    p.XB = q.B != 0 ? ds.Electrodes[q.B].X : p.XA;
    p.XM = ds.Electrodes[q.M != 0 ? q.M : q.N].X;
    p.XN = q.N != 0 ? ds.Electrodes[q.N].X : p.XM;
    p.Q = 255;
    p.Rho = q.K;
    p.Number = i;
  }

  bool reciprocal = false;
  const std::uint8_t code = ClassifyFirstQuadripole(ds, reciprocal, messenger);
  if (code == NoArrayType) {
    ds.Points.Release();
    ds.PointCount = 0;
    return false;
  }
  ds.ArrayType = code;

  if (reciprocal) {
    for (int i = 2; i <= count; ++i) {
      SwapCurrentAndPotential(ds.Quads[i]);
      SwapCurrentAndPotential(ds.Points[i]);
    }
  }

  for (int i = 1; i <= count; ++i) {
    TDataPoint& p = ds.Points[i];
    const double xA = p.XA, xB = p.XB, xM = p.XM, xN = p.XN;
    double x = (xM + xN) / 2.0;
    double spacing = 0;
    switch (code) {
      case PolePole:
        x = (xA + xM) / 2.0;
        spacing = std::fabs(xA - xM);
        break;
      case Schlumberger: spacing = std::fabs(xA - xB) / 2.0; break;
      case Wenner: spacing = std::fabs(xA - xB) / 3.0; break;
      case ForwardPoleDipole:
      case ReversePoleDipole: spacing = std::fabs(xA - (xM + xN) / 2.0); break;
      case DipoleDipole:
        x = (xA + xB + xM + xN) / 4.0;
        spacing = std::fabs(xA + xB - xM - xN) / 4.0;
        break;
      case WennerBeta:
        x = (xA + xB + xM + xN) / 4.0;
        spacing = std::fabs(xB - xA);
        break;
      default: break;
    }
    p.X = static_cast<float>(x);
    p.Spacing = static_cast<float>(spacing);
    p.MN = code == PolePole ? 0.0f : static_cast<float>(std::fabs(xM - xN));
    if (!PlacedWithinRange(p)) {
      messenger.Error("Bad electrode coordinates in Syscal data.\r\nQuadripole number - " + std::to_string(i));
      ds.Points.Release();
      ds.PointCount = 0;
      return false;
    }
  }

  // The open command analyses the layout again after every read and reports
  // an electrode overflow there; telling it here too would show it twice.
  SilentMessenger analysedAgainLater;
  AnalyseLayout(ds, analysedAgainLater);
  ds.SequenceSetCount = 1;
  return true;
}

void UnifyTypes(TDataset& ds) {
  const auto retype = [&ds](std::uint8_t from, std::uint8_t to, double spacingFactor) {
    ds.TypesPresent.reset(from);
    for (int i = 1; i <= ds.PointCount; ++i) {
      TDataPoint& p = ds.Points[i];
      if (p.PointType != from) continue;
      p.PointType = to;
      p.Spacing = static_cast<float>(p.Spacing * spacingFactor);
    }
  };
  if (ds.TypesPresent.test(Schlumberger) && ds.TypesPresent.test(Wenner)) retype(Wenner, Schlumberger, 1.5);
  if (ds.TypesPresent.test(DipoleDipole) && ds.TypesPresent.test(WennerBeta)) retype(WennerBeta, DipoleDipole, 1.0);
}

}  // namespace tarvo
