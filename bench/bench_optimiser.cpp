// The multichannel optimiser on sequences of 10 000 quadripoles, made by
// the generator on 256 electrodes with step 1 (dipoles of lengths 1, 3, 5
// and 7 with AM 1..16 for pole-dipole and dipole-dipole, the whole Wenner
// list for Half-Wenner), the first 10 000 of each. The quadripoles go to the
// optimiser as a plain list, so no dataset capacity limits them. Target:
// one optimisation within 1 s.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/sequences/multichannel_optimiser.h"
#include "engine/sequences/sequence_generator.h"

namespace tarvo::bench {
namespace {

constexpr std::size_t Quadripoles = 10000;

std::vector<TQuadripole> LongSequence(GeneratorArray array) {
  SequenceGeneratorState state;
  state.array = array;
  state.electrodes = 256;
  state.step = 1;
  for (auto& list : state.dipoleChecks) list.fill(false);
  for (int list = 0; list < 4; ++list) {
    for (int i = 0; i < 16; ++i) state.Checked(CheckListRef{false, list}, i) = true;
  }
  state.wennerChecks.fill(true);
  std::vector<TQuadripole> quads = GenerateQuadripoles(state);
  if (quads.size() > Quadripoles) quads.resize(Quadripoles);
  return quads;
}

void BM_Optimise(benchmark::State& state, GeneratorArray array, int channels) {
  const std::vector<TQuadripole> quads = LongSequence(array);
  if (quads.size() != Quadripoles) {
    state.SkipWithError("the generator made fewer quadripoles");
    return;
  }
  OptimiserOptions options;
  options.channels = channels;
  OptimisedSequence result;
  for (auto _ : state) {
    result = OptimiseReadings(quads, options);
    benchmark::DoNotOptimize(result.injections);
  }
  state.SetLabel("target 1 s");
  state.counters["injections"] = result.injections;
  state.counters["dummies"] = result.dummyDipoles;
  state.counters["conflicts"] = result.conflicts;
  state.counters["lowerBound"] = result.lowerBound;
}

BENCHMARK_CAPTURE(BM_Optimise, PoleDipole10000, GeneratorArray::PoleDipole, 10)
    ->Name("Optimise/PoleDipole10000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Optimise, DipoleDipole10000, GeneratorArray::DipoleDipole, 10)
    ->Name("Optimise/DipoleDipole10000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Optimise, DipoleDipole10000Channels4, GeneratorArray::DipoleDipole, 4)
    ->Name("Optimise/DipoleDipole10000/4ch")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Optimise, HalfWenner10000, GeneratorArray::HalfWenner, 10)
    ->Name("Optimise/HalfWenner10000")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo::bench
