#include "engine/filters/filter_set.h"

#include <algorithm>

#include "engine/core/bad_points.h"

namespace tarvo {

int FilterSetEntry(const TDataset& ds) {
  if (!(ds.DataKind >= 3)) return -1;
  const int entries = static_cast<int>(ds.SetNames.size());
  int entry = ds.SelectedSetEntry;
  if (entry < 0) entry = std::max(entries, ds.SetCount) - 1;
  if (entry < 0 || entry >= ds.SetCount) return -1;
  return entry;
}

std::string FilterSetName(std::string_view text) {
  std::size_t at = text.find('.');
  if (at == std::string_view::npos) at = text.find(' ');
  if (at == std::string_view::npos || at == 0) return std::string(text.substr(0, 8));
  return std::string(text.substr(0, at));
}

bool BuildFilterSetGrid(const TDataset& ds, const GridSettings& settings, bool chargeability, int entry,
                        FilterSetGrid& out) {
  if (!(ds.DataKind >= 3) || entry < 0 || entry >= ds.SetCount) return false;
  if (chargeability && !ds.HasIP) return false;
  ValueGrid grid;
  ValueGrid raw;
  GridDescriptor descriptor;
  BuildGrid(ds, settings, grid, raw, ds.Sets[entry + 1].Type, entry, descriptor, chargeability, nullptr);
  out.Entry = entry;
  out.Chargeability = chargeability;
  out.ArrayType = ds.Sets[entry + 1].Type;
  const std::string text = entry < static_cast<int>(ds.SetNames.size()) ? ds.SetNames[static_cast<std::size_t>(entry)]
                                                                          : std::string();
  out.Name = FilterSetName(text);
  out.Grid = FilterGridFrom(grid, descriptor);
  out.Raw = FilterGridFrom(raw, descriptor);

  // Where each point of the set lies in the (compacted) grid: the grid keeps
  // the dataset's coordinates, so they are matched exactly.
  const FilterGrid& g = out.Grid;
  std::vector<int> stationOf(static_cast<std::size_t>(ds.StationCount) + 1, -1);
  for (int s = 1, t = 1; s <= ds.StationCount; ++s) {
    while (t <= g.StationCount && g.Stations[static_cast<std::size_t>(t - 1)] < ds.Stations[s]) ++t;
    if (t <= g.StationCount && g.Stations[static_cast<std::size_t>(t - 1)] == ds.Stations[s]) stationOf[static_cast<std::size_t>(s)] = t;
  }
  std::vector<int> levelOf(static_cast<std::size_t>(ds.LevelCount) + 1, -1);
  for (int l = 1; l <= ds.LevelCount; ++l) {
    for (int m = 1; m <= g.LevelCount; ++m) {
      if (g.Spacing[static_cast<std::size_t>(m - 1)] == ds.LevelSpacing[l] && g.MN[static_cast<std::size_t>(m - 1)] == ds.LevelMN[l]) {
        levelOf[static_cast<std::size_t>(l)] = m;
        break;
      }
    }
  }
  out.CellOfPoint.assign(static_cast<std::size_t>(ds.PointCount), -1);
  const TSetEntry& set = ds.Sets[entry + 1];
  for (int k = std::max(set.First, 1); k <= std::min(set.Last, ds.PointCount); ++k) {
    if (IsBad(ds, k)) continue;
    const TDataPoint& p = ds.Points[k];
    if (p.Station < 1 || p.Station > ds.StationCount || p.Level < 1 || p.Level > ds.LevelCount) continue;
    const int s = stationOf[static_cast<std::size_t>(p.Station)];
    const int l = levelOf[static_cast<std::size_t>(p.Level)];
    if (s < 1 || l < 1) continue;
    out.CellOfPoint[static_cast<std::size_t>(k - 1)] = static_cast<long>(g.Index(s, l));
  }
  return true;
}

int WriteBackFiltered(TDataset& ds, const FilterSetGrid& set, const FilterGrid& values) {
  if (values.Cells.size() != set.Grid.Cells.size()) return 0;
  int changed = 0;
  const int n = std::min(ds.PointCount, static_cast<int>(set.CellOfPoint.size()));
  for (int k = 1; k <= n; ++k) {
    const long cell = set.CellOfPoint[static_cast<std::size_t>(k - 1)];
    if (cell < 0) continue;
    const float data = set.Grid.Cells[static_cast<std::size_t>(cell)];
    const float v = values.Cells[static_cast<std::size_t>(cell)];
    if (set.Chargeability) {
      if (IsEmptyCell(data) || IsEmptyCell(v)) continue;
      ds.Points[k].IP = v;
    } else {
      if (!(data > 0) || !(v > 0)) continue;
      ds.Points[k].Rho = v;
    }
    ++changed;
  }
  if (changed > 0) ds.Notify([](DatasetObserver& o) { o.BadCountChanged(); });
  return changed;
}

}  // namespace tarvo
