#include "engine/core/layout_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>
#include <string>
#include <utility>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"
#include "engine/core/tolerance_index.h"

namespace tarvo {

namespace {

const std::string TooManyElectrodes =
    "Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions);

// The electrode positions as the analysis builds them: ascending, no two
// ApproxEqual, each new one after the last smaller one, with the flag, number
// and altitude of each entry moving with it (a new entry has all three 0; the
// very first keeps the number and altitude its place had). They are built in
// contiguous lists searched by bisection and written into the dataset once.
class ElectrodePositionBuilder {
public:
  explicit ElectrodePositionBuilder(const TDataset& ds) : first_{ds.ElectrodePosNumber[1], ds.ElectrodePosZ[1]} {}

  // Returns false when a new position does not fit.
  bool Add(float x) {
    // A value once found in the list stays found: entries are only added.
    const std::uint64_t key = ExactMemo::Key(x);
    if (known_.Find(key) != nullptr) return true;
    if (positions_.Size() == 0) {
      positions_.Append(x);
      numbers_.push_back(first_.first);
      altitudes_.push_back(first_.second);
      return true;
    }
    if (positions_.Contains(x)) {
      known_.Put(key, 1);
      return true;
    }
    if (positions_.Size() == MaxElectrodePositions) return false;
    const auto at = static_cast<std::ptrdiff_t>(positions_.Insert(x));
    numbers_.insert(numbers_.begin() + at, 0);
    altitudes_.insert(altitudes_.begin() + at, 0.0f);
    return true;
  }

  void Store(TDataset& ds) const {
    const std::vector<float>& x = positions_.Values();
    for (std::size_t i = 0; i < x.size(); ++i) {
      const int k = static_cast<int>(i) + 1;
      ds.ElectrodePos[k] = x[i];
      ds.ElectrodePosFlag[k] = 0;
      ds.ElectrodePosNumber[k] = numbers_[i];
      ds.ElectrodePosZ[k] = altitudes_[i];
    }
    ds.ElectrodePosCount = positions_.Size();
  }

private:
  std::pair<int, float> first_;
  AscendingTolerantList positions_;
  ExactMemo known_;
  std::vector<int> numbers_;
  std::vector<float> altitudes_;
};

// The electrode (x, z) list of a text file as GroupTextPoints builds it:
// ascending by x, no two x ApproxEqual, a new pair after the last smaller x.
class ElectrodeXZBuilder {
public:
  // Returns false when a new entry does not fit.
  bool Add(float x, float z) {
    const std::uint64_t key = ExactMemo::Key(x);
    if (known_.Find(key) != nullptr) return true;
    if (xs_.Size() == 0) {
      xs_.Append(x);
      zs_.push_back(z);
      return true;
    }
    if (xs_.Contains(x)) {
      known_.Put(key, 1);
      return true;
    }
    if (xs_.Size() == MaxElectrodePositions) return false;
    const auto at = static_cast<std::ptrdiff_t>(xs_.Insert(x));
    zs_.insert(zs_.begin() + at, z);
    return true;
  }

  void Store(TDataset& ds) const {
    const std::vector<float>& x = xs_.Values();
    for (std::size_t i = 0; i < x.size(); ++i) ds.ElectrodeXZ[static_cast<int>(i) + 1] = {x[i], zs_[i]};
    ds.ElectrodeXZCount = xs_.Size();
  }

private:
  AscendingTolerantList xs_;
  std::vector<float> zs_;
  ExactMemo known_;
};

// Sets that partition points 1..PointCount in ascending, non-overlapping
// ranges, as every reader leaves them. The grouped searches below rely on
// it; other layouts take the plain scans, which define the result.
bool SetsArePlain(const TDataset& ds) {
  int previous = 0;
  for (int s = 1; s <= ds.SetCount; ++s) {
    const TSetEntry& set = ds.Sets[s];
    if (set.First <= previous || set.Last < set.First - 1 || set.Last > ds.PointCount ||
        set.Last > ds.Points.Size()) {
      return false;
    }
    previous = std::max(previous, set.Last);
  }
  return true;
}

// One entry per point of a set: the set's type, the point's level and
// station, packed so that sorting brings the points of one (type, level,
// station) together, by set and then point within it. Returns false when a
// level or station is beyond what the packing holds.
struct SetPoint {
  std::uint64_t key;
  int set;
  int point;
  bool operator<(const SetPoint& o) const {
    return key != o.key ? key < o.key : set != o.set ? set < o.set : point < o.point;
  }
};

bool GroupedSetPoints(const TDataset& ds, std::vector<SetPoint>& out) {
  out.clear();
  out.reserve(static_cast<std::size_t>(std::max(ds.PointCount, 0)));
  for (int s = 1; s <= ds.SetCount; ++s) {
    const TSetEntry& set = ds.Sets[s];
    for (int k = set.First; k <= set.Last; ++k) {
      const TDataPoint& p = ds.Points[k];
      if (p.Level < 0 || p.Level >= (1 << 24) || p.Station < 0 || p.Station >= (1 << 24)) return false;
      const std::uint64_t key = (std::uint64_t{set.Type} << 48) | (std::uint64_t(p.Level) << 24) |
                                std::uint64_t(p.Station);
      out.push_back({key, s, k});
    }
  }
  std::sort(out.begin(), out.end());
  return true;
}

}  // namespace

void AnalyseLayout(TDataset& ds, Messenger& messenger) {
  ds.StationCount = 0;
  ds.LevelCount = 0;
  ds.ElectrodePosCount = 0;
  BuildStationAndLevelLists(ds, messenger);

  // Every point gets its station and level even past an electrode overflow:
  // grids and views index by them. Only the electrode positions stop there.
  const StationLevelLookup lookup(ds);
  ElectrodePositionBuilder positions(ds);
  bool electrodesFit = true;
  for (int i = 1; i <= ds.PointCount; ++i) {
    TDataPoint& p = ds.Points[i];
    lookup.Find(p);
    if (!electrodesFit) continue;
    for (const float x : {p.XA, p.XB, p.XM, p.XN}) {
      if (!positions.Add(x)) {
        electrodesFit = false;
        messenger.Error(TooManyElectrodes);
        break;
      }
    }
  }
  positions.Store(ds);

  AssignElectrodeNumbers(ds);
}

void AssignElectrodeNumbers(TDataset& ds) {
  const bool available = ds.SetCount == ds.SequenceSetCount && ds.DataKind <= DataKindInstrument &&
                         ds.HasQuads() && ds.Quads.Size() >= ds.PointCount;
  if (available) {
    // Position i takes the first electrode, in quadripole order and A, B, M,
    // N within a quadripole, whose abscissa is ApproxEqual to it. Walking the
    // quadripoles once, each electrode number met for the first time gives
    // its number to the positions near it that have none yet.
    const ToleranceIndex positions(ds.ElectrodePos, ds.ElectrodePosCount);
    std::vector<bool> assigned(static_cast<std::size_t>(ds.ElectrodePosCount) + 1, false);
    std::vector<bool> seen(static_cast<std::size_t>(MaxElectrodes) + 1, false);
    int left = ds.ElectrodePosCount;
    for (int k = 1; k <= ds.PointCount && left > 0; ++k) {
      const TQuadripole& q = ds.Quads[k];
      for (const int n : {q.A, q.B, q.M, q.N}) {
        if (n < 1 || n > MaxElectrodes || seen[static_cast<std::size_t>(n)]) continue;
        seen[static_cast<std::size_t>(n)] = true;
        positions.ForEach(ds.Electrodes[n].X, [&](int i) {
          if (assigned[static_cast<std::size_t>(i)]) return;
          assigned[static_cast<std::size_t>(i)] = true;
          ds.ElectrodePosNumber[i] = n;
          --left;
        });
      }
    }
  }
  ds.ElectrodeNumbersAvailable = available;
  ds.Notify([available](DatasetObserver& o) { o.ElectrodeNumbersChanged(available); });
}

bool GroupTextPoints(TDataset& ds, int firstSet, Messenger& messenger) {
  // 1. Electrode (x, z) list; points that bring one electrode too many are cut.
  ElectrodeXZBuilder electrodeXZ;
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    const std::pair<float, float> electrodes[] = {{p.XA, p.ZA}, {p.XB, p.ZB}, {p.XM, p.ZM}, {p.XN, p.ZN}};
    bool fits = true;
    for (int e = 0; e < 4 && fits; ++e) {
      if (e == 1 && p.ElectrodeCount != 4) continue;
      if (e == 3 && p.ElectrodeCount == 2) continue;
      fits = electrodeXZ.Add(electrodes[e].first, electrodes[e].second);
    }
    if (!fits) {
      messenger.Error(TooManyElectrodes + "\r\nOnly first " + std::to_string(i - 1) +
                      " data points taked in account");
      ds.PointCount = i - 1;
      break;
    }
  }
  electrodeXZ.Store(ds);

  // 2. One type of each mixed pair.
  UnifyTypes(ds);

  // 3. Group the points by type, in the order of the types' first appearance.
  std::vector<int> bounds{0};
  for (int i = 1; i <= ds.PointCount - 1; ++i) {
    const std::uint8_t type = ds.Points[i].PointType;
    if (type != ds.Points[i + 1].PointType) {
      for (int j = i + 2; j <= ds.PointCount; ++j) {
        if (ds.Points[j].PointType == type) {
          std::swap(ds.Points[i + 1], ds.Points[j]);
          break;
        }
      }
      if (ds.Points[i].PointType != ds.Points[i + 1].PointType) bounds.push_back(i);
    }
  }
  bounds.push_back(ds.PointCount);
  const int groups = ds.PointCount > 0 ? static_cast<int>(bounds.size()) - 1 : 0;

  if (firstSet + groups > MaxSets) {
    messenger.Error("Too many sets.\r\nMaximal number - " + std::to_string(MaxSets));
    ds.PointCount = 0;
    return false;
  }

  // 4-5. One set per group.
  ds.TypeGroupCount = groups;
  ds.SetCount = groups;
  ds.SeqHeader.QuadCount = static_cast<int>(ds.PointCount);
  for (int g = 1; g <= groups; ++g) {
    const int k = firstSet + g;
    const TSetEntry set{bounds[static_cast<std::size_t>(g - 1)] + 1, bounds[static_cast<std::size_t>(g)],
                        ds.Points[bounds[static_cast<std::size_t>(g - 1)] + 1].PointType};
    ds.SeqHeader.Area = 0;
    ds.SeqHeader.Line = 0;
    ds.SeqHeader.Reserved0[1] = 0;
    ds.ArrayType = set.Type;
    ds.SeqHeader.SetTitleText(IsValidArrayCode(set.Type) ? ArrayShortNames[set.Type] : "");
    if (static_cast<int>(ds.SetNames.size()) < k) ds.SetNames.resize(static_cast<std::size_t>(k));
    ds.SetNames[static_cast<std::size_t>(k - 1)] =
        std::string(IsValidArrayCode(set.Type) ? ArrayTypeNames[set.Type] : "");

    ds.SetSeqHeaders[k] = ds.SeqHeader;
    ds.Sets[k] = set;
    ds.SetFileHeaders[k] = ds.FileHeader;
    ds.SetSeqHeaders[k].QuadCount = static_cast<int>(set.Last - set.First + 1);
  }
  return true;
}

void MarkRepeatedQuadripolesByScan(TDataset& ds) {
  if (ds.SetCount == ds.SequenceSetCount || ds.SetCount <= 1) return;
  for (int i = 2; i <= ds.SetCount; ++i) {
    for (int j = 1; j < i; ++j) {
      if (ds.Sets[j].Type != ds.Sets[i].Type) continue;
      for (int k = ds.Sets[i].First; k <= ds.Sets[i].Last; ++k) {
        TDataPoint& pk = ds.Points[k];
        for (int l = ds.Sets[j].First; l <= ds.Sets[j].Last; ++l) {
          const TDataPoint& pl = ds.Points[l];
          if (pl.Level == pk.Level && pl.Station == pk.Station) {
            pk.Q = QRepeated;
            ++ds.MergedCount;
            break;
          }
        }
      }
    }
  }
}

void MarkRepeatedQuadripoles(TDataset& ds) {
  if (ds.SetCount == ds.SequenceSetCount || ds.SetCount <= 1) return;
  std::vector<SetPoint> entries;
  if (!SetsArePlain(ds) || !GroupedSetPoints(ds, entries)) {
    MarkRepeatedQuadripolesByScan(ds);
    return;
  }
  // A point repeats once for every earlier set of its type holding a point
  // of its level and station: within one (type, level, station) run, the
  // number of distinct sets before its own.
  for (std::size_t run = 0; run < entries.size();) {
    std::size_t end = run;
    while (end < entries.size() && entries[end].key == entries[run].key) ++end;
    int earlierSets = 0;
    for (std::size_t e = run; e < end;) {
      const int set = entries[e].set;
      std::size_t next = e;
      for (; next < end && entries[next].set == set; ++next) {
        if (earlierSets > 0) {
          ds.Points[entries[next].point].Q = QRepeated;
          ds.MergedCount += earlierSets;
        }
      }
      ++earlierSets;
      e = next;
    }
    run = end;
  }
}

void MergeRepeatedMeasurementsByScan(TDataset& ds) {
  for (int i = 1; i <= ds.SetCount; ++i) {
    for (int j = i + 1; j <= ds.SetCount; ++j) {
      if (ds.Sets[i].Type != ds.Sets[j].Type) continue;
      for (int k = ds.Sets[i].First; k <= ds.Sets[i].Last; ++k) {
        if (IsBad(ds, k)) continue;
        for (int l = ds.Sets[j].First; l <= ds.Sets[j].Last; ++l) {
          TDataPoint& pk = ds.Points[k];
          TDataPoint& pl = ds.Points[l];
          if (pl.Level != pk.Level || pl.Station != pk.Station || IsBad(ds, l)) continue;
          pk.Q = QRejected;
          pl.Rho = static_cast<float>(std::sqrt(double{pk.Rho} * pl.Rho));
          ++ds.MergedCount;
        }
      }
    }
  }
}

void MergeRepeatedMeasurements(TDataset& ds) {
  if (ds.DataKind < DataKindInstrument) return;
  std::vector<SetPoint> entries;
  if (!SetsArePlain(ds) || !GroupedSetPoints(ds, entries)) {
    MergeRepeatedMeasurementsByScan(ds);
  } else {
    // Points merge only with points of their own (type, level, station), so
    // each run of those is merged on its own, in the order of the scan: set
    // i, point k of it, then the later sets j and their points l. A point k
    // good at the start of its turn with set j merges into every good l of
    // that set and is rejected, so it reaches no later set.
    for (std::size_t run = 0; run < entries.size();) {
      std::size_t end = run;
      while (end < entries.size() && entries[end].key == entries[run].key) ++end;
      for (std::size_t e = run; e < end; ++e) {
        const int i = entries[e].set;
        const int k = entries[e].point;
        std::size_t f = e + 1;
        while (f < end && entries[f].set == i) ++f;
        while (f < end) {
          const int j = entries[f].set;
          if (IsBad(ds, k)) break;
          for (; f < end && entries[f].set == j; ++f) {
            const int l = entries[f].point;
            if (IsBad(ds, l)) continue;
            TDataPoint& pk = ds.Points[k];
            TDataPoint& pl = ds.Points[l];
            pk.Q = QRejected;
            pl.Rho = static_cast<float>(std::sqrt(double{pk.Rho} * pl.Rho));
            ++ds.MergedCount;
          }
        }
      }
      run = end;
    }
  }
  CountBadPoints(ds);
}

int ElectrodeIndexOf(const TDataset& ds, double x) {
  if (IsAbsentCoordinate(x)) return 0;
  for (int i = 1; i <= ds.ElectrodePosCount; ++i) {
    if (ApproxEqual(ds.ElectrodePos[i], x)) return i;
  }
  return 0;
}

ElectrodeIndex::ElectrodeIndex(const TDataset& ds) : positions_(ds.ElectrodePos, ds.ElectrodePosCount) {}

int ElectrodeIndex::Of(double x) const { return IsAbsentCoordinate(x) ? 0 : positions_.First(x); }

}  // namespace tarvo
