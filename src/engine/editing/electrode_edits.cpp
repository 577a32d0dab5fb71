#include "engine/editing/electrode_edits.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/electrode_altitude.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/syscal_reader.h"

namespace tarvo {

namespace {

int RowCount(const TDataset& ds) { return std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions); }

bool UsesPosition(const TDataPoint& p, double x) {
  return ApproxEqual(p.XA, x) || ApproxEqual(p.XB, x) || ApproxEqual(p.XM, x) || ApproxEqual(p.XN, x);
}

bool UsesDeletedElectrode(const TDataset& ds, const TDataPoint& p) {
  for (int e = 1; e <= RowCount(ds); ++e) {
    if (ds.ElectrodePosFlag[e] != 0 && UsesPosition(p, ds.ElectrodePos[e])) return true;
  }
  return false;
}

// The altitude as the electrode grid writes it: three decimals at most.
double ThreeDecimals(double z) { return ParseNumber(AltitudeWithThreeDecimals(z)).value_or(z); }

// Derives the points again from the sequence after a change of the layout
// (positions moved by `moved`, factors multiplied by `factor`) and rebuilds
// the dataset as after a read. What the points measured, their quality
// codes and marks, and the deleted electrodes go with them. A sequence that
// no longer classifies leaves the dataset as it was.
ElectrodeEditOutcome Rederive(TDataset& ds, const std::function<double(double)>& moved, double factor,
                              Messenger& messenger) {
  TDataset before = ds;
  before.Observers.clear();
  const int count = ds.PointCount;

  if (!ClassifySequence(ds, messenger)) {
    const auto observers = ds.Observers;
    ds = std::move(before);
    ds.Observers = observers;
    return {};
  }
  // A data file cut short holds fewer points than its sequence.
  ds.PointCount = std::min(ds.PointCount, count);

  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& old = before.Points[i];
    TDataPoint& p = ds.Points[i];
    p.Q = old.Q;
    p.Dev = old.Dev;
    p.LineNo = old.LineNo;
    if (ds.IsSequence()) continue;
    p.I = old.I;
    p.V = old.V;
    p.IP = old.IP;
    p.SP = old.SP;
    p.M = old.M;
    p.R = old.R;
    p.Err = old.Err;
    p.Rho = static_cast<float>(old.Rho * factor);
  }
  if (ds.DataKind == DataKindInstrument && !ds.SyscalRaw.Empty()) {
    // The apparent resistivities from the raw records and the new factors;
    // the quality codes and marks stay those of the points.
    SyscalToValues(ds);
    const int raw = std::min(ds.PointCount, ds.SyscalRaw.Size());
    for (int i = 1; i <= raw; ++i) {
      const TDataPoint& old = before.Points[i];
      TDataPoint& p = ds.Points[i];
      // A record the instrument flagged keeps the point's values.
      if (ds.SyscalRaw[i].Dev >= 256) p.Rho = static_cast<float>(old.Rho * factor);
      p.Q = old.Q;
    }
  }

  ElectrodeEditOutcome outcome;
  outcome.changed = true;
  outcome.rebuild = RebuildAfterElectrodeEdit(ds, messenger);

  bool flagged = false;
  for (int e = 1; e <= std::clamp(before.ElectrodePosCount, 0, MaxElectrodePositions); ++e) {
    if (before.ElectrodePosFlag[e] == 0) continue;
    const int now = ElectrodeIndexOf(ds, moved(before.ElectrodePos[e]));
    if (now > 0) {
      ds.ElectrodePosFlag[now] = 1;
      flagged = true;
    }
  }
  if (flagged) CountBadPoints(ds);
  return outcome;
}

}  // namespace

ElectrodeEditOutcome ToggleElectrodes(TDataset& ds, const std::vector<int>& rows) {
  ElectrodeEditOutcome outcome;
  std::vector<int> selected;
  for (int r : rows) {
    if (r >= 1 && r <= RowCount(ds) && std::find(selected.begin(), selected.end(), r) == selected.end()) {
      selected.push_back(r);
    }
  }
  if (selected.empty()) return outcome;
  for (int r : selected) ds.ElectrodePosFlag[r] = ds.ElectrodePosFlag[r] != 0 ? 0 : 1;
  outcome.changed = true;

  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    const bool concerned = std::any_of(selected.begin(), selected.end(),
                                       [&](int r) { return UsesPosition(p, ds.ElectrodePos[r]); });
    if (!concerned) continue;
    const bool wanted = UsesDeletedElectrode(ds, p);
    const bool bad = IsBad(ds, i);
    if ((wanted && !bad) || (!wanted && bad && CarriesDeletedMark(ds, p))) {
      ToggleDeletedMark(p);
      outcome.changedPoints.push_back(i);
    }
  }
  CountBadPoints(ds);
  for (int i : outcome.changedPoints) ds.Notify([i](DatasetObserver& o) { o.PointChanged(i); });
  return outcome;
}

bool BrokenElectrodeAllowed(const TDataset& ds) {
  return ds.IsSequence() && ds.SetCount == 1 && ds.HasQuads() && ds.ElectrodeNumbersAvailable &&
         ds.ElectrodePosCount >= 2;
}

ElectrodeEditOutcome RemoveBrokenElectrode(TDataset& ds, int r, Messenger& messenger) {
  ElectrodeEditOutcome outcome;
  const int count = RowCount(ds);
  if (!BrokenElectrodeAllowed(ds) || r < 1 || r > count) return outcome;
  if (!messenger.AskYesNo(MessageKind::Warning, "Remove electrode n " + std::to_string(ds.ElectrodePosNumber[r]) +
                                                    " and shift all next electrodes ?")) {
    return outcome;
  }

  // The last electrode has no cable left: its points cannot be measured.
  ds.ElectrodePosFlag[count] = ds.ElectrodePosFlag[count] != 0 ? 0 : 1;
  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    if (UsesPosition(p, ds.ElectrodePos[count])) {
      p.Q = 1;
      outcome.changedPoints.push_back(i);
    }
  }

  const auto number = [&ds](int i) { return ds.ElectrodePosNumber[i]; };
  const auto valid = [](int n) { return n >= 1 && n <= MaxElectrodes; };
  for (int i = count - 1; i >= r; --i) {
    if (!valid(number(i + 1)) || !valid(number(i))) continue;
    TElectrode& to = ds.Electrodes[number(i + 1)];
    const TElectrode& from = ds.Electrodes[number(i)];
    to.X = from.X;
    to.Y = from.Y;
    to.Z = from.Z;
  }
  if (valid(number(r))) {
    ds.Electrodes[number(r)].X = 0;
    ds.Electrodes[number(r)].Y = -5;
  }

  // Every number of electrodes r..count-1 becomes the next one's, once
  // (the first electrode of a number counts, as in a scan from r on).
  std::vector<int> renumbered(static_cast<std::size_t>(MaxElectrodes) + 1, 0);
  for (int i = count - 1; i >= r; --i) {
    if (valid(number(i))) renumbered[static_cast<std::size_t>(number(i))] = number(i + 1);
  }
  for (int q = 1; q <= ds.Quads.Size(); ++q) {
    TQuadripole& quad = ds.Quads[q];
    for (std::int16_t* n : {&quad.A, &quad.B, &quad.M, &quad.N}) {
      if (*n < 1 || *n > MaxElectrodes) continue;
      const int to = renumbered[static_cast<std::size_t>(*n)];
      if (to != 0) *n = static_cast<std::int16_t>(to);
    }
  }
  for (int i = r; i <= count - 1; ++i) {
    ds.ElectrodePosNumber[i] = ds.ElectrodePosNumber[i + 1];
    ds.ElectrodePosZ[i] = ds.ElectrodePosZ[i + 1];
    ds.TypedAltitude[i] = ds.TypedAltitude[i + 1];
  }
  ds.TypedAltitude[count].reset();
  --ds.ElectrodePosCount;

  outcome.changed = true;
  CountBadPoints(ds);
  for (int i : outcome.changedPoints) ds.Notify([i](DatasetObserver& o) { o.PointChanged(i); });
  return outcome;
}

AltitudePaste PasteAltitudes(TDataset& ds, std::string_view text) {
  AltitudePaste paste;
  const auto lines = TextLines(text);
  int row = 0;
  for (std::size_t k = 0; k < lines.size() && row < RowCount(ds); ++k) {
    const auto fields = TableFields(lines[k]);
    if (fields.empty()) break;
    const auto first = TableNumber(fields[0]);
    const auto altitude = fields.size() >= 2 ? TableNumber(fields[1]) : std::nullopt;
    if (k == 0 && !first && !altitude) continue;  // a header
    ++row;
    if (!altitude) continue;
    ds.TypedAltitude[row] = ThreeDecimals(*altitude);
    ds.ElectrodePosZ[row] = static_cast<float>(*altitude);
    ++paste.rows;
  }
  paste.outcome.changed = paste.rows > 0;
  return paste;
}

ElectrodeEditOutcome SetTopography(TDataset& ds, const TopographyTable& profile, bool square) {
  ElectrodeEditOutcome outcome;
  const int n = std::min<int>(static_cast<int>(profile.points.size()), MaxElectrodePositions);
  if (n < 2) return outcome;
  for (int k = 1; k <= n; ++k) {
    const TopographyPoint& p = profile.points[static_cast<std::size_t>(k - 1)];
    ds.ElectrodeXZ[k] = {static_cast<float>(p.x - ds.XShift), static_cast<float>(p.z)};
  }
  ds.ElectrodeXZCount = n;
  ds.ElectrodeXZSquare = square && n >= 3;
  for (int e = 1; e <= RowCount(ds); ++e) ds.TypedAltitude[e] = ThreeDecimals(ProfileAltitude(ds, ds.ElectrodePos[e]));
  outcome.changed = true;
  return outcome;
}

ElectrodeEditOutcome PasteTopography(TDataset& ds, std::string_view text, bool square) {
  return SetTopography(ds, ParsePastedTopography(text, MaxElectrodePositions), square);
}

ElectrodeEditOutcome LoadTopographyFile(TDataset& ds, const std::string& path, bool square, Messenger& messenger) {
  std::vector<std::uint8_t> bytes;
  const FileReadResult read = ReadFileBytes(path, bytes);
  if (!read.ok) {
    messenger.Error("Cannot read " + path + "\r\n" + read.error);
    return {};
  }
  std::string error;
  const auto profile = ParseTopographyFile(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), MaxElectrodePositions, error);
  if (!profile) {
    messenger.Error(error + "\r\n" + path);
    return {};
  }
  if (profile->cut) {
    messenger.Warning("Only the first " + std::to_string(MaxElectrodePositions) +
                      " points of the topography are taken.\r\n" + path);
  }
  return SetTopography(ds, *profile, square);
}

bool GeometryEditAllowed(const TDataset& ds) {
  const int whole = static_cast<int>(ds.DataKind);
  return (whole == 2 || whole == 3) && ds.SetCount == 1 && ds.HasQuads() && ds.PointCount >= 1;
}

std::optional<double> ParseMultiplier(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  const auto k = TableNumber(text);
  if (!k || *k == 1 || !(*k > 0)) return std::nullopt;
  return k;
}

ElectrodeEditOutcome MultiplyDistances(TDataset& ds, double k, Messenger& messenger) {
  if (!GeometryEditAllowed(ds) || k == 1 || !(k > 0) || !FitsFloat(k)) return {};
  TDataset before = ds;
  before.Observers.clear();
  const int total = std::clamp<int>(ds.SeqHeader.ElectrodeTotal, 0, MaxElectrodes);
  for (int n = 1; n <= total; ++n) {
    TElectrode& e = ds.Electrodes[n];
    e.X = static_cast<float>(e.X * k);
    e.Y = static_cast<float>(e.Y * k);
    e.Z = static_cast<float>(e.Z * k);
  }
  for (int q = 1; q <= ds.Quads.Size(); ++q) ds.Quads[q].K = static_cast<float>(ds.Quads[q].K * k);
  auto outcome = Rederive(ds, [k](double x) { return x * k; }, k, messenger);
  if (!outcome.changed) {
    const auto observers = ds.Observers;
    ds = std::move(before);
    ds.Observers = observers;
  }
  return outcome;
}

ElectrodeEditOutcome MirrorProfile(TDataset& ds, Messenger& messenger) {
  if (!GeometryEditAllowed(ds) || ds.ElectrodePosCount < 1) return {};
  TDataset before = ds;
  before.Observers.clear();
  const double first = ds.ElectrodePos[1];
  const double last = ds.ElectrodePos[RowCount(ds)];
  const int total = std::clamp<int>(ds.SeqHeader.ElectrodeTotal, 0, MaxElectrodes);
  for (int n = 1; n <= total; ++n) ds.Electrodes[n].X = static_cast<float>(last - ds.Electrodes[n].X + first);
  auto outcome = Rederive(ds, [first, last](double x) { return last - x + first; }, 1.0, messenger);
  if (!outcome.changed) {
    const auto observers = ds.Observers;
    ds = std::move(before);
    ds.Observers = observers;
  }
  return outcome;
}

OpenResult RebuildAfterElectrodeEdit(TDataset& ds, Messenger& messenger) {
  OpenCommandState state;
  OpenRequest request;
  request.caller = OpenCaller::RebuildAfterEdits;
  ReadEnvironment env{messenger, "", nullptr, nullptr};
  return RunOpenCommand(ds, state, request, DefaultReaders(), env);
}

void ElectrodeEditUndo::Remember(const TDataset& ds) {
  saved_ = ds;
  saved_->Observers.clear();
}

void ElectrodeEditUndo::Remember(TDataset&& ds) {
  saved_ = std::move(ds);
  saved_->Observers.clear();
}

bool ElectrodeEditUndo::Undo(TDataset& ds) {
  if (!saved_) return false;
  const auto observers = ds.Observers;
  const AcceptanceThresholds thresholds = ds.Thresholds;
  const float shift = ds.XShift;
  ds = std::move(*saved_);
  ds.Observers = observers;
  ds.Thresholds = thresholds;
  ds.XShift = shift;
  saved_.reset();
  return true;
}

}  // namespace tarvo
