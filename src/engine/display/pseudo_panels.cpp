#include "engine/display/pseudo_panels.h"

#include <algorithm>
#include <cmath>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/positions.h"

namespace tarvo {

namespace {

constexpr int ForwardPoleDipole = 4;
constexpr int ReversePoleDipole = 5;
constexpr int Schlumberger = 2;
constexpr double DifferenceFloor = 1e-8;
constexpr float DifferenceEmpty = -1e15f;
constexpr int TitleExtraDigits = 2;

std::string HeaderTitle(const TDataset& ds, int p) {
  std::string t = ds.SetSeqHeaders[p].TitleText();
  if (t.size() > 10) t.resize(10);
  return t;
}

void AddGridPanel(const TDataset& ds, const GridSettings& settings, std::vector<PseudoPanel>& panels,
                  const std::string& title, int arrayType, int selector, bool chargeability, int owner) {
  if (static_cast<int>(panels.size()) >= MaxPanels) return;
  auto values = std::make_unique<ValueGrid>();
  auto raw = std::make_unique<ValueGrid>();
  GridDescriptor d;
  BuildGrid(ds, settings, *values, *raw, arrayType, selector, d, chargeability, nullptr);
  AddPanel(panels, title, std::move(values), std::move(raw), owner,
           chargeability ? ScaleTypeLinear : ScaleTypeLogarithmic, d);
}

}  // namespace

bool AddPanel(std::vector<PseudoPanel>& panels, const std::string& title, std::unique_ptr<ValueGrid> values,
              std::unique_ptr<ValueGrid> raw, int owner, int scaleType, const GridDescriptor& descriptor) {
  if (static_cast<int>(panels.size()) >= MaxPanels) return false;
  PseudoPanel& p = panels.emplace_back();
  p.Title = title;
  p.Hint = title;
  SetData(p, std::move(values), std::move(raw), owner, scaleType, descriptor);
  return true;
}

int TypeGroupCount(const TDataset& ds) {
  int g = 1;
  for (int p = 2; p <= std::min(ds.SetCount, MaxSets); ++p) {
    if (ds.Sets[p].Type != ds.Sets[p - 1].Type) ++g;
  }
  return g;
}

std::string SetListTitle(const TDataset& ds, int p) {
  if (p < 1 || p > static_cast<int>(ds.SetNames.size())) return {};
  const std::string& entry = ds.SetNames[static_cast<std::size_t>(p - 1)];
  std::size_t c = entry.find('.');
  if (c == std::string::npos) c = entry.find(' ');
  if (c != std::string::npos && c > 0) return entry.substr(0, c);
  return entry.substr(0, std::min<std::size_t>(entry.size(), 8));
}

int BuildPanels(const TDataset& ds, const GridSettings& settings, SectionOptions& options, bool modal,
                std::vector<PseudoPanel>& panels) {
  panels.clear();
  if (!(ds.DataKind >= DataKindInstrument)) return 0;
  const int sets = std::clamp(ds.SetCount, 0, MaxSets);
  const int groups = TypeGroupCount(ds);
  if (groups == 1 || ds.TimeSetCount > 0) {
    for (int p = 1; p <= sets; ++p) {
      const int code = ds.TimeSetCount > 0 ? -1 : ds.Sets[p].Type;
      std::string title = SetListTitle(ds, p);
      if (ds.TimeSetCount > 0 && ds.BaseSetCount > 0) {
        const int step = std::clamp((p - 1) / ds.BaseSetCount + 1, 1, MaxTimeSteps);
        title += " " + FormatValue(ds.TimeSetTimes[step], TitleExtraDigits);
      }
      AddGridPanel(ds, settings, panels, title, code, p - 1, false, p);
      if (ds.HasIP) AddGridPanel(ds, settings, panels, SetListTitle(ds, p) + "-IP", code, p - 1, true, -p);
    }
  } else {
    for (int p = 1; p <= sets; ++p) {
      bool seen = false;
      for (int q = 1; q < p && !seen; ++q) seen = ds.Sets[q].Type == ds.Sets[p].Type;
      if (seen) continue;
      const std::string title = HeaderTitle(ds, p);
      AddGridPanel(ds, settings, panels, title, ds.Sets[p].Type, -1, false, p);
      if (ds.HasIP) AddGridPanel(ds, settings, panels, title + "-IP", ds.Sets[p].Type, -1, true, -p);
    }
  }
  if (panels.empty()) return 0;

  if (modal) {
    for (PseudoPanel& panel : panels) panel.LogDepth = options.Scale == DepthScale::Logarithmic;
  }

  // One colour range for the resistivity panels.
  float lo = panels.front().AutoRange.Low;
  float hi = panels.front().AutoRange.High;
  for (std::size_t k = 1; k < panels.size(); ++k) {
    if (panels[k].Scale != MapScale::Logarithmic) continue;
    hi = std::max(hi, panels[k].AutoRange.High);
    lo = std::min(lo, panels[k].AutoRange.Low);
  }
  if (modal && options.LevelsFromFile) {
    lo = options.ManualMin;
    hi = options.ManualMax;
  }
  for (PseudoPanel& panel : panels) {
    if (panel.Scale == MapScale::Logarithmic) panel.UsedRange = ValueRange{lo, hi};
  }
  if (modal) {
    options.ManualMin = lo;
    options.ManualMax = hi;
  }

  // One horizontal range for all.
  float left = panels.front().HFirst;
  float right = panels.front().HLast;
  for (const PseudoPanel& panel : panels) {
    if (!PanelDrawable(panel) && panel.Descriptor.StationCount < 1) continue;
    left = std::min(left, panel.HFirst);
    right = std::max(right, panel.HLast);
  }
  for (PseudoPanel& panel : panels) {
    panel.HFirst = left;
    panel.HLast = right;
  }

  // One colour range for the chargeability panels, from the second panel on.
  if (ds.HasIP && panels.size() >= 2) {
    ValueRange ip = panels[1].AutoRange;
    for (std::size_t k = 2; k < panels.size(); ++k) {
      if (panels[k].Scale != MapScale::Linear) continue;
      ip.High = std::max(ip.High, panels[k].AutoRange.High);
      ip.Low = std::min(ip.Low, panels[k].AutoRange.Low);
    }
    for (PseudoPanel& panel : panels) {
      if (panel.Scale == MapScale::Linear) panel.UsedRange = ip;
    }
  }
  return static_cast<int>(panels.size());
}

PseudoPanel DifferencePanel(const TDataset& ds, const PseudoPanel& a, const PseudoPanel& b,
                            const SectionOptions& options) {
  auto values = std::make_unique<ValueGrid>();
  GridDescriptor d = a.Descriptor;
  for (int i = 1; i <= d.StationCount; ++i) {
    for (int k = 1; k <= d.LevelCount; ++k) (*values)(i, k) = DifferenceEmpty;
  }
  const GridDescriptor& e = b.Descriptor;
  for (int i = 1; i <= d.StationCount; ++i) {
    int j = 0;
    for (int s = 1; s <= e.StationCount && j == 0; ++s) {
      if (ApproxEqual(e.Stations[s], d.Stations[i])) j = s;
    }
    if (j == 0) continue;
    for (int k = 1; k <= d.LevelCount; ++k) {
      const double va = (*a.Values)(i, k);
      if (!(va > DifferenceFloor)) continue;
      int l = 0;
      for (int m = 1; m <= e.LevelCount && l == 0; ++m) {
        if (ApproxEqual(e.Spacing[m], d.Spacing[k]) && ApproxEqual(e.MN[m], d.MN[k])) l = m;
      }
      if (l == 0) continue;
      const double vb = (*b.Values)(j, l);
      if (!(vb > DifferenceFloor)) continue;
      (*values)(i, k) = static_cast<float>(100 * std::log(va / vb));
    }
  }
  CompactGrid(ds, *values, d, nullptr);
  auto raw = std::make_unique<ValueGrid>();
  raw->CopyFrom(*values);
  PseudoPanel p;
  p.Title = DifferenceTitle;
  p.Hint = a.Title + "-" + b.Title;
  SetData(p, std::move(values), std::move(raw), NoPanelOwner, ScaleTypeSymmetric, d);
  p.LogDepth = options.Scale == DepthScale::Logarithmic;
  p.HFirst = a.HFirst;
  p.HLast = a.HLast;
  return p;
}

MeanCaptions MeanCommandCaptions(const TDataset& ds) {
  MeanCaptions c;
  if (ds.SetCount < 2) return c;
  const int t1 = ds.Sets[1].Type;
  const int t2 = ds.Sets[2].Type;
  if (t1 == t2) {
    c = {true, "&Mean", "Geom. mean &only"};
  } else if ((t1 == ForwardPoleDipole && t2 == ReversePoleDipole) || (t1 == ReversePoleDipole && t2 == ForwardPoleDipole)) {
    c = {true, "A&MNB", "Mean &only"};
  }
  return c;
}

MeanResult ComputeMean(const TDataset& ds, const GridSettings& settings, bool meanOnly) {
  MeanResult r;
  r.values = std::make_unique<ValueGrid>();
  r.raw = std::make_unique<ValueGrid>();
  ValueGrid& grid = *r.values;
  StationLevelTable<std::uint16_t> counter(0);
  const int stations = std::clamp(ds.StationCount, 0, MaxStations);
  const int levels = std::clamp(ds.LevelCount, 0, MaxLevels);
  r.typeGroups = TypeGroupCount(ds);
  const int g = r.typeGroups;
  const int sets = std::clamp(ds.SetCount, 0, MaxSets);
  r.arrayCode = g == 1 ? (sets >= 1 ? ds.Sets[1].Type : 0) : ReversePoleDipole;

  for (int pass = 1; pass <= 2; ++pass) {
    for (int p = 1; p <= sets; ++p) {
      const bool taken = g == 1 ? p == pass : ds.Sets[p].Type == (pass == 1 ? ForwardPoleDipole : ReversePoleDipole);
      if (!taken) continue;
      const int first = std::max(ds.Sets[p].First, 1);
      const int last = std::min(ds.Sets[p].Last, std::min(ds.PointCount, ds.Points.Size()));
      for (int i = first; i <= last; ++i) {
        if (IsBad(ds, i)) continue;
        const TDataPoint& pt = ds.Points[i];
        if (pt.Station < 1 || pt.Station > stations || pt.Level < 1 || pt.Level > levels) continue;
        const double v = pt.Rho;
        float& c = grid(pt.Station, pt.Level);
        std::uint16_t& n = counter(pt.Station, pt.Level);
        if (pass == 1) {
          n = 1;
          c = IsEmptyCell(c) ? static_cast<float>(v) : static_cast<float>(std::sqrt(c * v));
        } else if (n == 1) {
          n = 2;
          c = g != 1 ? static_cast<float>((c + v) / 2) : static_cast<float>(std::sqrt(c * v));
        } else if (n == 0 && !meanOnly) {
          // Measured in the second pass only: repeated points of that pass
          // are combined geometrically, as within the first.
          c = IsEmptyCell(c) ? static_cast<float>(v) : static_cast<float>(std::sqrt(c * v));
        }
        // A cell already averaged over both passes keeps its mean.
      }
    }
  }
  if (meanOnly) {
    for (int s = 1; s <= stations; ++s) {
      for (int k = 1; k <= levels; ++k) {
        if (counter(s, k) != 2) grid(s, k) = EmptyCellValue;
      }
    }
  }
  GridDescriptor& d = r.descriptor;
  d.StationCount = stations;
  d.LevelCount = levels;
  for (int s = 1; s <= stations; ++s) d.Stations[s] = ds.Stations[s];
  for (int k = 1; k <= levels; ++k) {
    d.Spacing[k] = ds.LevelSpacing[k];
    d.MN[k] = ds.LevelMN[k];
  }
  CompactGrid(ds, grid, d, nullptr);
  FillGapsLog(grid, *r.raw, d, UnitElectrodeSpacing(ds), settings);
  return r;
}

MeanSaveName MeanPanelSaveName(const TDataset& ds, int typeGroups, int arrayCode) {
  if (typeGroups == 2) return {"AMNB", Schlumberger};
  return {ds.SeqHeader.TitleText(), arrayCode};
}

MeanSaveName MeanPanelSaveName(const TDataset& ds, const MeanResult& mean) {
  return MeanPanelSaveName(ds, mean.typeGroups, mean.arrayCode);
}

}  // namespace tarvo
