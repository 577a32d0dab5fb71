#include "engine/shell/shell_state.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/syscal_reader.h"

namespace tarvo {

ExportOptions ExportOptionsFrom(const ProgramSettings& settings, bool withoutIP) {
  ExportOptions o;
  o.WithoutIP = withoutIP;
  o.ModelRefinement = settings.ModelRefinement;
  o.IPUnit = settings.IPUnitCaption();
  return o;
}

namespace {

// The set whose stored headers follow the edits of the current headers:
// the selected one, or the only one.
int EditedSet(const TDataset& ds) {
  if (ds.SelectedSetEntry >= 0 && ds.SelectedSetEntry < ds.SetCount) return ds.SelectedSetEntry + 1;
  return ds.SetCount == 1 ? 1 : 0;
}

void StoreHeadersOfEditedSet(TDataset& ds) {
  const int k = EditedSet(ds);
  if (k < 1 || k > MaxSets) return;
  ds.SetFileHeaders[k] = ds.FileHeader;
  ds.SetSeqHeaders[k] = ds.SeqHeader;
}

void HideLevel(TDataset& ds, int level, bool hide) {
  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    if (p.Level != level) continue;
    const bool toggle = hide ? !IsBad(ds, i) : CarriesDeletedMark(ds, p);
    if (!toggle) continue;
    ToggleDeletedMark(p);
    ds.Notify([i](DatasetObserver& o) { o.PointChanged(i); });
  }
}

// Moves a hiding position step by step to `position`; level(b) is the level
// that position b hides.
template <class LevelOf>
bool MoveHiding(TDataset& ds, int& current, int position, int limit, LevelOf level) {
  if (ds.PointCount == 0 || position < 0) return false;
  // Going back is always possible, even when an append left fewer levels.
  if (position > current && position > limit) return false;
  if (position == current) return true;
  if (ds.SetCount > 1 && ds.SelectedSetEntry >= 0) ds.SelectedSetEntry = -1;
  while (current < position) HideLevel(ds, level(++current), true);
  while (current > position) HideLevel(ds, level(current--), false);
  CountBadPoints(ds);
  return true;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string ModifiedPanelText(const TDataset& ds, const ShellState& s) {
  if (s.Modified) return "Modified";
  if (ds.ReadOnlyData && IsLoaded(ds.DataKind) && ds.DataKind <= DataKindSequence) return "Read Only";
  return {};
}

bool ConfirmLeaving(const TDataset& ds, const ShellState& s, Messenger& messenger) {
  if (ModifiedPanelText(ds, s) != "Modified") return true;
  return messenger.AskYesNo(MessageKind::Warning, LeaveModifiedQuestion);
}

int ExportedPointCount(const TDataset& ds) {
  int count = 0;
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (!IsBad(ds, i)) ++count;
  }
  return count;
}

std::string ExportWrittenText(const std::string& path, int points) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return "Written " + name + ": " + std::to_string(points) + (points == 1 ? " point" : " points");
}

void RefreshShellAfterSummary(TDataset& ds, ShellState& s, bool fromTableWindow) {
  if (ds.ReadOnlyData || !fromTableWindow) s.Modified = false;
  ShowCommentsInMemo(ds);
}

void PrepareShellForRead(ShellState& s, OpenCaller caller) {
  if (caller == OpenCaller::RebuildGenerated || caller == OpenCaller::RebuildAfterEdits) return;
  s.IPMode = false;
  if (caller == OpenCaller::Open) {
    s.HiddenLastLines = 0;
    s.HiddenFirstLines = 0;
  }
}

bool ToggleIPMode(const TDataset& ds, ShellState& s) {
  if (!ds.HasIP) return false;
  s.IPMode = !s.IPMode;
  return true;
}

bool SetHiddenLastLines(TDataset& ds, ShellState& s, int position) {
  const int levels = ds.LevelCount;
  return MoveHiding(ds, s.HiddenLastLines, position, levels - s.HiddenFirstLines,
                    [levels](int b) { return levels - b + 1; });
}

bool SetHiddenFirstLines(TDataset& ds, ShellState& s, int position) {
  return MoveHiding(ds, s.HiddenFirstLines, position, ds.LevelCount - s.HiddenLastLines, [](int b) { return b; });
}

void EditOperator(TDataset& ds, ShellState& s, std::string_view text) {
  s.Modified = true;
  ds.FileHeader.SetOperatorText(text);
  StoreHeadersOfEditedSet(ds);
}

void EditComments(TDataset& ds, ShellState& s, std::string_view memoText) {
  s.Modified = true;
  const std::string text(memoText);
  ds.Memo = SplitLines(text);
  std::string comments;
  for (const char c : text) {
    if (c == '\r') continue;
    if (c == '\n') comments += "\r\n";
    else comments += c;
  }
  ds.FileHeader.SetCommentsText(comments);
  StoreHeadersOfEditedSet(ds);
}

bool EditHeaderNumber(TDataset& ds, ShellState& s, HeaderNumber field, std::string_view text) {
  s.Modified = true;
  const auto number = ParseNumber(Trimmed(text));
  if (!number) return false;
  const auto value = static_cast<float>(*number);
  if (!std::isfinite(value)) return false;
  switch (field) {
    case HeaderNumber::Line: ds.SeqHeader.Line = value; break;
    case HeaderNumber::Area: ds.SeqHeader.Area = value; break;
    case HeaderNumber::XShift: ds.XShift = value; return true;
  }
  StoreHeadersOfEditedSet(ds);
  return true;
}

void SetAbsValues(TDataset& ds, bool on) {
  if (!IsLoaded(ds.DataKind)) return;
  // The measured records belong to the one file of a single-set dataset;
  // with several files there is nothing to recompute them from.
  const bool recompute = ds.DataKind == DataKindInstrument && ds.SetCount <= 1 && !ds.SyscalRaw.Empty();
  std::vector<bool> marked;
  if (recompute) {
    // The codes the records give without any mark tell which points the
    // operator marked.
    std::vector<std::uint8_t> before(static_cast<std::size_t>(ds.PointCount));
    for (int i = 1; i <= ds.PointCount; ++i) before[static_cast<std::size_t>(i - 1)] = ds.Points[i].Q;
    SyscalToValues(ds);
    marked.resize(before.size());
    for (int i = 1; i <= ds.PointCount; ++i) {
      const auto q = before[static_cast<std::size_t>(i - 1)];
      marked[static_cast<std::size_t>(i - 1)] = q != ds.Points[i].Q && (q ^ DeletedMark) == ds.Points[i].Q;
    }
  }
  ds.FileHeader.AbsValues = on ? 1 : 0;
  StoreHeadersOfEditedSet(ds);
  if (!recompute) return;
  SyscalToValues(ds);
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (marked[static_cast<std::size_t>(i - 1)]) ToggleDeletedMark(ds.Points[i]);
  }
  CountBadPoints(ds);
}

MenuEnabling WorkOutMenuEnabling(const TDataset& ds) {
  MenuEnabling e;
  const float kind = ds.DataKind;
  e.Extract = (kind > DataKindInstrument && ds.SetCount > 1) ||
              (ds.IsSequence() && ds.SequenceSetCount >= 2 && ds.SetCount == ds.SequenceSetCount);
  e.MergeSEQ = ds.IsSequence() && ds.SetCount > 1;
  e.ExchangeElectrodes = ds.IsSequence() && ds.SetCount == 1;
  e.Amn2mnB = e.ExchangeElectrodes && (ds.ArrayType == ForwardPoleDipole || ds.ArrayType == ReversePoleDipole);
  const float whole = std::trunc(kind);
  e.MirrorProfile = (whole == DataKindSequence || whole == DataKindInstrument) && ds.SetCount == 1;
  std::string ext = std::filesystem::path(ds.FileName).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  e.InvData = kind == DataKindResistivityOnly && ext == ".inv" && ds.Models.ChosenIteration > 0;
  return e;
}

std::vector<std::string> StartupRecentDirCaptions(const OpenCommandState& state) {
  OpenCommandState withCurrent = state;
  withCurrent.RecentDirs.insert(withCurrent.RecentDirs.begin(), std::string());
  return RecentDirCaptions(withCurrent);
}

}  // namespace tarvo
