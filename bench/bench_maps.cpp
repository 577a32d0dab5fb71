// The arithmetic of the colour maps: contour levels and colour classes for
// 100 bounds, and the band fill of a 2000-station x 200-level grid into a
// 1600 x 600 pixel plot (the spans a window paints). Targets: 10 us for the
// levels and classes, 8 ms for the band fill.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/display/contour_levels.h"
#include "engine/display/contour_map.h"
#include "map_grid.h"

namespace tarvo::bench {
namespace {

// LogLevels, LinearLevels and SymmetricLevels of 100 bounds each, and the
// class of 100 values in each set.
void BM_LevelsAndClasses(benchmark::State& state) {
  std::vector<float> values;
  for (int i = 0; i < 100; ++i) values.push_back(static_cast<float>(1 + i * 37 % 1000));
  ContourLevels log;
  ContourLevels linear;
  ContourLevels symmetric;
  int sum = 0;
  for (auto _ : state) {
    LogLevels(log, MapLevelsPerDecade, 100, 1, 1000);
    LinearLevels(linear, 100, 1, 1000);
    SymmetricLevels(symmetric, 100, -1000, 1000);
    for (const float v : values) sum += ColorClass(v, log) + ColorClass(v, linear) + ColorClass(v, symmetric);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["bounds"] = log.Count;
}
BENCHMARK(BM_LevelsAndClasses)->Name("Maps/LevelsAndClasses");

void BM_BandFill(benchmark::State& state, bool logarithmic) {
  const MapBenchGrid g;
  FilledMapInput in = g.Input();
  in.logarithmic = logarithmic;
  ContourLevels levels = g.levels;
  if (!logarithmic) LinearLevels(levels, 20, 3, 3000);
  FilledMap map;
  for (auto _ : state) {
    BuildFilledMap(in, levels, map);
    benchmark::DoNotOptimize(map.Spans.data());
  }
  state.counters["spans"] = static_cast<double>(map.Spans.size());
}
BENCHMARK_CAPTURE(BM_BandFill, resistivity, true)->Name("Maps/BandFill/Resistivity")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BandFill, chargeability, false)->Name("Maps/BandFill/Linear")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo::bench
