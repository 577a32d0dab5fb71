// The median filters on grids built directly at full size (not through a
// dataset read, whose capacity is smaller): the whole decomposition and
// smoothing of a set as "Filtering" runs it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "engine/filters/filter_grid.h"
#include "engine/filters/median_filter.h"
#include "engine/filters/median_ip.h"

namespace {

// A Wenner-like section of `stations` x `levels` points: a layered ground,
// electrode effects and a little noise from a fixed sequence.
tarvo::FilterGrid Section(int stations, int levels) {
  tarvo::FilterGrid g;
  g.Resize(stations, levels);
  std::uint32_t seed = 12345;
  const auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) - 0.5;
  };
  for (int s = 1; s <= stations; ++s) g.Stations[static_cast<std::size_t>(s - 1)] = 0.5f * static_cast<float>(s);
  for (int l = 1; l <= levels; ++l) {
    g.Spacing[static_cast<std::size_t>(l - 1)] = static_cast<float>(l);
    g.MN[static_cast<std::size_t>(l - 1)] = static_cast<float>(l);
  }
  for (int s = 1; s <= stations; ++s) {
    for (int l = 1; l <= levels; ++l) {
      const double layered = 100.0 * std::pow(1.1, l);
      const double effect = (s % 17 == 0) ? 0.15 : 0.0;
      g.At(s, l) = static_cast<float>(layered * std::exp(effect + 0.05 * noise()));
    }
  }
  return g;
}

// The targets: 10 ms for 2 000 points, 100 ms for 20 000.
std::string Label(const tarvo::FilterGrid& grid) {
  return std::to_string(grid.CellCount()) + " points, target " + (grid.CellCount() > 2000 ? "100" : "10") + " ms";
}

void BM_MedianFilter(benchmark::State& state) {
  const tarvo::FilterGrid grid = Section(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const tarvo::MedianSettings settings;
  for (auto _ : state) {
    tarvo::MedianFilter f = tarvo::MedianFilterParts(grid, 3, settings);
    benchmark::DoNotOptimize(f.SmoothedData().Cells.data());
  }
  state.SetLabel(Label(grid));
}
// 2 000 and 20 000 points.
BENCHMARK(BM_MedianFilter)->Name("Filter/Median")->Args({200, 10})->Args({1000, 20})->Unit(benchmark::kMillisecond);

// The widest residual window (11 x 9 rectangle) at 20 000 points.
void BM_MedianFilterWidestWindow(benchmark::State& state) {
  const tarvo::FilterGrid grid = Section(1000, 20);
  tarvo::MedianSettings settings;
  settings.WindowX = 11;
  settings.WindowY = 9;
  settings.WindowC = 13;
  for (auto _ : state) {
    tarvo::MedianFilter f = tarvo::MedianFilterParts(grid, 3, settings);
    benchmark::DoNotOptimize(f.SmoothedData().Cells.data());
  }
  state.SetLabel(Label(grid));
}
BENCHMARK(BM_MedianFilterWidestWindow)->Name("Filter/MedianWidestWindow/1000/20")->Unit(benchmark::kMillisecond);

// "Smooth" alone, as a track bar's change runs it, at 2 000 points.
void BM_MedianSmoothOnly(benchmark::State& state) {
  tarvo::MedianFilter f;
  f.Start(Section(200, 10), 3, tarvo::MedianSettings{});
  for (auto _ : state) {
    f.SmoothAndReconstruct();
    benchmark::DoNotOptimize(f.SmoothedData().Cells.data());
  }
  state.SetLabel("2000 points, target 16 ms");
}
BENCHMARK(BM_MedianSmoothOnly)->Name("Filter/MedianSmooth/200/10")->Unit(benchmark::kMillisecond);

void BM_MedianIPFilter(benchmark::State& state) {
  const tarvo::FilterGrid grid = Section(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const tarvo::MedianIPSettings settings;
  for (auto _ : state) {
    tarvo::IPFilterParts parts = tarvo::SmoothIP(grid, settings);
    benchmark::DoNotOptimize(parts.Smoothed.Cells.data());
  }
  state.SetLabel(Label(grid));
}
BENCHMARK(BM_MedianIPFilter)->Name("Filter/MedianIP")->Args({200, 10})->Args({1000, 20})->Unit(benchmark::kMillisecond);

}  // namespace
