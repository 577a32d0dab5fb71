// The engine work between a read and the views at full capacity: the layout
// analysis, the gap-filled grids of resistivity and chargeability, and the
// new-sequence generator at FixturePoints quadripoles. None of these has a byte
// stream to compare with; their figure stands against the 1 ms budget.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/core/layout_analysis.h"
#include "engine/display/value_grid.h"
#include "full_capacity_files.h"
#include "engine/import/open_command.h"
#include "engine/sequences/sequence_generator.h"

namespace tarvo::bench {
namespace {

void BM_AnalyseLayout(benchmark::State& state) {
  TDataset ds = LoadedDataset("Open/Prosys");
  NullMessenger messenger;
  for (auto _ : state) {
    AnalyseLayout(ds, messenger);
    benchmark::DoNotOptimize(ds.StationCount);
  }
  state.counters["stations"] = ds.StationCount;
  state.counters["levels"] = ds.LevelCount;
}
BENCHMARK(BM_AnalyseLayout)->Name("Engine/AnalyseLayout");

// Every set of the array type, gap filling at the widest interpolation
// window; the grids are allocated once, as the windows own theirs.
void BM_BuildGrid(benchmark::State& state, bool chargeability) {
  const TDataset ds = LoadedDataset("Open/Prosys");
  ValueGrid grid;
  ValueGrid raw;
  PointIndexMap indexMap;
  GridDescriptor descriptor;
  GridSettings settings;
  settings.InterpolationWidth = 3;
  for (auto _ : state) {
    BuildGrid(ds, settings, grid, raw, ds.ArrayType, -1, descriptor, chargeability, &indexMap);
    benchmark::DoNotOptimize(descriptor.StationCount);
  }
  if (descriptor.LevelCount < 2) state.SkipWithError("the grid is empty");
  state.counters["stations"] = descriptor.StationCount;
  state.counters["levels"] = descriptor.LevelCount;
}
BENCHMARK_CAPTURE(BM_BuildGrid, resistivity, false)->Name("Engine/BuildGrid/Resistivity");
BENCHMARK_CAPTURE(BM_BuildGrid, chargeability, true)->Name("Engine/BuildGrid/Chargeability");

// Dipole-dipole on FixtureElectrodes electrodes, items checked list by
// list until the next one would pass FixturePoints.
SequenceGeneratorState FullGeneratorState() {
  SequenceGeneratorState s;
  s.electrodes = FixtureElectrodes;
  s.array = GeneratorArray::DipoleDipole;
  s.step = 1;
  s.dipoleChecks = {};
  s.wennerChecks = {};
  int total = 0;
  for (int list = 0; list < DipoleListCount; ++list) {
    for (int item = 0; item < CheckListItemCount; ++item) {
      const CheckListRef ref{false, list};
      const int count = ItemQuadripoleCount(s, ref, item);
      if (count > 0 && total + count <= FixturePoints) {
        s.Checked(ref, item) = true;
        total += count;
      }
    }
  }
  return s;
}

void BM_GenerateQuadripoles(benchmark::State& state) {
  const SequenceGeneratorState s = FullGeneratorState();
  std::size_t count = 0;
  for (auto _ : state) {
    count = GenerateQuadripoles(s).size();
    benchmark::DoNotOptimize(count);
  }
  state.counters["quadripoles"] = static_cast<double>(count);
}
BENCHMARK(BM_GenerateQuadripoles)->Name("Engine/GenerateQuadripoles");

// The whole "generate" command: quadripoles, template headers,
// classification and the open command's rebuild of the new dataset.
void BM_GenerateSequence(benchmark::State& state) {
  const SequenceGeneratorState s = FullGeneratorState();
  NullMessenger messenger;
  ReadEnvironment env{messenger, Files().templatePath, nullptr};
  int points = 0;
  for (auto _ : state) {
    TDataset ds;
    OpenCommandState open;
    const GenerateResult r = GenerateSequence(ds, s, Files().dir.string(), open, env);
    if (!r.generated) state.SkipWithError("the sequence was refused");
    points = ds.PointCount;
    benchmark::DoNotOptimize(points);
  }
  state.counters["quadripoles"] = points;
}
BENCHMARK(BM_GenerateSequence)->Name("Engine/GenerateSequence");

}  // namespace
}  // namespace tarvo::bench
