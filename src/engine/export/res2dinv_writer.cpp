#include "engine/export/res2dinv_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/tolerance_index.h"
#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/positions.h"
#include "engine/core/electrode_altitude.h"

namespace tarvo {

namespace {

// Numbers are written with two extra digits; the n factor of the usual
// format with the widest precision.
constexpr int ValueDigits = 2;
constexpr int FactorDigits = 5;

// Array number of the usual format for each array code; 0: the array has
// none (asymmetrical arrays go to the general format).
constexpr std::array<int, ArrayTypeCount + 1> Res2dInvArrayNumbers = {0, 2, 7, 1, 6, 6, 3, 4, 0};

int Res2dInvArrayNumber(int code) {
  return code >= 1 && code <= ArrayTypeCount ? Res2dInvArrayNumbers[static_cast<std::size_t>(code)] : 0;
}

bool IsPoleDipole(int code) { return code == ForwardPoleDipole || code == ReversePoleDipole; }

std::string Num(double x) { return FormatValue(x, ValueDigits); }

// Right-aligned in a field of five characters (longer texts stay whole).
std::string Width5(std::string s) {
  if (s.size() < 5) s.insert(0, 5 - s.size(), ' ');
  return s;
}

std::string Fixed(double x, int decimals) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
  return std::string(buffer, r.ptr);
}

std::string Trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Elevation text of the electrode at x: the first electrode position within
// the coordinate tolerance. A position the electrode list does not hold
// (the list was full) takes the profile's altitude there, or 0.
// The electrode positions indexed, so the first one within the tolerance is
// found by bisection, and the altitude text of each position made once.
struct PositionAltitudes {
  explicit PositionAltitudes(const TDataset& d)
      : ds(d), positions(d.ElectrodePos, d.ElectrodePosCount),
        texts(static_cast<std::size_t>(std::max(d.ElectrodePosCount, 0)) + 1) {}
  const TDataset& ds;
  ToleranceIndex positions;
  mutable std::vector<std::optional<std::string>> texts;
};

void AppendElevationAt(std::string& out, const PositionAltitudes& a, double x) {
  const int e = a.positions.First(x);
  if (e != 0) {
    std::optional<std::string>& text = a.texts[static_cast<std::size_t>(e)];
    if (!text) text = ElectrodeAltitudeText(a.ds, e);
    out += *text;
    return;
  }
  out += a.ds.ElectrodeXZCount > 0 ? AltitudeWithThreeDecimals(ProfileAltitude(a.ds, x)) : "0";
}

std::string MemoLine(const TDataset& ds, std::size_t n) { return n < ds.Memo.size() ? ds.Memo[n] : std::string(); }

void SetMemoLine(TDataset& ds, std::size_t n, const std::string& text) {
  if (ds.Memo.size() <= n) ds.Memo.resize(n + 1);
  ds.Memo[n] = text;
}

// Stem of the file of set k for a time-lapse title: its set-list entry cut
// before the first "." (or, without one, before the first blank); when
// neither lies beyond the first character, the first 8 characters.
std::string FileStem(const TDataset& ds, int k) {
  if (k < 1 || k > static_cast<int>(ds.SetNames.size())) return {};
  const std::string& entry = ds.SetNames[static_cast<std::size_t>(k - 1)];
  std::size_t cut = entry.find('.');
  if (cut == std::string::npos) cut = entry.find(' ');
  if (cut != std::string::npos && cut > 0) return entry.substr(0, cut);
  return entry.substr(0, 8);
}

bool TimeLapseTitle(const TDataset& ds, const Res2dInvPlan& plan) {
  return ds.DataKind == DataKindResistivityOnly && plan.setCount != 1 && plan.timeLapse;
}

// The text memo line 0 takes when it is empty (the title then written):
// nothing for the time-lapse title of resistivity data, which the memo does
// not hold.
std::optional<std::string> TitleForEmptyMemo(const TDataset& ds, const Res2dInvPlan& plan) {
  if (TimeLapseTitle(ds, plan)) return std::nullopt;
  if (ds.DataKind != DataKindResistivityOnly) return ds.FileName;
  if (plan.setCount == 1) return std::string(".");
  std::string names;
  for (int s = 1; s <= plan.setCount; ++s) {
    const int type = ds.Sets[s].Type;
    if (s > 1) names += " + ";
    names += IsValidArrayCode(type) ? ArrayShortNames[static_cast<std::size_t>(type)] : "";
  }
  return names;
}

// Memo line 0, or what it takes when empty.
std::string TitleMemoLine(const TDataset& ds, const Res2dInvPlan& plan) {
  const std::string line = MemoLine(ds, 0);
  if (!line.empty()) return line;
  return TitleForEmptyMemo(ds, plan).value_or(line);
}

std::string TitleLine(const TDataset& ds, const Res2dInvPlan& plan) {
  if (TimeLapseTitle(ds, plan)) {
    std::string title = FileStem(ds, 1);
    for (int t = 2; t <= plan.timeSteps; ++t) title += " + " + FileStem(ds, t * plan.setCount);
    return title;
  }
  std::string title = TitleMemoLine(ds, plan);
  if (ds.DataKind != DataKindResistivityOnly && !MemoLine(ds, 1).empty()) title += " " + MemoLine(ds, 1);
  return title;
}

void AppendNum(std::string& out, double x) {
  out += ' ';
  AppendValue(out, x, ValueDigits);
}

// The spacing and dipole length the usual format gives a pole-dipole point:
// those of its level.
bool LevelGeometry(const TDataset& ds, const TDataPoint& p, float& spacing, float& mn) {
  if (p.Level < 1 || p.Level > ds.LevelCount) return false;
  spacing = ds.LevelSpacing[p.Level];
  mn = ds.LevelMN[p.Level];
  return true;
}

bool PoleDipoleUsual(const TDataset& ds, const Res2dInvPlan& plan) {
  return !plan.general && IsPoleDipole(ds.ArrayType);
}

// The values of point i, appended to its line: apparent resistivity,
// chargeability when written, and the resistivity of the same quadripole at
// every later time step.
std::string Values(std::string line, const TDataset& ds, const Res2dInvPlan& plan, int i) {
  AppendNum(line, ds.Points[i].Rho);
  // The error estimate, in the unit of the value.
  if (plan.withErrors) AppendNum(line, ds.Points[i].Err / 100.0 * std::fabs(double{ds.Points[i].Rho}));
  if (plan.withIP) AppendNum(line, ds.Points[i].IP);
  for (int t = 1; t < plan.timeSteps; ++t) AppendNum(line, ds.Points[i + t * plan.pointCount].Rho);
  return line;
}

// " x z" of one electrode.
void AppendElectrode(std::string& line, const PositionAltitudes& altitudes, float x) {
  AppendNum(line, x);
  line += ' ';
  AppendElevationAt(line, altitudes, x);
}

// Range of set s clipped to the points written.
int SetFirst(const TDataset& ds, int s) { return std::max(ds.Sets[s].First, 1); }
int SetLast(const TDataset& ds, const Res2dInvPlan& plan, int s) { return std::min(ds.Sets[s].Last, plan.pointCount); }

void GeneralDataLines(const TDataset& ds, const Res2dInvPlan& plan, Messenger& messenger,
                      std::vector<std::string>& out) {
  const PositionAltitudes altitudes(ds);
  for (int s = 1; s <= plan.setCount; ++s) {
    const int type = ds.Sets[s].Type;
    if (!IsValidArrayCode(type)) {
      messenger.Error("Error 1.");
      continue;
    }
    for (int i = SetFirst(ds, s); i <= SetLast(ds, plan, s); ++i) {
      if (IsBad(ds, i)) continue;
      const TDataPoint& p = ds.Points[i];
      std::string line;
      if (type == PolePole) {
        line = "2";
        for (const float x : {p.XA, p.XM}) AppendElectrode(line, altitudes, x);
      } else if (IsPoleDipole(type)) {
        line = "3";
        for (const float x : {p.XA, p.XM, p.XN}) AppendElectrode(line, altitudes, x);
      } else {
        line = "4";
        for (const float x : {p.XA, p.XB, p.XM, p.XN}) AppendElectrode(line, altitudes, x);
      }
      out.push_back(Values(std::move(line), ds, plan, i));
    }
  }
}

// n factor of the usual format; 0 for a point without dipole length.
std::string Factor(double numerator, double mn, double offset) {
  return FormatValue(mn > 0 ? numerator / mn - offset : 0.0, FactorDigits);
}

// Pole-dipole in the usual format: x is the middle of the array, n is
// negative for the reverse direction.
void PoleDipoleDataLines(const TDataset& ds, const Res2dInvPlan& plan, std::vector<std::string>& out) {
  for (int s = 1; s <= plan.setCount; ++s) {
    const int type = ds.Sets[s].Type;
    if (!IsPoleDipole(type)) continue;
    for (int i = SetFirst(ds, s); i <= SetLast(ds, plan, s); ++i) {
      if (IsBad(ds, i)) continue;
      const TDataPoint& p = ds.Points[i];
      float spacing = p.Spacing, mn = p.MN;
      LevelGeometry(ds, p, spacing, mn);
      const double S = spacing, M = mn;
      const bool forward = type == ForwardPoleDipole;
      const double x = forward ? p.X + (M / 2 - S) / 2 : p.X + (S - M / 2) / 2;
      out.push_back(Values(Width5(Num(x)) + " " + Width5(Num(M)) + " " + (forward ? "" : "-") + Factor(S, M, 0.5),
                           ds, plan, i));
    }
  }
}

void UsualDataLines(const TDataset& ds, const Res2dInvPlan& plan, std::vector<std::string>& out) {
  if (IsPoleDipole(ds.ArrayType)) {
    PoleDipoleDataLines(ds, plan, out);
    return;
  }
  for (int i = 1; i <= plan.pointCount; ++i) {
    if (IsBad(ds, i)) continue;
    const TDataPoint& p = ds.Points[i];
    switch (ds.ArrayType) {
      case PolePole:
      case Wenner: out.push_back(Values(Num(p.X) + " " + Num(p.Spacing), ds, plan, i)); break;
      case Schlumberger:
        out.push_back(Values(Num(p.X) + " " + Width5(Num(p.MN)) + " " + Factor(p.Spacing, p.MN, 0.5), ds, plan, i));
        break;
      case DipoleDipole:
        out.push_back(
            Values(Num(p.X) + " " + Width5(Num(p.MN)) + " " + Factor(2.0 * p.Spacing, p.MN, 1.0), ds, plan, i));
        break;
      case WennerBeta: out.push_back(Values(Num(p.X) + " " + Width5(Num(p.MN)) + " ", ds, plan, i)); break;
      default: break;  // the preparation sends every other array to the general format
    }
  }
}

// Topography of the usual format, written only when two neighbouring
// electrodes differ in altitude.
void TopographyLines(const TDataset& ds, std::vector<std::string>& out) {
  const int count = ds.ElectrodePosCount;
  std::vector<std::string> altitudes;
  bool relief = false;
  for (int e = 1; e <= count; ++e) {
    altitudes.push_back(ElectrodeAltitudeText(ds, e));
    if (e > 1 && Trimmed(altitudes[static_cast<std::size_t>(e - 1)]) != Trimmed(altitudes[static_cast<std::size_t>(e - 2)])) {
      relief = true;
    }
  }
  if (!relief) return;
  out.push_back(std::to_string(ds.TopoDistanceType));
  out.push_back(std::to_string(count));
  for (int e = 1; e <= count; ++e) out.push_back(Num(ds.ElectrodePos[e]) + " " + altitudes[static_cast<std::size_t>(e - 1)]);
  out.push_back("1");
}

std::string ProposedName(const TDataset& ds, std::string_view res2dInvExt) {
  if (ds.DataKind == DataKindResistivityOnly) {
    std::filesystem::path name(ds.FileName);
    name.replace_extension(std::string(res2dInvExt));
    return name.string();
  }
  std::string title = ds.SeqHeader.TitleText();
  if (title.size() >= 8) {
    title[0] = '_';
    return title;
  }
  return "_" + title;
}

}  // namespace

SaveDialogDescription Res2dInvDialogFiles(std::string_view res2dInvExt) {
  SaveDialogDescription d;
  if (res2dInvExt.empty() || res2dInvExt == ".dat") {
    d.filter = "Res2Dinv files|*.dat||_*.dat";
    d.defaultExt = "DAT";
  } else {
    const std::string ext(res2dInvExt);
    d.filter = "Res2dinv (*" + ext + ")|*" + ext;
    d.defaultExt = ext.front() == '.' ? ext.substr(1) : ext;
  }
  return d;
}

Res2dInvPlan PlanRes2dInv(const TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                          std::string_view res2dInvExt) {
  Res2dInvPlan plan;
  plan.withIP = ds.HasIP && !options.WithoutIP;
  plan.general = sender == Res2dInvSender::aRes2dInv_new;
  plan.timeLapse = sender == Res2dInvSender::aTimeLapse;
  // A chargeability column would want its own error after it, which the
  // dataset does not keep: errors go with resistivities alone.
  plan.withErrors = ds.HasErrors && !plan.withIP && !plan.timeLapse;
  if (plan.timeLapse) {
    plan.pointCount = ds.PointsPerTime;
    plan.setCount = ds.BaseSetCount;
    plan.timeSteps = ds.TimeSetCount;
  } else {
    plan.pointCount = ds.PointCount;
    plan.setCount = ds.SetCount;
  }
  // The usual format needs a Res2dInv number for the array: the
  // asymmetrical array (and a missing type) go to the general format.
  if (Res2dInvArrayNumber(ds.ArrayType) == 0) plan.general = true;

  // Sets of different arrays share only the general format; forward and
  // reverse pole-dipole mix freely in the usual one.
  for (int a = 1; a <= plan.setCount; ++a) {
    for (int b = a + 1; b <= plan.setCount; ++b) {
      const int ta = ds.Sets[a].Type, tb = ds.Sets[b].Type;
      if (ta != tb && !(IsPoleDipole(ta) && IsPoleDipole(tb))) plan.general = true;
    }
  }

  // Unit electrode spacing: the shortest potential dipole. Data whose
  // dipole lengths are all 0 (pole-pole instrument sequences) fall back on
  // the electrode spacing, as Res2dInv cannot use a unit spacing of 0.
  double smallest = 0;
  for (int i = 1; i <= plan.pointCount; ++i) {
    const double mn = ds.Points[i].MN;
    if (mn > 0 && (smallest == 0 || mn < smallest)) smallest = mn;
  }
  if (smallest == 0) smallest = UnitElectrodeSpacing(ds);
  plan.unitSpacing = options.ModelRefinement ? smallest / 2 : smallest;

  plan.dialog = Res2dInvDialogFiles(res2dInvExt);
  plan.dialog.proposedName = ProposedName(ds, res2dInvExt.empty() ? ".dat" : res2dInvExt);
  plan.dialog.title = plan.general ? "General Res2dInv format" : "Usual Res2dInv format";
  if (plan.timeLapse) plan.dialog.title += " (time-lapse data)";
  return plan;
}

Res2dInvPlan PrepareRes2dInv(TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                             std::string_view res2dInvExt) {
  // Neither the merge nor the shift changes what the plan reads.
  const Res2dInvPlan plan = PlanRes2dInv(ds, sender, options, res2dInvExt);
  if (!plan.timeLapse) MergeRepeatedMeasurements(ds);
  ApplyXShift(ds);
  return plan;
}

void KeepRes2dInvWrite(TDataset& ds, const Res2dInvPlan& plan) {
  if (MemoLine(ds, 0).empty()) {
    if (const auto title = TitleForEmptyMemo(ds, plan)) SetMemoLine(ds, 0, *title);
  }
  if (!PoleDipoleUsual(ds, plan)) return;
  for (int s = 1; s <= plan.setCount; ++s) {
    if (!IsPoleDipole(ds.Sets[s].Type)) continue;
    for (int i = SetFirst(ds, s); i <= SetLast(ds, plan, s); ++i) {
      if (IsBad(ds, i)) continue;
      TDataPoint& p = ds.Points[i];
      LevelGeometry(ds, p, p.Spacing, p.MN);
    }
  }
}

std::string Res2dInvFileText(const TDataset& ds, const Res2dInvPlan& plan, const ExportOptions& options,
                             Messenger& messenger) {
  std::vector<std::string> data;
  if (plan.general) {
    GeneralDataLines(ds, plan, messenger, data);
  } else {
    UsualDataLines(ds, plan, data);
  }

  std::vector<std::string> lines;
  lines.push_back(TitleLine(ds, plan));
  lines.push_back(Fixed(plan.unitSpacing, 3));
  if (plan.general) {
    bool oneType = true;
    for (int s = 1; s <= plan.setCount; ++s) oneType = oneType && ds.Sets[s].Type == ds.ArrayType;
    lines.push_back("11");
    lines.push_back(std::to_string(oneType ? Res2dInvArrayNumber(ds.ArrayType) : 0));
    lines.push_back("Type of measurement (0=app.resistivity,1=resistance)");
    lines.push_back("0");
  } else {
    lines.push_back(std::to_string(Res2dInvArrayNumber(ds.ArrayType)));
  }
  lines.push_back(std::to_string(data.size()));
  lines.push_back("1");
  if (plan.withIP) {
    std::string unit = options.IPUnit;
    if (const auto amp = unit.find('&'); amp != std::string::npos) unit.erase(amp, 1);
    lines.insert(lines.end(), {"1", "Chargeability", unit, "0.020000,5.000000"});
  } else {
    lines.push_back("0");
  }
  if (plan.withErrors) {
    lines.insert(lines.end(),
                 {"Error estimate for data present", "Type of error estimate (0=same unit as data)", "0"});
  }
  if (plan.timeLapse) {
    lines.insert(lines.end(), {"Time sequence data", "Number of time sections", std::to_string(plan.timeSteps),
                               "Time unit", "Hours"});
    for (int t = 1; t < plan.timeSteps; ++t) {
      lines.push_back("Second time section interval");
      lines.push_back(std::to_string(t) + ".0");
    }
  }
  lines.insert(lines.end(), std::make_move_iterator(data.begin()), std::make_move_iterator(data.end()));
  if (!plan.general) TopographyLines(ds, lines);
  for (int k = 0; k < 6; ++k) lines.push_back("0");
  return JoinCrLf(lines);
}

bool Res2dInvApplies(const TDataset& ds, Res2dInvSender sender) {
  if (!ds.HasMeasurements() || ds.PointCount < 1) return false;
  // Time-lapse data need their description, which DescribeTimeSteps makes.
  return sender != Res2dInvSender::aTimeLapse ||
         (ds.PointsPerTime >= 1 && ds.BaseSetCount >= 1 && ds.TimeSetCount >= 1 &&
          ds.PointsPerTime * ds.TimeSetCount <= ds.PointCount && ds.BaseSetCount * ds.TimeSetCount <= ds.SetCount);
}

SaveOutcome ExportRes2dInv(TDataset& ds, Res2dInvSender sender, const ExportOptions& options,
                                std::string_view res2dInvExt, const TargetChooser& chooser,
                                Messenger& messenger) {
  if (!Res2dInvApplies(ds, sender)) return SaveOutcome::Refused;
  const Res2dInvPlan plan = PrepareRes2dInv(ds, sender, options, res2dInvExt);
  const std::optional<std::string> path = chooser ? chooser(plan.dialog) : std::nullopt;
  if (!path) return SaveOutcome::Cancelled;
  const std::string text = Res2dInvFileText(ds, plan, options, messenger);
  KeepRes2dInvWrite(ds, plan);
  const FileReadResult written = WriteFileWhole(*path, text);
  if (!written.ok) {
    messenger.Error(written.error);
    return SaveOutcome::Failed;
  }
  return SaveOutcome::Written;
}

bool DescribeTimeSteps(TDataset& ds, Messenger& messenger) {
  if (ds.SetCount <= 1 || ds.DataKind < DataKindInstrument) return false;
  if (ds.BadCount != 0) {
    messenger.Error("The data have to be without BAD point");
    return false;
  }
  // Sets per time step: up to the set before the second appearance of the
  // first set's type after another type.
  int p = 1;
  int other = 0;
  for (int i = 2; i <= ds.SetCount && other == 0; ++i) {
    if (ds.Sets[i].Type != ds.Sets[1].Type) other = i;
  }
  if (other != 0) {
    for (int m = other + 1; m <= ds.SetCount; ++m) {
      if (ds.Sets[m].Type == ds.Sets[1].Type) {
        p = m - 1;
        break;
      }
    }
  }
  ds.BaseSetCount = p;
  const int np = ds.Sets[p].Last - ds.Sets[1].First + 1;
  ds.PointsPerTime = np;
  if (np < 1 || ds.PointCount % np != 0 || ds.SetCount % p != 0) {
    messenger.Error("The data for different files have to be the same length");
    return false;
  }
  const int steps = ds.SetCount / p;
  if (steps > MaxTimeSteps) {
    messenger.Error("Too many time steps.\r\nMaximal number - " + std::to_string(MaxTimeSteps));
    return false;
  }
  ds.TimeSetCount = steps;
  for (int k = 1; k <= p; ++k) {
    for (int t = 2; t <= steps; ++t) {
      const int s = (t - 1) * p + k;
      if (ds.Sets[s].Type != ds.Sets[k].Type) {
        messenger.Error("The data for different arrays have to be in the same oder for all files");
        return false;
      }
      if (ds.Sets[s].Last - ds.Sets[s].First != ds.Sets[k].Last - ds.Sets[k].First) {
        messenger.Error("The data for different files have to be the same length and type");
        return false;
      }
    }
  }
  return true;
}

SaveOutcome ExportTimeLapse(TDataset& ds, const ExportOptions& options, std::string_view res2dInvExt,
                            const TargetChooser& chooser, Messenger& messenger) {
  if (!DescribeTimeSteps(ds, messenger)) return SaveOutcome::Refused;
  return ExportRes2dInv(ds, Res2dInvSender::aTimeLapse, options, res2dInvExt, chooser, messenger);
}

}  // namespace tarvo
