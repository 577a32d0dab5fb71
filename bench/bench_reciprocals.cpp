// Pairing of normal and reciprocal readings and the fit of the error model,
// on a dipole-dipole line measured twice (every quadripole and its
// reciprocal), 20 000 readings or as many as the dataset holds.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "engine/core/capacities.h"
#include "engine/core/reciprocals.h"

namespace tarvo::bench {
namespace {

TDataset ReciprocalLine(int readings) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  const int electrodes = std::min(MaxElectrodePositions, 256);
  for (int e = 1; e <= electrodes; ++e) ds.ElectrodePos[e] = static_cast<float>(e - 1);
  ds.ElectrodePosCount = electrodes;
  int made = 0;
  for (int a = 0; a + 3 < electrodes && made < readings; ++a) {
    for (int n = 1; a + n + 2 < electrodes && made < readings; ++n) {
      const float q[2][4] = {{float(a), float(a + 1), float(a + n + 1), float(a + n + 2)},
                             {float(a + n + 1), float(a + n + 2), float(a), float(a + 1)}};
      for (const auto& g : q) {
        if (made == readings) break;
        TDataPoint p;
        p.XA = g[0];
        p.XB = g[1];
        p.XM = g[2];
        p.XN = g[3];
        p.Rho = 100.0f + static_cast<float>(made % 7);
        ds.Points.Append(p);
        ++made;
      }
    }
  }
  ds.PointCount = made;
  return ds;
}

void BM_PairReciprocals(benchmark::State& state) {
  TDataset ds = ReciprocalLine(std::min(20000, MaxPoints));
  for (auto _ : state) {
    PairReciprocals(ds);
    benchmark::DoNotOptimize(ds.Reciprocals.PairCount);
  }
  state.counters["readings"] = ds.PointCount;
  state.counters["pairs"] = ds.Reciprocals.PairCount;
}
BENCHMARK(BM_PairReciprocals)->Name("Engine/PairReciprocals")->Unit(benchmark::kMillisecond);

void BM_FitErrorModel(benchmark::State& state) {
  TDataset ds = ReciprocalLine(std::min(20000, MaxPoints));
  PairReciprocals(ds);
  for (auto _ : state) {
    auto model = FitErrorModel(ds, TErrorModel::Kind::PowerLaw);
    benchmark::DoNotOptimize(model);
  }
  state.counters["pairs"] = ds.Reciprocals.PairCount;
}
BENCHMARK(BM_FitErrorModel)->Name("Engine/FitErrorModel")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarvo::bench
