#include "engine/core/positions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>
#include <string>
#include <utility>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "engine/core/tolerance_index.h"

namespace tarvo {

namespace {

float RoundToThousandth(double v) { return static_cast<float>(std::round(v * 1000.0) / 1000.0); }

void InsertLevelAt(TDataset& ds, int index, double s, double m) {
  for (int i = ds.LevelCount; i >= index; --i) {
    ds.LevelSpacing[i + 1] = ds.LevelSpacing[i];
    ds.LevelMN[i + 1] = ds.LevelMN[i];
  }
  ds.LevelSpacing[index] = RoundToThousandth(s);
  ds.LevelMN[index] = RoundToThousandth(m);
  ++ds.LevelCount;
}

// Levels are kept ascending by spacing; levels of equal spacing are ordered
// by MN.
int LevelInsertIndex(const TDataset& ds, double s, double m) {
  const int n = ds.LevelCount;
  const auto& S = ds.LevelSpacing;
  const auto& M = ds.LevelMN;
  if (s > S[n]) return n + 1;
  for (int i = n; i >= 1; --i) {
    if (s > S[i] && ApproxEqual(m, M[i])) return i + 1;
    if (s > S[i] - 0.01 && m > M[i]) return i + 1;
    if (ApproxEqual(s, S[i]) && m < M[i]) return i;
    if (i < n && S[i] + 0.01 < s && s < S[i + 1] + 0.01) return i + 1;
  }
  return 1;
}

void SortLevels(TDataset& ds) {
  auto& S = ds.LevelSpacing;
  auto& M = ds.LevelMN;
  const int n = ds.LevelCount;
  for (int k = 2; k <= n - 1; ++k) {
    if (!(S[k] < S[k - 1])) continue;
    if (k > 2 && ApproxEqual(S[k - 2], S[k]) && ApproxEqual(S[k - 1], S[k + 1])) continue;
    for (int j = k; j >= 2 && S[j] < S[j - 1]; --j) {
      std::swap(S[j], S[j - 1]);
      std::swap(M[j], M[j - 1]);
    }
  }
}

}  // namespace

void BuildStationAndLevelLists(TDataset& ds, Messenger& messenger) {
  bool warnStations = true;
  bool warnLevels = true;
  // The stations are kept ascending with no two ApproxEqual, so a binary
  // search over a contiguous copy tells whether a point's abscissa is one of
  // them; the levels are searched through their spacings (a window of the
  // spacings sorted) and then their MN values. Both answer what a scan of the
  // lists answers; the lists themselves are built as before.
  AscendingTolerantList stations;
  for (int i = 1; i <= ds.StationCount; ++i) stations.Append(ds.Stations[i]);
  std::vector<std::pair<float, float>> levelsBySpacing;  // (spacing, MN) ascending by spacing
  const auto addLevelKey = [&levelsBySpacing](int index, const TDataset& d) {
    const std::pair<float, float> key{d.LevelSpacing[index], d.LevelMN[index]};
    const auto at = std::upper_bound(levelsBySpacing.begin(), levelsBySpacing.end(), key,
                                     [](const auto& a, const auto& b) { return a.first < b.first; });
    levelsBySpacing.insert(at, key);
  };
  const auto hasLevel = [&levelsBySpacing](double s, double m) {
    auto it = std::partition_point(levelsBySpacing.begin(), levelsBySpacing.end(), [s](const auto& e) {
      return e.first < s && !ApproxEqual(e.first, s);
    });
    for (; it != levelsBySpacing.end() && ApproxEqual(it->first, s); ++it) {
      if (ApproxEqual(it->second, m)) return true;
    }
    return false;
  };
  for (int i = 1; i <= ds.LevelCount; ++i) addLevelKey(i, ds);
  ExactMemo knownStations, knownLevels;

  for (int k = 1; k <= ds.PointCount; ++k) {
    const TDataPoint& p = ds.Points[k];
    const double x = p.X, s = p.Spacing, m = p.MN;
    if (ds.StationCount == 0) {
      ds.Stations[1] = static_cast<float>(x);
      ds.StationCount = 1;
      stations.Append(x);
    }
    if (ds.LevelCount == 0) {
      InsertLevelAt(ds, 1, s, m);
      addLevelKey(1, ds);
    }

    // A station or level once found stays found (the lists only grow), so
    // the values a line repeats are searched once each.
    const std::uint64_t stationKey = ExactMemo::Key(p.X);
    bool haveStation = knownStations.Find(stationKey) != nullptr;
    if (!haveStation && stations.Contains(x)) {
      haveStation = true;
      knownStations.Put(stationKey, 1);
    }
    if (!haveStation) {
      if (ds.StationCount < MaxStations) {
        stations.Insert(x);
        ++ds.StationCount;
      } else if (warnStations) {
        warnStations = false;
        messenger.Error("Too many VES locations.\r\nMaximal number - " + std::to_string(MaxStations));
      }
    }

    const std::uint64_t levelKey = ExactMemo::Key(p.Spacing, p.MN);
    bool haveLevel = knownLevels.Find(levelKey) != nullptr;
    if (!haveLevel && hasLevel(s, m)) {
      haveLevel = true;
      knownLevels.Put(levelKey, 1);
    }
    if (!haveLevel) {
      if (ds.LevelCount < MaxLevels) {
        const int at = LevelInsertIndex(ds, s, m);
        InsertLevelAt(ds, at, s, m);
        addLevelKey(at, ds);
      } else if (warnLevels) {
        warnLevels = false;
        const std::string_view label = IsValidArrayCode(ds.ArrayType) ? SpacingLabels[ds.ArrayType] : "";
        messenger.Error("\tToo many " + std::string(label) + " distances.\r\nMaximal number - " +
                        std::to_string(MaxLevels));
      }
    }
  }
  const std::vector<float>& values = stations.Values();
  for (std::size_t i = 0; i < values.size(); ++i) ds.Stations[static_cast<int>(i) + 1] = values[i];

  // The sort pass mends insertions out of order, except after a dataset with
  // overlapping levels, whose order the insertion rule already settled.
  if (ds.LevelDupCount == 0) SortLevels(ds);

  int dup = 0;
  for (int i = 1; i <= ds.LevelCount - 1; ++i) {
    if (ApproxEqual(ds.LevelSpacing[i], ds.LevelSpacing[i + 1])) ++dup;
  }
  ds.LevelDupCount = dup;
}

StationLevelLookup::StationLevelLookup(const TDataset& ds)
    : stations_(ds.Stations, ds.StationCount), levels_(ds.LevelSpacing, ds.LevelCount), ds_(ds) {}

void StationLevelLookup::Find(TDataPoint& p) const {
  const std::uint64_t stationKey = ExactMemo::Key(p.X);
  if (const int* known = stationMemo_.Find(stationKey)) {
    p.Station = *known;
  } else {
    const int station = stations_.First(p.X);
    p.Station = station != 0 ? station : ds_.StationCount;
    stationMemo_.Put(stationKey, p.Station);
  }
  const std::uint64_t levelKey = ExactMemo::Key(p.Spacing, p.MN);
  if (const int* known = levelMemo_.Find(levelKey)) {
    p.Level = *known;
  } else {
    const double mn = p.MN;
    const int level = levels_.FirstWhere(p.Spacing, [this, mn](int j) { return ApproxEqual(ds_.LevelMN[j], mn); });
    p.Level = level != 0 ? level : ds_.LevelCount;
    levelMemo_.Put(levelKey, p.Level);
  }
}

void FindStationAndLevel(TDataset& ds, int i) {
  TDataPoint& p = ds.Points[i];
  p.Station = ds.StationCount;
  for (int j = 1; j <= ds.StationCount; ++j) {
    if (ApproxEqual(ds.Stations[j], p.X)) {
      p.Station = j;
      break;
    }
  }
  p.Level = ds.LevelCount;
  for (int j = 1; j <= ds.LevelCount; ++j) {
    if (ApproxEqual(ds.LevelSpacing[j], p.Spacing) && ApproxEqual(ds.LevelMN[j], p.MN)) {
      p.Level = j;
      break;
    }
  }
}

double UnitElectrodeSpacing(const TDataset& ds) {
  const int n = ds.ElectrodePosCount;
  if (n < 2) return 0;
  return static_cast<double>(ds.ElectrodePos[n / 2 + 1]) - ds.ElectrodePos[n / 2];
}

}  // namespace tarvo
