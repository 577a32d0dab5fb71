#include "engine/export/sondo_writer.h"

#include <algorithm>
#include <bitset>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/core/electrode_altitude.h"
#include "engine/export/export_common.h"

namespace tarvo {

namespace {

// Digits of spacings, positions and values in the Sondo files.
constexpr int SondoDigits = 1;

std::string Number(double x) { return FormatValue(x, SondoDigits); }

std::string MemoLine(const TDataset& ds, std::size_t i) { return i < ds.Memo.size() ? ds.Memo[i] : std::string(); }

std::string FixedThreeDecimals(double x) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 3);
  return std::string(buf, res.ptr);
}

int Stations(const TDataset& ds) { return std::clamp(ds.StationCount, 0, MaxStations); }
int Levels(const TDataset& ds) { return std::clamp(ds.LevelCount, 0, MaxLevels); }

char KeyLetter(std::uint8_t type) { return IsValidArrayCode(type) ? ArrayLetters[type] : ' '; }

std::string SpacingLabel(std::uint8_t type) {
  return IsValidArrayCode(type) ? std::string(SpacingLabels[type]) : std::string();
}

bool SameSpacing(const TDataset& ds, int level1, int level2) {
  return ApproxEqual(ds.LevelSpacing[level1], ds.LevelSpacing[level2]);
}

// Puts the good points of one set on the grids: the first point of a cell
// sets it, a further one makes it the geometric mean; the error is that of
// the last point.
void EnterSet(const TDataset& ds, const TSetEntry& set, SondoSoundings& s) {
  const int last = std::min(set.Last, ds.PointCount);
  for (int k = std::max(set.First, 1); k <= last; ++k) {
    if (IsBad(ds, k)) continue;
    const TDataPoint& p = ds.Points[k];
    if (p.Station < 1 || p.Station > Stations(ds) || p.Level < 1 || p.Level > Levels(ds)) continue;
    float& r = s.R(p.Station, p.Level);
    r = r == 0 ? p.Rho : static_cast<float>(std::sqrt(double{r} * p.Rho));
    s.E(p.Station, p.Level) = p.Q;
  }
}

// Value of an empty level `lev` of station st inside a run of empty levels
// whose shallower neighbour with a value is level i (0: none) and deeper one
// level j1.
float FilledValue(const TDataset& ds, const SondoSoundings& s, int st, int lev, int i, int j1) {
  double sum = 0;
  int c = 0;
  if (st > 1 && s.R(st - 1, lev) > 0) {
    sum += std::log(double{s.R(st - 1, lev)});
    ++c;
  }
  if (st < Stations(ds) && s.R(st + 1, lev) > 0) {
    sum += std::log(double{s.R(st + 1, lev)});
    ++c;
  }
  if (c > 0) return static_cast<float>(std::exp(sum / c));

  const double rDeep = s.R(st, j1);
  if (i == 0 || SameSpacing(ds, i, j1)) return static_cast<float>(rDeep);
  const double si = ds.LevelSpacing[i];
  const double sLev = ds.LevelSpacing[lev];
  const double sDeep = ds.LevelSpacing[j1];
  // The logarithms need positive spacings; otherwise the deeper value stands.
  if (!(si > 0 && sLev > 0 && sDeep > 0)) return static_cast<float>(rDeep);
  const double ri = s.R(st, i);
  return static_cast<float>(
      std::exp(std::log(ri) + std::log(rDeep / ri) * std::log(sLev / si) / std::log(sDeep / si)));
}

// Fills the empty levels above each station's last level, station by station
// so that a station can lean on the values just filled in the one before.
void FillGaps(const TDataset& ds, SondoSoundings& s) {
  for (int st = 1; st <= Stations(ds); ++st) {
    int lev = s.LastLevel[static_cast<std::size_t>(st)] - 1;
    while (lev >= 1) {
      if (s.R(st, lev) != 0) {
        --lev;
        continue;
      }
      const int j = lev;
      int i = lev - 1;
      while (i >= 1 && s.R(st, i) == 0) --i;
      for (int l = i + 1; l <= j; ++l) s.R(st, l) = FilledValue(ds, s, st, l, i, j + 1);
      lev = i - 1;
    }
  }
}

// The chargeability grid of the selected sets, moved back onto the dataset's
// stations and levels (the grid drops the stations and levels other sets
// use).
void FillChargeability(const TDataset& ds, int setSelector, const GridSettings& gridSettings, SondoSoundings& s) {
  ValueGrid grid;
  ValueGrid raw;
  GridDescriptor d;
  // The grid takes set b + 1 for a selector b >= 0.
  BuildGrid(ds, gridSettings, grid, raw, ds.ArrayType, setSelector < 0 ? -1 : setSelector - 1, d, true, nullptr);

  // The grid level of each dataset level (0: the grid does not have it),
  // the same for every station.
  std::vector<int> gridLevel(static_cast<std::size_t>(Levels(ds)) + 1, 0);
  for (int lev = 1; lev <= Levels(ds); ++lev) {
    for (int g = 1; g <= d.LevelCount; ++g) {
      if (ApproxEqual(d.Spacing[g], ds.LevelSpacing[lev]) && ApproxEqual(d.MN[g], ds.LevelMN[lev])) {
        gridLevel[static_cast<std::size_t>(lev)] = g;
        break;
      }
    }
  }

  int c = 1;
  for (int st = 1; st <= Stations(ds); ++st) {
    const float x = ds.Stations[st];
    while (c <= d.StationCount && d.Stations[c] < x && !ApproxEqual(d.Stations[c], x)) ++c;
    if (c > d.StationCount || !ApproxEqual(d.Stations[c], x)) continue;
    for (int lev = 1; lev <= Levels(ds); ++lev) {
      const int g = gridLevel[static_cast<std::size_t>(lev)];
      if (g != 0 && !IsEmptyCell(grid(c, g))) s.Chargeability(st, lev) = grid(c, g);
    }
  }
}

enum class GroupResult { Written, Cancelled, Failed };

// One group of files for the selected sets (the sounding export).
GroupResult ExportGroup(TDataset& ds, int setSelector, const std::string& timeSuffix,
                        const GridSettings& gridSettings, const TInversionModel* model,
                        const TargetChooser& chooser, Messenger& messenger, SondoRun& run) {
  const SondoSoundings soundings = BuildSondoSoundings(ds, setSelector, gridSettings);
  if (!soundings.Overlaps.Fits) {
    messenger.Error("Too many overlaps for the Sondo \"dtg\" format.\r\nMaximal number - " +
                    std::to_string(MaxSondoOverlaps));
    return GroupResult::Failed;
  }

  const auto target = chooser(SondoDialog(ds, soundings.Dtg, timeSuffix));
  if (!target) return GroupResult::Cancelled;

  const SondoFileNames names = SondoNames(*target, soundings.Dtg);
  // The files of a group are one set: all new, or all as they were.
  std::vector<FileToWrite> files{
      {names.Main, SondoMainText(ds, soundings)},
      {names.Errors, SondoErrorText(ds, soundings)},
      {names.Profile, SondoProfileText(ds)},
  };
  if (ds.HasModel && model != nullptr && model->Covers(Stations(ds))) {
    files.push_back({names.Model, SondoModelText(ds, *model)});
  }
  const FileReadResult written = WriteFilesWhole(files);
  if (!written.ok) {
    messenger.Error(written.error);
    return GroupResult::Failed;
  }
  run.MainFiles.push_back(names.Main);
  // A "dtg" group has no ".dtn" file; one left from earlier goes.
  if (soundings.Dtg) {
    std::error_code ignored;
    std::filesystem::remove(names.Obsolete, ignored);
  }
  return GroupResult::Written;
}

// Makes set k current for an export: its header and its type.
void SelectForExport(TDataset& ds, int k) {
  ds.SeqHeader = ds.SetSeqHeaders[k];
  ds.ArrayType = ds.Sets[k].Type;
}

}  // namespace

SondoOverlaps FindSondoOverlaps(const TDataset& ds) {
  SondoOverlaps o;
  const int levels = Levels(ds);
  if (ds.LevelDupCount <= 0) return o;

  o.Width = 1;
  if (ds.LevelDupCount > 1) {
    for (int i = 2; i <= levels; ++i) {
      if (!SameSpacing(ds, i, i - 1)) continue;
      if (i + 2 <= levels && SameSpacing(ds, i + 1, i + 2)) o.Width = 2;
      break;
    }
  }

  const int count = ds.LevelDupCount / o.Width;
  if (count > MaxSondoOverlaps) {
    o.Fits = false;
    return o;
  }
  int start = 1;
  for (int k = 1; k <= count; ++k) {
    int p = start;
    while (p <= levels - 1 && !SameSpacing(ds, p, p + 1)) ++p;
    if (p > levels - 1) break;  // fewer repeated spacings than counted: the overlaps found stand
    o.Positions.push_back(p);
    start = o.Width == 1 ? p + 1 : p + 3;
  }
  return o;
}

int SondoSoundings::DistinctSpacings(int station) const {
  const int last = LastLevel[static_cast<std::size_t>(station)];
  int count = last;
  for (const int p : Overlaps.Positions) {
    if (p <= last) count -= Overlaps.Width;
  }
  return count;
}

SondoSoundings BuildSondoSoundings(const TDataset& ds, int setSelector, const GridSettings& gridSettings) {
  SondoSoundings s;
  const int stations = Stations(ds);
  const int levels = Levels(ds);
  s.R = SoundingTable(stations, levels, 0.0f);
  s.E = SoundingTable(stations, levels, 100.0f);
  s.Chargeability = SoundingTable(stations, levels, 0.0f);

  const int sets = std::clamp(ds.SetCount, 0, MaxSets);
  if (setSelector < 0) {
    for (int k = 1; k <= sets; ++k) {
      if (ds.Sets[k].Type == ds.ArrayType) EnterSet(ds, ds.Sets[k], s);
    }
  } else if (setSelector >= 1 && setSelector <= sets) {
    EnterSet(ds, ds.Sets[setSelector], s);
  }

  s.LastLevel.assign(static_cast<std::size_t>(stations) + 1, 0);
  for (int st = 1; st <= stations; ++st) {
    for (int lev = levels; lev >= 1; --lev) {
      if (s.R(st, lev) != 0) {
        s.LastLevel[static_cast<std::size_t>(st)] = lev;
        break;
      }
    }
  }
  FillGaps(ds, s);

  s.Overlaps = FindSondoOverlaps(ds);
  s.Dtg = !s.Overlaps.Positions.empty() || !s.Overlaps.Fits;
  s.KeyIP = !s.Dtg && ds.HasIP;
  if (s.KeyIP) FillChargeability(ds, setSelector, gridSettings, s);
  return s;
}

std::string SondoMainText(const TDataset& ds, const SondoSoundings& s) {
  const int stations = Stations(ds);
  const int levels = Levels(ds);
  const std::string label = SpacingLabel(ds.ArrayType);
  const std::string letter(1, KeyLetter(ds.ArrayType));
  const int w = s.Overlaps.Width;
  const auto& positions = s.Overlaps.Positions;
  const int overlaps = static_cast<int>(positions.size());

  std::vector<std::string> lines{MemoLine(ds, 0), MemoLine(ds, 1)};
  if (!s.Dtg) {
    lines.push_back(std::to_string(stations) + " " + (s.KeyIP ? "1" : "0") + " " + std::to_string(levels) + " " +
                    letter + " nVES, KeyIP, nR");
  } else {
    lines.push_back(std::to_string(stations) + " 0 " + std::to_string(levels - overlaps * w) + " " +
                    std::to_string(overlaps) + " 0 " + (w == 1 ? "_" : " ") + letter +
                    " nVES, KeyIP, nOverlab, Key_dU, KeyArray");
    std::string at;
    // Each overlap's place among the distinct spacings.
    for (int k = 0; k < overlaps; ++k) at += " " + std::to_string(positions[static_cast<std::size_t>(k)] - k * w);
    lines.push_back(at + "  nR with overlap");
    std::string mn;
    for (const int p : positions) mn += Number(ds.LevelMN[p]) + " ";
    lines.push_back(mn + Number(levels > 0 ? ds.LevelMN[levels] : 0.0f) + "  MN");
  }

  std::string spacings;
  for (int lev = 1; lev <= levels; ++lev) {
    if (lev == 1 || !SameSpacing(ds, lev, lev - 1)) spacings += " " + Number(ds.LevelSpacing[lev]);
  }
  lines.push_back(spacings + " " + label);

  for (int st = 1; st <= stations; ++st) {
    const int last = s.LastLevel[static_cast<std::size_t>(st)];
    const std::string count = std::to_string(s.DistinctSpacings(st));
    lines.push_back(Number(ds.Stations[st]));
    lines.push_back((s.KeyIP ? count + " " + count : count) + "  n" + label);
    std::string values;
    for (int lev = 1; lev <= last; ++lev) {
      values += ' ';
      values += Number(s.R(st, lev));
    }
    for (const int p : positions) {
      // A sounding that ends above an overlap gets placeholders for it.
      if (last < p) {
        for (int k = 0; k < w; ++k) values += " 10000";
      }
    }
    lines.push_back(values + " {app. resistivity}");
    if (s.KeyIP) {
      std::string ip;
      for (int lev = 1; lev <= last; ++lev) {
        ip += ' ';
        ip += Number(s.Chargeability(st, lev));
      }
      lines.push_back(ip + " {app. chargeabilty}");
    }
  }
  return JoinCrLf(lines);
}

std::string SondoErrorText(const TDataset& ds, const SondoSoundings& s) {
  const double limit = ds.Thresholds.ErrorLimit;
  std::vector<std::string> lines{" Errors " + MemoLine(ds, 0), MemoLine(ds, 1)};
  for (int st = 1; st <= Stations(ds); ++st) {
    const int last = s.LastLevel[static_cast<std::size_t>(st)];
    lines.push_back(Number(ds.Stations[st]));
    std::string weights;
    for (int lev = 1; lev <= last; ++lev) {
      const double e = s.E(st, lev);
      weights += ' ';
      weights += limit < e ? std::string("0") : Number((100 - e) / 100);
    }
    lines.push_back(weights + " {1-epsion,%}");
    if (s.KeyIP) {
      std::string ip;
      for (int lev = 1; lev <= last; ++lev) ip += limit < s.E(st, lev) ? " 0" : " 1 ";
      lines.push_back(ip + " {1-epsion,%}");
    }
  }
  return JoinCrLf(lines);
}

float ElevationAt(const TDataset& ds, double x) {
  const int n = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  if (n < 2) return -1e15f;
  int e = 2;
  while (e < n && !(x <= ds.ElectrodePos[e])) ++e;
  const auto altitude = [&ds](int k) { return ShownAltitude(ds, k); };
  const double z1 = altitude(e - 1);
  const double z2 = altitude(e);
  const double x1 = ds.ElectrodePos[e - 1];
  const double x2 = ds.ElectrodePos[e];
  return static_cast<float>(z1 + (x - x1) * (z2 - z1) / (x2 - x1));
}

std::string SondoProfileText(const TDataset& ds) {
  std::vector<std::string> lines{"-1 1"};
  for (int st = 1; st <= Stations(ds); ++st) lines.push_back(Number(ds.Stations[st]));
  lines.push_back("+");
  lines.push_back("1 1");
  for (int st = 1; st <= Stations(ds); ++st) lines.push_back(FixedThreeDecimals(ElevationAt(ds, ds.Stations[st])));
  lines.push_back("+");
  return JoinCrLf(lines);
}

std::string SondoModelText(const TDataset& ds, const TInversionModel& model) {
  const int layers = std::clamp(model.LayerCount, 0, MaxModelLayers);
  const int stations = std::min(Stations(ds), model.Resistivity.Size());
  std::vector<std::string> lines{MemoLine(ds, 0), MemoLine(ds, 1), std::to_string(Stations(ds))};
  for (int st = 1; st <= stations; ++st) {
    const auto& rho = model.Resistivity[st];
    lines.push_back(Number(ds.Stations[st]));
    lines.push_back(std::to_string(layers) + " 0 0");
    std::string resistivities;
    for (int l = 1; l <= layers; ++l) resistivities += Number(rho[l]) + " ";
    if (layers >= 1) resistivities += Number(rho[layers]);
    lines.push_back(resistivities + " Ro");
    std::string thicknesses;
    for (int k = 1; k <= layers - 1; ++k) {
      const double top = k == 1 ? 0.0 : double{model.LayerDepth[static_cast<std::size_t>(k - 1)]};
      thicknesses += Number(model.LayerDepth[static_cast<std::size_t>(k)] - top) + " ";
    }
    lines.push_back(thicknesses + " h");
  }
  return JoinCrLf(lines);
}

SaveDialogDescription SondoDialog(const TDataset& ds, bool dtg, const std::string& timeSuffix) {
  SaveDialogDescription dialog;
  dialog.title = "Sondo";
  dialog.filter = dtg ? "Sondo \"dtg\" format|*.dtg" : "Sondo \"dat\" format|*.dat";
  dialog.defaultExt = dtg ? "dtg" : "dat";
  dialog.proposedName = "Sondo_" + ds.SeqHeader.TitleText() + timeSuffix;
  return dialog;
}

SondoFileNames SondoNames(const std::string& mainPath, bool dtg) {
  const auto with = [&mainPath](const char* extension) {
    return std::filesystem::path(mainPath).replace_extension(extension).string();
  };
  SondoFileNames names;
  names.Main = mainPath;
  names.Errors = with(dtg ? ".bag" : ".bar");
  names.Profile = with(".dpr");
  names.Model = with(".res");
  names.Obsolete = with(".dtn");
  return names;
}

SondoRun ExportSondo(TDataset& ds, const GridSettings& gridSettings, TInversionModels* models,
                        const TargetChooser& chooser, Messenger& messenger) {
  SondoRun run;
  // Stations and electrode positions of every file take the x shift once.
  ApplyXShift(ds);
  const int sets = std::clamp(ds.SetCount, 0, MaxSets);
  const auto exportSets = [&](int selector, const std::string& suffix) {
    const TInversionModel* model = models != nullptr ? &models->Current : nullptr;
    return ExportGroup(ds, selector, suffix, gridSettings, model, chooser, messenger, run) != GroupResult::Failed;
  };

  if (ds.TimeSetCount <= 0) {
    std::bitset<256> exported;
    for (int k = 1; k <= sets; ++k) {
      if (exported.test(ds.Sets[k].Type)) continue;
      exported.set(ds.Sets[k].Type);
      SelectForExport(ds, k);
      if (!exportSets(-1, "")) {
        run.Ok = false;
        return run;
      }
    }
    return run;
  }

  const int times = std::min(ds.TimeSetCount, MaxTimeSteps);
  for (int j = 1; j <= times; ++j) {
    if (models != nullptr) models->Current = models->TimeSets[j];
    const std::string suffix = "_time_" + FormatValue(ds.TimeSetTimes[j], 0);
    for (int k = 1; k <= ds.BaseSetCount; ++k) {
      const int l = (j - 1) * ds.BaseSetCount + k;
      if (l > sets) break;
      SelectForExport(ds, l);
      if (!exportSets(l, suffix)) {
        run.Ok = false;
        return run;
      }
    }
  }
  return run;
}

bool WriteSondo(TDataset& ds, const ExportOptions& /*options*/, const std::string& path, Messenger& messenger,
                TInversionModels* models) {
  // The first group goes to the chosen path, every further one next to it
  // under its proposed name, numbered when a name repeats.
  const SondoRun run = ExportSondo(ds, GridSettings{}, models, TargetsBeside(path), messenger);
  return run.Ok && !run.MainFiles.empty();
}

}  // namespace tarvo
