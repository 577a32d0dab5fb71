#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/messenger.h"
#include "engine/filters/filter_set.h"
#include "engine/filters/median_filter.h"
#include "engine/filters/median_ip.h"
#include "engine/filters/median_of.h"
#include "engine/import/open_command.h"
#include "engine/import/read_environment.h"
#include "engine/settings/median_settings.h"

namespace tarvo {
namespace {

// A Wenner line: electrodes at 0, 1 .. electrodes - 1 (a = 1), levels n = 1 ..
// levels (spacing n, MN n). Each point's value is layer(n) times the factor
// of each of its four electrodes. Cells of the station x level grid without
// a point stay empty.
FilterGrid WennerGrid(int electrodes, int levels, const std::function<double(int)>& layer,
                      const std::function<double(int)>& factor = [](int) { return 1.0; }) {
  std::vector<float> stations;
  for (int n = 1; n <= levels; ++n) {
    for (int a = 0; a + 3 * n < electrodes; ++a) stations.push_back(static_cast<float>(a + 1.5 * n));
  }
  std::sort(stations.begin(), stations.end());
  stations.erase(std::unique(stations.begin(), stations.end()), stations.end());
  FilterGrid g;
  g.Resize(static_cast<int>(stations.size()), levels);
  g.Stations = stations;
  for (int n = 1; n <= levels; ++n) {
    g.Spacing[static_cast<std::size_t>(n - 1)] = static_cast<float>(n);
    g.MN[static_cast<std::size_t>(n - 1)] = static_cast<float>(n);
    for (int a = 0; a + 3 * n < electrodes; ++a) {
      const float x = static_cast<float>(a + 1.5 * n);
      const int s = static_cast<int>(std::lower_bound(stations.begin(), stations.end(), x) - stations.begin()) + 1;
      g.At(s, n) = static_cast<float>(layer(n) * factor(a) * factor(a + n) * factor(a + 2 * n) * factor(a + 3 * n));
    }
  }
  return g;
}

// A full grid: stations 0 .. stations - 1, levels 1 .. levels.
FilterGrid FullGrid(int stations, int levels, const std::function<double(int, int)>& value) {
  FilterGrid g;
  g.Resize(stations, levels);
  for (int s = 1; s <= stations; ++s) g.Stations[static_cast<std::size_t>(s - 1)] = static_cast<float>(s - 1);
  for (int l = 1; l <= levels; ++l) {
    g.Spacing[static_cast<std::size_t>(l - 1)] = static_cast<float>(l);
    g.MN[static_cast<std::size_t>(l - 1)] = 1;
  }
  for (int s = 1; s <= stations; ++s) {
    for (int l = 1; l <= levels; ++l) g.At(s, l) = static_cast<float>(value(s, l));
  }
  return g;
}

double Layers(int n) { return 100.0 * std::pow(1.3, n - 1); }

TEST(MedianOf, MedianAndMeanOfShortLists) {
  const struct {
    std::vector<float> values;
    double median;
    double mean;
  } cases[] = {
      {{}, 0, 0},
      {{7}, 7, 7},
      {{3, 1, 2}, 2, 2},
      {{4, 1, 3, 2}, 2.5, 2.5},
      {{10, -5, 0, 1, 100}, 1, 21.2},
      {{5, 5, 1, 9, 9, 9}, 7, 38.0 / 6},
  };
  for (const auto& c : cases) {
    std::vector<float> v = c.values;
    EXPECT_DOUBLE_EQ(MeanOf(v), c.mean);
    EXPECT_DOUBLE_EQ(MedianOf(v), c.median);
  }
}

TEST(MedianFilter, SchemesAndComponentsByArrayType) {
  EXPECT_EQ(DecompositionScheme(1, 1), 0);
  EXPECT_EQ(DecompositionScheme(2, 5), 1);
  EXPECT_EQ(DecompositionScheme(2, 4), 4);
  EXPECT_EQ(DecompositionScheme(3, 1), 1);
  EXPECT_EQ(DecompositionScheme(4, 3), 5);
  EXPECT_EQ(DecompositionScheme(5, 3), 6);
  EXPECT_EQ(DecompositionScheme(6, 5), 2);
  EXPECT_EQ(DecompositionScheme(6, 2), 3);
  EXPECT_EQ(DecompositionScheme(7, 1), 2);
  EXPECT_EQ(DecompositionScheme(8, 1), -1);

  // MN values in level order 2, 1, 3: a value not above the last one taken is skipped.
  FilterGrid g = FullGrid(10, 3, [](int, int) { return 10.0; });
  g.MN = {2, 1, 3};
  EXPECT_EQ(BuildMNList(g), (std::vector<float>{2, 3}));

  // Wenner: four pole components at x - 1.5a, x + 1.5a, x - 0.5a, x + 0.5a.
  MedianFilter wenner;
  wenner.Start(WennerGrid(20, 4, Layers), 3, MedianSettings{});
  ASSERT_EQ(wenner.Components().size(), 4u);
  EXPECT_EQ(wenner.DipoleCount(), 0);
  const char* titles[] = {"A", "B", "M", "N"};
  const double offsets[] = {-1.5, 1.5, -0.5, 0.5};
  const FilterGrid& d = wenner.Data();
  int s = 1;
  while (!(d.At(s, 2) > 0)) ++s;  // a station of level 2 (spacing 2)
  for (int k = 0; k < 4; ++k) {
    const EffectComponent& c = wenner.Components()[static_cast<std::size_t>(k)];
    EXPECT_EQ(c.Title, titles[k]);
    const int bin = wenner.BinOf(s, 2, k);
    ASSERT_GE(bin, 0);
    EXPECT_FLOAT_EQ(c.Position[static_cast<std::size_t>(bin)], d.Stations[static_cast<std::size_t>(s - 1)] + offsets[k] * 2);
  }

  // Forward pole-dipole with MN values 1, 2 and 5: three dipoles and "A".
  FilterGrid pd = FullGrid(12, 3, [](int, int) { return 50.0; });
  pd.MN = {1, 2, 5};
  MedianFilter poleDipole;
  poleDipole.Start(pd, 4, MedianSettings{});
  ASSERT_EQ(poleDipole.Components().size(), 4u);
  EXPECT_EQ(poleDipole.DipoleCount(), 3);
  EXPECT_EQ(poleDipole.PoleCount(), 1);
  EXPECT_EQ(poleDipole.Components()[0].Title, "dipole 1");
  EXPECT_EQ(poleDipole.Components()[1].Title, "dipole 2");
  EXPECT_EQ(poleDipole.Components()[2].Title, "dipole 5");
  EXPECT_EQ(poleDipole.Components()[3].Title, "A");
  // A dipole component takes only the cells of its own MN value.
  EXPECT_GE(poleDipole.BinOf(3, 2, 1), 0);
  EXPECT_EQ(poleDipole.BinOf(3, 1, 1), -1);

  // Dipole-dipole with two MN values: the list doubled, signs alternating.
  MedianFilter dd;
  FilterGrid g2 = FullGrid(12, 2, [](int, int) { return 50.0; });
  g2.MN = {1, 2};
  dd.Start(g2, 6, MedianSettings{});
  ASSERT_EQ(dd.Components().size(), 4u);
  const double signs[] = {-1, 1, 1, -1};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(dd.Components()[static_cast<std::size_t>(k)].Coefficient, signs[k]);

  // Reverse pole-dipole with ten MN values: nine dipoles and "B" fill the table.
  FilterGrid many = FullGrid(12, 10, [](int, int) { return 50.0; });
  for (int l = 1; l <= 10; ++l) many.MN[static_cast<std::size_t>(l - 1)] = static_cast<float>(l);
  MedianFilter reverse;
  reverse.Start(many, 5, MedianSettings{});
  EXPECT_EQ(reverse.Components().size(), static_cast<std::size_t>(MaxEffectComponents));
  EXPECT_EQ(reverse.Components().back().Title, "B");
}

TEST(MedianFilter, LayeredEarthGivesAFlatResidualAndNoEffects) {
  const FilterGrid grid = WennerGrid(40, 7, Layers);
  for (int method : {MedianSettings::Median, MedianSettings::Mean}) {
    MedianSettings settings;
    settings.TypeWindowC = settings.TypeWindowR = method;
    settings.WindowY = 3;
    const MedianFilter f = MedianFilterParts(grid, 3, settings);
    ASSERT_TRUE(f.Smoothed());
    for (const auto& c : f.Components()) {
      for (int b = 0; b < c.BinCount(); ++b) {
        EXPECT_NEAR(c.Cumulative[static_cast<std::size_t>(b)], 0, 1e-3) << c.Title;
        EXPECT_NEAR(c.Smoothed[static_cast<std::size_t>(b)], 0, 1e-3) << c.Title;
      }
    }
    for (int s = 1; s <= grid.StationCount; ++s) {
      for (int l = 1; l <= grid.LevelCount; ++l) {
        if (!(grid.At(s, l) > 0)) {
          EXPECT_TRUE(IsEmptyCell(f.SmoothedData().At(s, l)));
          continue;
        }
        EXPECT_NEAR(f.OneD().At(s, l), Layers(l), Layers(l) * 1e-5);
        EXPECT_NEAR(f.Residual().At(s, l), 0, 1e-3);
        EXPECT_NEAR(f.SmoothedResidual().At(s, l), 0, 1e-3);
        // Noise-free data come back as they are.
        EXPECT_NEAR(f.SmoothedData().At(s, l), grid.At(s, l), grid.At(s, l) * 1e-5);
        EXPECT_NEAR(f.Removed().At(s, l), 0, 1e-3);
      }
    }
  }
}

TEST(MedianFilter, OneElectrodeEffectIsFoundAsThatElectrodesCEffect) {
  constexpr int Electrode = 24;
  constexpr double Factor = 1.2;
  const double effect = 100 * std::log(Factor);
  const FilterGrid grid = WennerGrid(48, 7, Layers, [](int e) { return e == Electrode ? Factor : 1.0; });
  MedianFilter f;
  f.Start(grid, 3, MedianSettings{});
  ASSERT_TRUE(f.EffectsFound());
  for (const auto& c : f.Components()) {
    bool found = false;
    for (int b = 0; b < c.BinCount(); ++b) {
      const float p = c.Position[static_cast<std::size_t>(b)];
      const float e = c.Cumulative[static_cast<std::size_t>(b)];
      if (std::abs(p - Electrode) < 0.01) {
        found = true;
        EXPECT_NEAR(e, effect, 0.01) << c.Title;
      } else {
        EXPECT_NEAR(e, 0, 0.01) << c.Title << " at " << p;
      }
    }
    EXPECT_TRUE(found) << c.Title;
  }
  // What is left is flat: the effect went wholly into the electrode.
  for (std::size_t i = 0; i < grid.CellCount(); ++i) {
    if (grid.Cells[i] > 0) {
      EXPECT_NEAR(f.Residual().Cells[i], 0, 0.01);
    }
  }
  // The chart hand-over: one curve per component, the electrode's point in each.
  const auto curves = f.EffectCurves();
  ASSERT_EQ(curves.size(), 4u);
  for (const auto& curve : curves) {
    bool at = false;
    for (const auto& [p, e] : curve.Points) at = at || (std::abs(p - Electrode) < 0.01 && std::abs(e - effect) < 0.01);
    EXPECT_TRUE(at) << curve.Title;
  }
}

TEST(MedianFilter, BreaksSplitTheOneDPart) {
  // Two halves of different layered grounds, 40 stations.
  const auto value = [](int s, int l) { return (s <= 20 ? 100.0 : 400.0) * l; };
  const FilterGrid grid = FullGrid(40, 3, value);
  MedianFilter f;
  f.Start(grid, 3, MedianSettings{});
  // One segment: one value per level, the median of both halves.
  for (int l = 1; l <= 3; ++l) {
    for (int s = 2; s <= 40; ++s) EXPECT_FLOAT_EQ(f.OneD().At(s, l), f.OneD().At(1, l));
  }
  ASSERT_TRUE(f.ToggleSegmentBoundary(20));
  EXPECT_EQ(f.Breaks(), std::vector<int>{20});
  // Segment midpoints 10 and 30: each half's own value up to its midpoint,
  // log-linear in between.
  for (int l = 1; l <= 3; ++l) {
    for (int s = 1; s <= 10; ++s) EXPECT_NEAR(f.OneD().At(s, l), 100.0 * l, 1e-3 * l);
    for (int s = 30; s <= 40; ++s) EXPECT_NEAR(f.OneD().At(s, l), 400.0 * l, 4e-3 * l);
    for (int s = 11; s < 30; ++s) {
      EXPECT_GT(f.OneD().At(s + 1, l), f.OneD().At(s, l));
    }
    const double mid = std::exp((std::log(100.0 * l) * 9 + std::log(400.0 * l) * 10) / 19);
    EXPECT_NEAR(f.OneD().At(21, l), mid, mid * 1e-5);
  }
  // The same breaks in one call give the same parts.
  const MedianFilter g = MedianFilterParts(grid, 3, MedianSettings{}, MedianRun{{20}});
  f.SmoothAndReconstruct();
  EXPECT_EQ(g.OneD().Cells, f.OneD().Cells);
  EXPECT_EQ(g.SmoothedData().Cells, f.SmoothedData().Cells);
  // A second click on the break removes it.
  ASSERT_TRUE(f.ToggleSegmentBoundary(20));
  EXPECT_TRUE(f.Breaks().empty());
  // "Mean in window" takes no breaks.
  MedianSettings window;
  window.TypeWindow1d = MedianSettings::OneDMeanInWindow;
  MedianFilter w;
  w.Start(grid, 3, window);
  EXPECT_FALSE(w.ToggleSegmentBoundary(20));
}

TEST(MedianFilter, SegmentBoundariesKeepTheirDistance) {
  // 100 stations: breaks keep 2 stations from the ends and from each other.
  MedianFilter f;
  f.Start(FullGrid(100, 2, [](int, int) { return 10.0; }), 3, MedianSettings{});
  const struct {
    int click;
    bool changed;
    std::vector<int> breaks;
  } steps[] = {
      {2, false, {}},    {3, false, {}},   {99, false, {}},  {98, false, {}}, {50, true, {50}},
      {70, true, {50, 70}}, {51, true, {70}}, {69, true, {}}, {4, true, {4}},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(f.ToggleSegmentBoundary(step.click), step.changed) << step.click;
    EXPECT_EQ(f.Breaks(), step.breaks) << step.click;
  }
}

TEST(MedianFilter, SmoothingWaitsForEffectsAndFewBinsContributeNothing) {
  MedianFilter f;
  f.Start(WennerGrid(30, 5, Layers), 3, MedianSettings{});
  f.ResetEffects();
  EXPECT_FALSE(f.SmoothAndReconstruct());
  EXPECT_TRUE(f.SmoothedData().Cells.empty());
  f.FindEffects();
  EXPECT_TRUE(f.SmoothAndReconstruct());

  // Components of fewer than 4 bins: their effect is removed completely.
  // Pole-pole, three stations, three levels of one spacing: the middle
  // station 1.5 times the others.
  FilterGrid three = FullGrid(3, 3, [](int s, int) { return s == 2 ? 150.0 : 100.0; });
  three.Spacing = {2, 2, 2};
  three.MN = {1, 2, 3};
  const MedianFilter m = MedianFilterParts(three, 1, MedianSettings{});
  ASSERT_EQ(m.Components().size(), 2u);
  const EffectComponent& a = m.Components()[0];
  ASSERT_EQ(a.BinCount(), 3);
  EXPECT_NEAR(a.Cumulative[1], 100 * std::log(1.5), 1e-3);
  EXPECT_EQ(a.Smoothed, (std::vector<float>{0, 0, 0}));
  EXPECT_TRUE(m.SmoothedEffectCurves()[0].Points.empty());
  for (int l = 1; l <= 3; ++l) EXPECT_NEAR(m.SmoothedData().At(2, l), 100, 1e-3);
}

TEST(MedianFilter, EvenEffectWindowTakesOneMoreBinBelow) {
  // Pole-pole, 10 stations, three levels of one spacing: component A has
  // 10 bins of three cells, their effects rising along the line.
  FilterGrid g = FullGrid(10, 3, [](int s, int) { return 100.0 * std::exp(s * 1.0 / 100); });
  g.Spacing = {2, 2, 2};
  g.MN = {1, 2, 3};
  MedianSettings settings;
  settings.WindowC = 4;
  settings.TypeWindowC = MedianSettings::Mean;
  const MedianFilter m = MedianFilterParts(g, 1, settings);
  const EffectComponent& a = m.Components()[0];
  ASSERT_EQ(a.BinCount(), 10);
  // Bin 5 (0-based 4) averages bins 3..6 (0-based 2..5).
  const double expected = (a.Cumulative[2] + a.Cumulative[3] + a.Cumulative[4] + a.Cumulative[5]) / 4.0;
  EXPECT_NEAR(a.Smoothed[4], expected, 1e-4);
  EXPECT_GT(std::abs(a.Cumulative[2] - a.Cumulative[6]), 1e-3);  // the window's choice shows
}

TEST(MedianIPFilter, MedianAndMeanOnASmallGrid) {
  // 4 stations x 3 levels, one empty cell (station 4, level 3).
  const float E = EmptyCellValue;
  const float v[4][3] = {{1, 5, 9}, {2, -6, 10}, {3, 7, 11}, {40, 8, E}};
  FilterGrid g = FullGrid(4, 3, [&](int s, int l) { return v[s - 1][l - 1]; });
  MedianIPSettings s;
  s.WindowX = 3;
  s.WindowY = 3;
  // Rectangle 3 x 3 around station 2, level 2: all nine cells.
  IPFilterParts median = SmoothIP(g, s);
  EXPECT_FLOAT_EQ(median.Smoothed.At(2, 2), 5);           // 1 2 3 5 -6 7 9 10 11
  EXPECT_FLOAT_EQ(median.Removed.At(2, 2), -6 - 5);
  EXPECT_FLOAT_EQ(median.Smoothed.At(1, 1), 1.5);         // 1 2 5 -6
  EXPECT_FLOAT_EQ(median.Smoothed.At(4, 2), 8);           // 3 7 11 40 8, the empty cell left out
  EXPECT_TRUE(IsEmptyCell(median.Smoothed.At(4, 3)));
  s.TypeWindowR = 1;
  IPFilterParts mean = SmoothIP(g, s);
  EXPECT_FLOAT_EQ(mean.Smoothed.At(2, 2), 42.0f / 9);
  EXPECT_FLOAT_EQ(mean.Smoothed.At(4, 2), (3 + 7 + 11 + 40 + 8) / 5.0f);
  // Cross: only the centre's level and station.
  s.TypeAreaR = 1;
  IPFilterParts cross = SmoothIP(g, s);
  EXPECT_FLOAT_EQ(cross.Smoothed.At(2, 2), (5 - 6 + 7 + 2 + 10) / 5.0f);
  // A 1 x 1 window gives the data back and removes nothing.
  s.WindowX = s.WindowY = 1;
  IPFilterParts one = SmoothIP(g, s);
  for (int st = 1; st <= 4; ++st) {
    for (int l = 1; l <= 3; ++l) {
      if (IsEmptyCell(g.At(st, l))) continue;
      EXPECT_FLOAT_EQ(one.Smoothed.At(st, l), g.At(st, l));
      EXPECT_FLOAT_EQ(one.Removed.At(st, l), 0);
    }
  }
  // An even width of 4 takes two stations before the centre and one after.
  s = MedianIPSettings{};
  s.WindowX = 4;
  s.WindowY = 1;
  s.TypeWindowR = 1;
  IPFilterParts even = SmoothIP(g, s);
  EXPECT_FLOAT_EQ(even.Smoothed.At(3, 1), (1 + 2 + 3 + 40) / 4.0f);
}

TEST(MedianSettingsFile, SectionsReadBackAndOutOfRangeValuesAreBrought) {
  IniFile ini;
  ini.Parse("[median]\r\n WindowC = 9 \r\nWindowX=40\r\nTypeWindow1d=2\r\nWindow1d=zz\r\n[MedianIP]\r\nWindowY=0x4\r\n");
  MedianSettings m;
  MedianIPSettings ip;
  MedianFilterSettings owner(m, ip);
  owner.ReadSettings(ini);
  EXPECT_EQ(m.WindowC, 9);
  EXPECT_EQ(m.WindowX, 11);
  EXPECT_EQ(m.TypeWindow1d, 2);
  EXPECT_EQ(m.Window1d, 15);
  EXPECT_EQ(m.WindowY, 1);
  EXPECT_EQ(ip.WindowY, 4);
  EXPECT_EQ(ip.WindowX, 5);
  IniFile out;
  owner.WriteSettings(out);
  MedianSettings m2;
  MedianIPSettings ip2;
  MedianFilterSettings(m2, ip2).ReadSettings(out);
  EXPECT_EQ(m2, m);
  EXPECT_EQ(ip2, ip);
  EXPECT_NE(out.Text().find("[Median]\r\nTypeWindow1d=2\r\n"), std::string::npos);
}

TEST(MedianFilterSet, SetChoiceNameAndResultsTakenBack) {
  EXPECT_EQ(FilterSetName("wenner32.001"), "wenner32");
  EXPECT_EQ(FilterSetName("Wenner (AMNB) line"), "Wenner");
  EXPECT_EQ(FilterSetName(".hidden file name"), ".hidden ");
  EXPECT_EQ(FilterSetName("noseparators"), "nosepara");

  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, ""};
  OpenCommandState state;
  OpenRequest request;
  request.files = {std::string(TARVO_EXAMPLES_DIR) + "/mixed32_ip.dat"};
  request.filterIndex = 4;
  ASSERT_TRUE(RunOpenCommand(ds, state, request, DefaultReaders(), env).loaded);
  ASSERT_EQ(ds.SetCount, 2);
  EXPECT_EQ(FilterSetEntry(ds), 1);  // none selected: the last set
  ds.SelectedSetEntry = 0;
  EXPECT_EQ(FilterSetEntry(ds), 0);

  FilterSetGrid set;
  ASSERT_TRUE(BuildFilterSetGrid(ds, GridSettings{}, false, 0, set));
  EXPECT_EQ(set.ArrayType, 3);
  const MedianFilter f = MedianFilterParts(set.Grid, set.ArrayType, MedianSettings{});
  const TDataset before = ds;
  const int changed = WriteBackFiltered(ds, set, f.SmoothedData());
  EXPECT_EQ(changed, ds.Sets[1].Last - ds.Sets[1].First + 1);
  for (int k = 1; k <= ds.PointCount; ++k) {
    const long cell = set.CellOfPoint[static_cast<std::size_t>(k - 1)];
    if (k > ds.Sets[1].Last) {
      EXPECT_EQ(cell, -1);
      EXPECT_EQ(ds.Points[k].Rho, before.Points[k].Rho);  // the other set is left alone
    } else {
      ASSERT_GE(cell, 0);
      EXPECT_EQ(ds.Points[k].Rho, f.SmoothedData().Cells[static_cast<std::size_t>(cell)]);
      EXPECT_EQ(ds.Points[k].IP, before.Points[k].IP);
    }
  }

  // Chargeability of the dipole-dipole set, taken back the same way.
  FilterSetGrid ipSet;
  ASSERT_TRUE(BuildFilterSetGrid(ds, GridSettings{}, true, 1, ipSet));
  const IPFilterParts ip = SmoothIP(ipSet.Grid, MedianIPSettings{});
  EXPECT_GT(WriteBackFiltered(ds, ipSet, ip.Smoothed), 0);

  // Sequences and entries that are no set: nothing to filter.
  ds.SelectedSetEntry = 5;
  EXPECT_EQ(FilterSetEntry(ds), -1);
  ds.SelectedSetEntry = -1;
  ds.DataKind = DataKindSequence;
  EXPECT_EQ(FilterSetEntry(ds), -1);
}

}  // namespace
}  // namespace tarvo
