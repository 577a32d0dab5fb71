#include "engine/core/layout_analysis.h"

#include <cmath>
#include <string>
#include <utility>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"

namespace tarvo {

namespace {

const std::string TooManyElectrodes =
    "Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions);

// Adds x to the ascending electrode positions unless an equal one is there.
// Returns false when a new position does not fit.
bool AddElectrodePosition(TDataset& ds, double x) {
  if (ds.ElectrodePosCount == 0) {
    ds.ElectrodePos[1] = static_cast<float>(x);
    ds.ElectrodePosFlag[1] = 0;
    ds.ElectrodePosCount = 1;
    return true;
  }
  for (int i = 1; i <= ds.ElectrodePosCount; ++i) {
    if (ApproxEqual(ds.ElectrodePos[i], x)) return true;
  }
  if (ds.ElectrodePosCount == MaxElectrodePositions) return false;

  int after = ds.ElectrodePosCount;
  while (after >= 1 && !(ds.ElectrodePos[after] < x)) --after;
  for (int i = ds.ElectrodePosCount; i > after; --i) {
    ds.ElectrodePos[i + 1] = ds.ElectrodePos[i];
    ds.ElectrodePosFlag[i + 1] = ds.ElectrodePosFlag[i];
    ds.ElectrodePosNumber[i + 1] = ds.ElectrodePosNumber[i];
    ds.ElectrodePosZ[i + 1] = ds.ElectrodePosZ[i];
  }
  ds.ElectrodePos[after + 1] = static_cast<float>(x);
  ds.ElectrodePosFlag[after + 1] = 0;
  ds.ElectrodePosNumber[after + 1] = 0;
  ds.ElectrodePosZ[after + 1] = 0;
  ++ds.ElectrodePosCount;
  return true;
}

// Adds (x, z) to the ascending electrode list of a text file unless an entry
// with the same x is there. Returns false when a new entry does not fit.
bool AddElectrodeXZ(TDataset& ds, double x, double z) {
  const ElectrodeXZEntry entry{static_cast<float>(x), static_cast<float>(z)};
  if (ds.ElectrodeXZCount == 0) {
    ds.ElectrodeXZ[1] = entry;
    ds.ElectrodeXZCount = 1;
    return true;
  }
  for (int i = 1; i <= ds.ElectrodeXZCount; ++i) {
    if (ApproxEqual(ds.ElectrodeXZ[i].X, x)) return true;
  }
  if (ds.ElectrodeXZCount == MaxElectrodePositions) return false;
  int after = ds.ElectrodeXZCount;
  while (after >= 1 && !(ds.ElectrodeXZ[after].X < x)) --after;
  for (int i = ds.ElectrodeXZCount; i > after; --i) ds.ElectrodeXZ[i + 1] = ds.ElectrodeXZ[i];
  ds.ElectrodeXZ[after + 1] = entry;
  ++ds.ElectrodeXZCount;
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
  bool electrodesFit = true;
  for (int i = 1; i <= ds.PointCount; ++i) {
    FindStationAndLevel(ds, i);
    if (!electrodesFit) continue;
    const TDataPoint& p = ds.Points[i];
    for (const float x : {p.XA, p.XB, p.XM, p.XN}) {
      if (!AddElectrodePosition(ds, x)) {
        electrodesFit = false;
        messenger.Error(TooManyElectrodes);
        break;
      }
    }
  }

  AssignElectrodeNumbers(ds);
}

void AssignElectrodeNumbers(TDataset& ds) {
  const bool available = ds.SetCount == ds.SequenceSetCount && ds.DataKind <= DataKindInstrument &&
                         ds.HasQuads() && ds.Quads.Size() >= ds.PointCount;
  if (available) {
    for (int i = 1; i <= ds.ElectrodePosCount; ++i) {
      bool found = false;
      for (int k = 1; k <= ds.PointCount && !found; ++k) {
        const TQuadripole& q = ds.Quads[k];
        for (const int n : {q.A, q.B, q.M, q.N}) {
          if (n < 1 || n > MaxElectrodes) continue;
          if (ApproxEqual(ds.Electrodes[n].X, ds.ElectrodePos[i])) {
            ds.ElectrodePosNumber[i] = n;
            found = true;
            break;
          }
        }
      }
    }
  }
  ds.ElectrodeNumbersAvailable = available;
  ds.Notify([available](DatasetObserver& o) { o.ElectrodeNumbersChanged(available); });
}

bool GroupTextPoints(TDataset& ds, int firstSet, Messenger& messenger) {
  // 1. Electrode (x, z) list; points that bring one electrode too many are cut.
  ds.ElectrodeXZCount = 0;
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    const std::pair<float, float> electrodes[] = {{p.XA, p.ZA}, {p.XB, p.ZB}, {p.XM, p.ZM}, {p.XN, p.ZN}};
    bool fits = true;
    for (int e = 0; e < 4 && fits; ++e) {
      if (e == 1 && p.ElectrodeCount != 4) continue;
      if (e == 3 && p.ElectrodeCount == 2) continue;
      fits = AddElectrodeXZ(ds, electrodes[e].first, electrodes[e].second);
    }
    if (!fits) {
      messenger.Error(TooManyElectrodes + "\r\nOnly first " + std::to_string(i - 1) +
                      " data points taked in account");
      ds.PointCount = i - 1;
      break;
    }
  }

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
  ds.SeqHeader.QuadCount = static_cast<std::int16_t>(ds.PointCount);
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
    ds.SetSeqHeaders[k].QuadCount = static_cast<std::int16_t>(set.Last - set.First + 1);
  }
  return true;
}

void MarkRepeatedQuadripoles(TDataset& ds) {
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

void MergeRepeatedMeasurements(TDataset& ds) {
  if (ds.DataKind < DataKindInstrument) return;
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
  CountBadPoints(ds);
}

int ElectrodeIndexOf(const TDataset& ds, double x) {
  if (IsAbsentCoordinate(x)) return 0;
  for (int i = 1; i <= ds.ElectrodePosCount; ++i) {
    if (ApproxEqual(ds.ElectrodePos[i], x)) return i;
  }
  return 0;
}

}  // namespace tarvo
