// The IP decay work over many points: the chargeability of every point
// recomputed from its 20 windows, and every decay refitted with the power
// law, on 20 000 points (forty times the dataset's capacity, the size a
// long roll-along survey reaches).
#include <benchmark/benchmark.h>

#include <cmath>

#include "engine/core/dataset.h"
#include "engine/core/ip_decay.h"

namespace tarvo {
namespace {

constexpr int BenchPoints = 20000;

TDataset ManyDecays() {
  TDataset ds;
  ds.DataKind = DataKindTextWithVI;
  ds.HasIP = true;
  ds.IPWindowCount = MaxIPWindows;
  ds.Points.Resize(BenchPoints);
  ds.PointCount = BenchPoints;
  const TIPWindows w = ds.IPParameters.Windows;
  for (int i = 1; i <= BenchPoints; ++i) {
    TDataPoint& p = ds.Points[i];
    const double a = 500.0 + i % 97, b = 0.3 + (i % 13) * 0.05;
    for (int k = 1; k <= MaxIPWindows; ++k) {
      const double noise = 1.0 + 0.02 * std::sin(i * 7.0 + k);
      p.M[k] = static_cast<float>(a * std::pow(w.IPWindowCentres[static_cast<std::size_t>(k)], -b) * noise);
    }
  }
  return ds;
}

void BM_RecomputeIPAndMisfit(benchmark::State& state) {
  TDataset ds = ManyDecays();
  for (auto _ : state) {
    benchmark::DoNotOptimize(RecomputeIP(ds, 1, MaxIPWindows));
    FitDecays(ds);
    benchmark::DoNotOptimize(ds.DecayFits.Misfit.data());
  }
  state.SetItemsProcessed(state.iterations() * BenchPoints);
}
BENCHMARK(BM_RecomputeIPAndMisfit)->Name("Engine/RecomputeIPAndMisfit20000x20")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo
