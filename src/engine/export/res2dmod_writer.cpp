#include "engine/export/res2dmod_writer.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/export/export_common.h"

namespace tarvo {

namespace {

constexpr int Res2dModDigits = 2;

std::string Number(double x) { return FormatValue(x, Res2dModDigits); }

std::string MemoLine(const TDataset& ds, std::size_t i) { return i < ds.Memo.size() ? ds.Memo[i] : std::string(); }

// Smallest positive potential-dipole length of all points, bad ones
// included. A pole-pole sequence stores MN 0, which would give the
// sensitivity grid a zero step, so zero lengths do not count.
double SmallestMN(const TDataset& ds) {
  double u = 0;
  for (int i = 1; i <= ds.PointCount; ++i) {
    const double mn = ds.Points[i].MN;
    if (mn > 0 && (u == 0 || mn < u)) u = mn;
  }
  return u;
}

std::string TitleLine(const TDataset& ds) {
  if (ds.DataKind == DataKindResistivityOnly) {
    if (ds.SetCount == 1) return MemoLine(ds, 0) + " " + MemoLine(ds, 1);
    std::string names;
    for (int s = 1; s <= std::min(ds.SetCount, MaxSets); ++s) {
      if (s > 1) names += " + ";
      const std::uint8_t type = ds.Sets[s].Type;
      if (IsValidArrayCode(type)) names += ArrayShortNames[type];
    }
    return names;
  }
  return "Res2Dmod (txt). " + MemoLine(ds, 0) + " " + MemoLine(ds, 1);
}

// "x 0": an electrode at x on the surface.
std::string SurfaceElectrode(double x) {
  std::string line;
  AppendValue(line, x, Res2dModDigits);
  line += " 0";
  return line;
}

void AppendArray(std::vector<std::string>& lines, int k, std::uint8_t type, const TDataPoint& p) {
  std::string title = "array ";
  title += std::to_string(k);
  title += " = ";
  title += ArrayTypeNames[type];
  lines.push_back(std::move(title));
  lines.push_back(SurfaceElectrode(p.XA));
  if (type == ForwardPoleDipole || type == ReversePoleDipole) {
    lines.push_back("-10000 0");  // the remote current electrode
  } else {
    lines.push_back(SurfaceElectrode(p.XB));
  }
  lines.push_back(SurfaceElectrode(p.XM));
  lines.push_back(SurfaceElectrode(p.XN));
}

// Arrays with at least one electrode of each pair; pole-pole has no line.
bool HasRes2dModLines(std::uint8_t type) { return type >= Schlumberger && type <= Asymmetrical; }

}  // namespace

Res2dModPreparation PlanRes2dMod(const TDataset& ds) {
  Res2dModPreparation prep;
  prep.Dialog = SaveDialogDescription{"TXT format for Res2dMod", "", "Res2dMod text|*.txt", ".txt"};
  if (ds.DataKind < DataKindSequence || ds.SetCount <= 0) return prep;
  prep.Ready = true;
  prep.UnitSpacing = SmallestMN(ds);
  if (ds.DataKind == DataKindResistivityOnly) {
    prep.Dialog.proposedName = std::filesystem::path(ds.FileName).replace_extension(".txt").string();
  } else {
    prep.Dialog.proposedName = UnderscoredSequenceTitle(ds) + ".txt";
  }
  return prep;
}

Res2dModPreparation PrepareRes2dMod(TDataset& ds) {
  // Neither the merge nor the shift changes what the plan reads.
  const Res2dModPreparation prep = PlanRes2dMod(ds);
  if (!prep.Ready) return prep;
  MergeRepeatedMeasurements(ds);
  ApplyXShift(ds);
  return prep;
}

Res2dModText Res2dModFileText(const TDataset& ds, double u) {
  Res2dModText result;
  std::vector<std::string> arrays;
  int listed = 0;
  for (int s = 1; s <= std::min(ds.SetCount, MaxSets); ++s) {
    const TSetEntry& set = ds.Sets[s];
    if (!HasRes2dModLines(set.Type)) {
      result.UnsupportedSets.push_back(s);
      continue;
    }
    const int last = std::min(set.Last, ds.PointCount);
    for (int k = std::max(set.First, 1); k <= last; ++k) {
      if (IsBad(ds, k)) continue;
      AppendArray(arrays, k, set.Type, ds.Points[k]);
      ++listed;
    }
  }

  std::vector<std::string> lines;
  lines.push_back(TitleLine(ds));
  // The count is that of the arrays listed below (bad points and sets of
  // unsupported types left out), so that the list reads back whole.
  lines.push_back("Number of arrays");
  lines.push_back(std::to_string(listed));
  lines.push_back("Unit electrode spacing");
  lines.push_back(Number(u));
  lines.push_back("Coordinates of electrodes (xc1,zc1,xc2,zc2,xp1,zp1,xp2,zp2)");
  lines.insert(lines.end(), std::make_move_iterator(arrays.begin()), std::make_move_iterator(arrays.end()));

  const int electrodes = std::min(ds.ElectrodePosCount, MaxElectrodePositions);
  const double first = electrodes > 0 ? double{ds.ElectrodePos[1]} : 0.0;
  const double lastX = electrodes > 0 ? double{ds.ElectrodePos[electrodes]} : 0.0;
  lines.push_back("Starting and ending x-location to calculate sensitivity values, spacing");
  lines.push_back(Number(first - 10 * u) + " " + Number(lastX + 10 * u) + " " + Number(u / 4));

  const int levels = std::min(ds.LevelCount, MaxLevels);
  const double depth = 1.2 * (levels > 0 ? double{ds.LevelSpacing[levels]} : 0.0);
  lines.push_back("Starting and ending z-location to calculate sensitivity values, spacing");
  lines.push_back(Number(u / 10) + " " + Number(depth) + " " + Number((depth - u / 10) / 30));

  for (const char* line : {"Material resistivity (ohm.m)", "1", "Maximum current (Amp)", "1",
                           "Minimum potential (mV)", "0.1"}) {
    lines.push_back(line);
  }
  result.Text = JoinCrLf(lines);
  return result;
}

bool WriteRes2dModFile(const TDataset& ds, double unitSpacing, const std::string& path, Messenger& messenger) {
  const Res2dModText text = Res2dModFileText(ds, unitSpacing);
  for (std::size_t i = 0; i < text.UnsupportedSets.size(); ++i) messenger.Error("Error 12.");
  const FileReadResult r = WriteFileWhole(path, text.Text);
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }
  return true;
}

bool WriteRes2dMod(TDataset& ds, const ExportOptions& /*options*/, const std::string& path, Messenger& messenger) {
  const Res2dModPreparation prep = PrepareRes2dMod(ds);
  if (!prep.Ready) return false;
  return WriteRes2dModFile(ds, prep.UnitSpacing, path, messenger);
}

}  // namespace tarvo
