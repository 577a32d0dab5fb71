// The electrode edits of the table window, each with what it re-derives,
// on a one-set dipole-dipole sequence of min(20 000, MaxPoints) quadripoles
// over min(256, MaxElectrodePositions, MaxElectrodes) electrodes 1 m apart
// (dipoles a = 1..5 electrode steps, n = 1..20: one level per pair).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "engine/core/array_types.h"
#include "engine/core/capacities.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/editing/electrode_edits.h"
#include "engine/editing/multinodes.h"

namespace tarvo::bench {
namespace {

constexpr int WantedPoints = 20000;
constexpr int WantedElectrodes = 256;
constexpr int FixturePoints = std::min(WantedPoints, MaxPoints);
constexpr int FixtureElectrodes = std::min({WantedElectrodes, MaxElectrodePositions, MaxElectrodes});

const TDataset& Fixture() {
  static const TDataset ds = [] {
    TDataset d;
    d.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(FixtureElectrodes);
    for (int n = 1; n <= FixtureElectrodes; ++n) {
      d.Electrodes[n].Number = static_cast<std::int16_t>(n);
      d.Electrodes[n].X = static_cast<float>(n - 1);
    }
    std::vector<TQuadripole> quads;
    for (int a = 1; a <= 5 && static_cast<int>(quads.size()) < FixturePoints; ++a) {
      for (int n = 1; n <= 20 && static_cast<int>(quads.size()) < FixturePoints; ++n) {
        for (int b = 1; b + (n + 2) * a <= FixtureElectrodes && static_cast<int>(quads.size()) < FixturePoints; ++b) {
          const int m = b + a + n * a;
          quads.push_back(TQuadripole{static_cast<std::int16_t>(b), static_cast<std::int16_t>(b + a),
                                      static_cast<std::int16_t>(m), static_cast<std::int16_t>(m + a), 1,
                                      static_cast<float>(TwoPi * a * n * (n + 1) * (n + 2))});
        }
      }
    }
    d.Quads.Storage() = quads;
    d.SeqHeader.QuadCount = static_cast<std::int16_t>(std::min<std::size_t>(quads.size(), 32767));
    SilentMessenger m;
    if (!ClassifySequence(d, m)) throw std::runtime_error("the benchmark sequence does not classify");
    d.DataKind = DataKindSequence;
    RebuildAfterElectrodeEdit(d, m);
    return d;
  }();
  return ds;
}

void Label(benchmark::State& state) {
  const TDataset& ds = Fixture();
  state.SetLabel(std::to_string(ds.PointCount) + " points, " + std::to_string(ds.ElectrodePosCount) + " electrodes");
}

void BM_ToggleElectrodes(benchmark::State& state) {
  TDataset ds = Fixture();
  const int row = std::max(1, ds.ElectrodePosCount / 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ToggleElectrodes(ds, {row}).changedPoints.size());
  }
  Label(state);
}
BENCHMARK(BM_ToggleElectrodes)->Name("Engine/ElectrodeEdits/ToggleElectrodes")->Unit(benchmark::kMillisecond);

void BM_RemoveBrokenElectrode(benchmark::State& state) {
  const TDataset& fixture = Fixture();
  SilentMessenger yes;
  for (auto _ : state) {
    state.PauseTiming();
    TDataset ds = fixture;
    state.ResumeTiming();
    benchmark::DoNotOptimize(RemoveBrokenElectrode(ds, 3, yes).changed);
  }
  Label(state);
}
BENCHMARK(BM_RemoveBrokenElectrode)->Name("Engine/ElectrodeEdits/RemoveBrokenElectrode")->Unit(benchmark::kMillisecond);

void BM_PasteTopography(benchmark::State& state) {
  TDataset ds = Fixture();
  std::string text = "x\tz\r\n";
  for (int e = 1; e <= ds.ElectrodePosCount; e += 2) {
    text += std::to_string(ds.ElectrodePos[e]) + "\t" + std::to_string(100 + 0.01 * e * e) + "\r\n";
  }
  bool square = false;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PasteTopography(ds, text, square).changed);
    square = !square;
  }
  Label(state);
}
BENCHMARK(BM_PasteTopography)->Name("Engine/ElectrodeEdits/PasteTopography")->Unit(benchmark::kMillisecond);

void BM_MultiplyDistances(benchmark::State& state) {
  TDataset ds = Fixture();
  SilentMessenger m;
  double k = 2;
  for (auto _ : state) {
    if (!MultiplyDistances(ds, k, m).changed) state.SkipWithError("nothing multiplied");
    k = 1 / k;
  }
  Label(state);
}
BENCHMARK(BM_MultiplyDistances)->Name("Engine/ElectrodeEdits/MultiplyDistances")->Unit(benchmark::kMillisecond);

void BM_MirrorProfile(benchmark::State& state) {
  TDataset ds = Fixture();
  SilentMessenger m;
  for (auto _ : state) {
    if (!MirrorProfile(ds, m).changed) state.SkipWithError("nothing mirrored");
  }
  Label(state);
}
BENCHMARK(BM_MirrorProfile)->Name("Engine/ElectrodeEdits/MirrorProfile")->Unit(benchmark::kMillisecond);

void BM_RenumberMultinodes(benchmark::State& state) {
  TDataset ds = Fixture();
  SilentMessenger m;
  TMultinodeList list = AnalyseMultinodes(ds, 16);
  if (list.size() < 2) {
    state.SkipWithError("one multinode only");
    return;
  }
  for (auto _ : state) {
    TMultinodeList turned = list;
    turned[1].Reversed = !turned[1].Reversed;
    if (!RenumberMultinodes(ds, 16, list, turned, m)) state.SkipWithError("nothing renumbered");
    list = AnalyseMultinodes(ds, 16);
  }
  Label(state);
}
BENCHMARK(BM_RenumberMultinodes)->Name("Engine/ElectrodeEdits/RenumberMultinodes")->Unit(benchmark::kMillisecond);

void BM_UndoElectrodeEdit(benchmark::State& state) {
  TDataset ds = Fixture();
  ElectrodeEditUndo undo;
  for (auto _ : state) {
    undo.Remember(ds);
    benchmark::DoNotOptimize(undo.Undo(ds));
  }
  Label(state);
}
BENCHMARK(BM_UndoElectrodeEdit)->Name("Engine/ElectrodeEdits/RememberAndUndo")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo::bench
