#include "engine/editing/clipboard_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <set>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/electrode_altitude.h"
#include "engine/core/numbers.h"
#include "engine/editing/data_table.h"

namespace tarvo {

namespace {

std::string Number(double x) { return FormatValue(x, ClipboardExtraDigits); }
std::string Quoted(double x) { return "\"" + Number(x) + "\""; }
TCell Text(std::string s) { return TCell{std::move(s)}; }

// A value of a table: empty when it cannot be computed (a logarithm or a
// ratio of a resistivity that is not positive).
TCell Value(double x) { return std::isfinite(x) ? TCell{x} : TCell{}; }

bool HasLayer(const TDataset& ds, int layer) {
  return ds.HasModel && layer >= 1 && layer <= std::min(ds.Models.Current.LayerCount, MaxModelLayers);
}

int TimeSets(const TDataset& ds) { return std::clamp(ds.TimeSetCount, 0, MaxTimeSteps); }

// Stations that have a model under them.
int ModelStations(const TDataset& ds) {
  int stations = std::clamp(ds.StationCount, 0, MaxStations);
  stations = std::min(stations, ds.Models.Current.Resistivity.Size());
  for (int t = 1; t <= TimeSets(ds); ++t) stations = std::min(stations, ds.Models.TimeSets[t].Resistivity.Size());
  return stations;
}

double ModelAt(const TDataset& ds, int timeSet, int station, int layer) {
  const TInversionModel& m = timeSet == 0 ? ds.Models.Current : ds.Models.TimeSets[timeSet];
  return m.Resistivity[station][layer];
}

// The model's layer depths with the last layer, open at the bottom, given
// the thickness of the layer above it.
std::array<double, MaxModelLayers + 1> ClosedDepths(const TInversionModel& model) {
  std::array<double, MaxModelLayers + 1> d{};
  const int layers = std::clamp(model.LayerCount, 0, MaxModelLayers);
  for (int k = 1; k < layers; ++k) d[static_cast<std::size_t>(k)] = model.LayerDepth[static_cast<std::size_t>(k)];
  if (layers >= 2) {
    const auto n = static_cast<std::size_t>(layers);
    d[n] = 2 * d[n - 1] - d[n - 2];
  }
  return d;
}

double MiddleDepth(const std::array<double, MaxModelLayers + 1>& d, int layer) {
  return (d[static_cast<std::size_t>(layer - 1)] + d[static_cast<std::size_t>(layer)]) / 2;
}

std::string TimeHeader(const char* prefix, const TDataset& ds, int t) {
  return prefix + Number(ds.TimeSetTimes[t]);
}

std::string LayerItem(const TDataset& ds, int layer) {
  return DepthItems(ds.Models.Current)[static_cast<std::size_t>(layer - 1)];
}

// (m_t - m_1) / m_1 in percent.
double Difference(const TDataset& ds, int t, int station, int layer) {
  const double first = ModelAt(ds, 1, station, layer);
  return first > 0 ? (ModelAt(ds, t, station, layer) - first) / first * 100 : std::nan("");
}

std::vector<TCellTable> Workbook(const TDataset& ds, std::optional<TCellTable> (*sheet)(const TDataset&, int)) {
  std::vector<TCellTable> sheets;
  std::set<std::string> names;
  const std::vector<std::string> items = DepthItems(ds.Models.Current);
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::optional<TCellTable> table = sheet(ds, static_cast<int>(i) + 1);
    if (!table) continue;
    // Layers of equal depths would give two sheets of one name.
    std::string name = items[i];
    for (int n = 2; names.count(name) != 0; ++n) name = items[i] + " (" + std::to_string(n) + ")";
    names.insert(name);
    table->Name = name;
    sheets.push_back(std::move(*table));
  }
  sheets.push_back(TCellTable{"Empty", {}});
  return sheets;
}

}  // namespace

std::string ClipboardText(const TCellTable& table) { return CellTableText(table, ClipboardExtraDigits); }

TCellTable ElectrodeTableCells(const TDataset& ds) {
  TCellTable table{"Electrodes", {}};
  const int count = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  for (int e = 1; e <= count; ++e) {
    table.Rows.push_back({TShownNumber{double{ds.ElectrodePos[e]} + ds.XShift, ElectrodeCellText(ds, e, ElectrodeColumn::X)},
                          TShownNumber{ShownAltitude(ds, e), ElectrodeCellText(ds, e, ElectrodeColumn::Alt)}});
  }
  return table;
}

double SelectedLocation(const TDataset& ds, int firstRow, int lastRow) {
  const int count = std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions);
  if (count == 0) return 0;
  firstRow = std::clamp(firstRow, 1, count);
  lastRow = std::clamp(lastRow, 1, count);
  return (double{ds.ElectrodePos[firstRow]} + ds.ElectrodePos[lastRow]) / 2;
}

std::optional<TCellTable> VesCurveCells(const TDataset& ds, const ValueGrid& grid, const GridDescriptor& descriptor,
                                        double x0) {
  if (!(ds.DataKind > DataKindSequence)) return std::nullopt;
  const int stations = std::clamp(descriptor.StationCount, 0, MaxStations);
  int j = 0;
  double nearest = 1e20;
  for (int s = 1; s <= stations; ++s) {
    const double distance = std::fabs(descriptor.Stations[s] - 0.01 - x0);
    if (distance < nearest) {
      nearest = distance;
      j = s;
    }
  }
  if (j == 0) return std::nullopt;

  TCellTable table{"VES", {{Text(Quoted(descriptor.Stations[j]))}}};
  const bool withMN = ds.ArrayType == Schlumberger || ds.ArrayType == ForwardPoleDipole ||
                      ds.ArrayType == ReversePoleDipole;
  for (int k = 1; k <= std::clamp(descriptor.LevelCount, 0, MaxLevels); ++k) {
    const float v = grid(j, k);
    if (!(v > 0)) continue;
    if (withMN) {
      table.Rows.push_back({double{descriptor.Spacing[k]}, double{descriptor.MN[k]}, double{v}});
    } else {
      table.Rows.push_back({double{descriptor.Spacing[k]}, double{v}});
    }
  }
  return table;
}

int NearestStation(const TDataset& ds, double x) {
  int best = 0;
  double nearest = 1e20;
  for (int s = 1; s <= std::clamp(ds.StationCount, 0, MaxStations); ++s) {
    const double distance = std::fabs(ds.Stations[s] - x);
    if (distance < nearest) {
      nearest = distance;
      best = s;
    }
  }
  return best;
}

std::optional<TCellTable> StationModelCells(const TDataset& ds, double x0) {
  if (!ds.HasModel) return std::nullopt;
  const int s = NearestStation(ds, x0);
  if (s == 0 || s > ModelStations(ds)) return std::nullopt;
  const TInversionModel& model = ds.Models.Current;
  const int layers = std::clamp(model.LayerCount, 0, MaxModelLayers);
  const auto depths = ClosedDepths(model);
  const int times = TimeSets(ds);

  TCellTable table{"Model", {{Text(Quoted(ds.Stations[s]))}}};
  std::vector<TCell> header{Text("H")};
  if (times > 0) {
    for (int t = 1; t <= times; ++t) header.push_back(Text(TimeHeader("Ro_", ds, t)));
  } else {
    header.push_back(Text("Ro"));
  }
  table.Rows.push_back(std::move(header));
  for (int layer = 1; layer <= layers; ++layer) {
    std::vector<TCell> row{MiddleDepth(depths, layer)};
    if (times > 0) {
      for (int t = 1; t <= times; ++t) row.push_back(ModelAt(ds, t, s, layer));
    } else {
      row.push_back(ModelAt(ds, 0, s, layer));
    }
    table.Rows.push_back(std::move(row));
  }
  return table;
}

std::optional<TCellTable> LevelPointsCells(const TDataset& ds, int k) {
  if (ds.DataKind < DataKindSequence) return std::nullopt;
  if (k < 0 || k > std::clamp(ds.LevelCount, 0, MaxLevels)) return std::nullopt;
  TCellTable table{"Spacings", {}};
  if (k > 0) {
    const std::string name = IsValidArrayCode(ds.ArrayType) ? std::string(ArrayTypeNames[ds.ArrayType]) : "";
    table.Rows.push_back({Text(SpacingItemText(ds, k)), Text(name)});
  }
  if (ds.TimeSetCount > 0) return table;

  if (k > 0) {
    table.Rows.push_back({Text("X"), Text("Ro_app")});
    for (int set = 1; set <= std::clamp(ds.SetCount, 0, MaxSets); ++set) {
      if (ds.Sets[set].Type != ds.ArrayType) continue;
      const int last = std::min(ds.Sets[set].Last, ds.PointCount);
      for (int i = std::max(ds.Sets[set].First, 1); i <= last; ++i) {
        const TDataPoint& p = ds.Points[i];
        if (p.Level == k && !IsBad(ds, i)) table.Rows.push_back({double{p.X}, double{p.Rho}});
      }
    }
  } else {
    table.Rows.push_back({Text("AB"), Text("MN")});
    for (int level = 1; level <= std::clamp(ds.LevelCount, 0, MaxLevels); ++level) {
      table.Rows.push_back({double{ds.LevelSpacing[level]}, double{ds.LevelMN[level]}});
    }
  }
  return table;
}

std::vector<std::string> DepthItems(const TInversionModel& model) {
  std::vector<std::string> items;
  const int layers = std::clamp(model.LayerCount, 0, MaxModelLayers);
  for (int k = 1; k <= layers; ++k) {
    const std::string top = Number(model.LayerDepth[static_cast<std::size_t>(k - 1)]);
    items.push_back(top + "-" + (k < layers ? Number(model.LayerDepth[static_cast<std::size_t>(k)]) : "inf"));
  }
  return items;
}

std::optional<TCellTable> LayerCells(const TDataset& ds, int layer) {
  if (!HasLayer(ds, layer)) return std::nullopt;
  const std::string item = LayerItem(ds, layer);
  const int times = TimeSets(ds);
  TCellTable table{item, {{Text(item)}}};
  if (times > 0) {
    std::vector<TCell> header{Text("X")};
    for (int t = 1; t <= times; ++t) header.push_back(Text(TimeHeader("Ro_", ds, t)));
    table.Rows.push_back(std::move(header));
  } else {
    table.Rows.push_back({Text("X  Ro")});
  }
  for (int s = 1; s <= ModelStations(ds); ++s) {
    std::vector<TCell> row{double{ds.Stations[s]}};
    if (times > 0) {
      for (int t = 1; t <= times; ++t) row.push_back(ModelAt(ds, t, s, layer));
    } else {
      row.push_back(ModelAt(ds, 0, s, layer));
    }
    table.Rows.push_back(std::move(row));
  }
  return table;
}

std::optional<TCellTable> LayerSheet(const TDataset& ds, int layer) {
  if (!HasLayer(ds, layer)) return std::nullopt;
  const int times = TimeSets(ds);
  TCellTable table{LayerItem(ds, layer), {}};
  if (times > 0) {
    std::vector<TCell> header{Text("X")};
    for (int t = 1; t <= times; ++t) header.push_back(Text(TimeHeader("Ro_", ds, t)));
    table.Rows.push_back(std::move(header));
  } else {
    table.Rows.push_back({Text("X"), Text("Ro"), Text("Log10(Ro)")});
  }
  for (int s = 1; s <= ModelStations(ds); ++s) {
    std::vector<TCell> row{double{ds.Stations[s]}};
    if (times > 0) {
      for (int t = 1; t <= times; ++t) row.push_back(ModelAt(ds, t, s, layer));
    } else {
      const double rho = ModelAt(ds, 0, s, layer);
      row.push_back(rho);
      row.push_back(rho > 0 ? Value(Log10(rho)) : TCell{});
    }
    table.Rows.push_back(std::move(row));
  }
  return table;
}

std::optional<TCellTable> DifferenceCells(const TDataset& ds, int layer) {
  if (TimeSets(ds) < 1 || !HasLayer(ds, layer)) return std::nullopt;
  const int times = TimeSets(ds);
  const std::string item = LayerItem(ds, layer);
  TCellTable table{item, {{Text(item)}}};
  std::vector<TCell> header{Text("X")};
  for (int t = 2; t <= times; ++t) header.push_back(Text(TimeHeader("Dif_", ds, t)));
  table.Rows.push_back(std::move(header));
  for (int s = 1; s <= ModelStations(ds); ++s) {
    std::vector<TCell> row{double{ds.Stations[s]}};
    for (int t = 2; t <= times; ++t) row.push_back(Value(Difference(ds, t, s, layer)));
    table.Rows.push_back(std::move(row));
  }
  return table;
}

std::optional<TCellTable> DifferenceSheet(const TDataset& ds, int layer) {
  if (TimeSets(ds) < 1 || !HasLayer(ds, layer)) return std::nullopt;
  const int times = TimeSets(ds);
  const std::string item = LayerItem(ds, layer);
  TCellTable table{item, {}};
  std::vector<TCell> first{Text(item)};
  first.resize(static_cast<std::size_t>(times));
  table.Rows.push_back(std::move(first));
  std::vector<TCell> header{Text("X")};
  for (int t = 2; t <= times; ++t) header.push_back(Text(TimeHeader("Dif_", ds, t)));
  table.Rows.push_back(std::move(header));
  for (int s = 1; s <= ModelStations(ds); ++s) {
    std::vector<TCell> row{double{ds.Stations[s]}};
    for (int t = 2; t <= times; ++t) row.push_back(Value(Difference(ds, t, s, layer)));
    table.Rows.push_back(std::move(row));
  }
  return table;
}

std::optional<TCellTable> MeanModelCells(const TDataset& ds, const std::string& fileName) {
  if (!ds.HasModel || ds.TimeSetCount > 0) return std::nullopt;
  const TInversionModel& model = ds.Models.Current;
  const int layers = std::clamp(model.LayerCount, 0, MaxModelLayers);
  const auto depths = ClosedDepths(model);
  const int stations = ModelStations(ds);

  TCellTable table{"Mean model", {{Text(fileName)},
                                  {Text("H"), Text("Ro_mean"), Text("Ro_Min"), Text("Ro_max"), Text("Disp")}}};
  for (int layer = 1; layer <= layers; ++layer) {
    // Logarithms of the positive resistivities of the layer.
    std::vector<double> logs;
    for (int s = 1; s <= stations; ++s) {
      const double rho = ModelAt(ds, 0, s, layer);
      if (rho > 0) logs.push_back(std::log(rho));
    }
    std::vector<TCell> row{MiddleDepth(depths, layer)};
    if (!logs.empty()) {
      const double n = static_cast<double>(logs.size());
      double sum = 0;
      for (double l : logs) sum += l;
      const double logMean = sum / n;
      double squares = 0;
      for (double l : logs) squares += (l - logMean) * (l - logMean);
      const double g = std::exp(logMean);
      const double f = std::exp(std::sqrt(squares / n));
      row.insert(row.end(), {Value(g), Value(g / f), Value(g * f), Value(g * f - g)});
    }
    table.Rows.push_back(std::move(row));
  }
  return table;
}

std::vector<TCellTable> LayerWorkbook(const TDataset& ds) {
  if (!ds.HasModel) return {};
  return Workbook(ds, LayerSheet);
}

std::optional<std::vector<TCellTable>> DifferenceWorkbook(const TDataset& ds) {
  if (!ds.HasModel || TimeSets(ds) < 1) return std::nullopt;
  return Workbook(ds, DifferenceSheet);
}

std::string WorkbookFileName(const std::string& dataFile, const std::string& suffix) {
  return std::filesystem::path(dataFile).replace_extension().string() + suffix;
}

}  // namespace tarvo
