// Picking in the configuration window: the point nearest to a click among
// 100 000 points (a 1 024-electrode line with 100 levels), found through the
// bucket index. Target: 1 ms per pick; the index is built once per layout.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/display/point_index.h"

namespace tarvo::bench {
namespace {

struct PickingLine {
  static constexpr int Stations = 1000;
  static constexpr int Levels = 100;
  // A 1 600 x 400 pixel plot over 0..1023 m across and spacings 1..100 down.
  static constexpr double HScale = 1600.0 / 1023.0;
  static constexpr double VScale = 400.0 / 99.0;
  std::vector<IndexSite> sites;

  PickingLine() {
    int id = 0;
    for (int level = 1; level <= Levels; ++level) {
      for (int s = 0; s < Stations; ++s) {
        sites.push_back(IndexSite{static_cast<float>(s) + 0.5f * static_cast<float>(level % 2) + 11.5f,
                                  static_cast<float>(level), ++id});
      }
    }
  }
};

void BM_PickNearest(benchmark::State& state) {
  const PickingLine line;
  PointIndex index;
  index.Build(line.sites, PickingLine::HScale, -PickingLine::VScale);
  // Clicks spread over the plot, some of them far outside the points.
  std::vector<std::pair<double, double>> clicks;
  for (int k = 0; k < 256; ++k) clicks.emplace_back((k * 37) % 1100 - 40.0, (k * 13) % 110 - 5.0);
  std::size_t k = 0;
  for (auto _ : state) {
    const auto [x, s] = clicks[k++ % clicks.size()];
    benchmark::DoNotOptimize(index.Nearest(x, s));
  }
  state.counters["points"] = index.Size();
}
BENCHMARK(BM_PickNearest)->Name("Views/PickNearest")->Unit(benchmark::kMicrosecond);

void BM_BuildPointIndex(benchmark::State& state) {
  const PickingLine line;
  PointIndex index;
  for (auto _ : state) {
    index.Build(line.sites, PickingLine::HScale, -PickingLine::VScale);
    benchmark::DoNotOptimize(index.Size());
  }
  state.counters["points"] = index.Size();
}
BENCHMARK(BM_BuildPointIndex)->Name("Views/BuildPointIndex")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo::bench
