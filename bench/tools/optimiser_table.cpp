// Prints the table of docs/SEQUENCES.md: the generator's sequences (every
// array, 48 to 128 electrodes, both steps) optimised for 4, 8 and 10
// channels with the default options. The quadripole lists come straight
// from the generator, so that lines longer than the dataset holds can be
// measured too.
//
// Usage: tarvo-optimiser-table
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/sequences/multichannel_optimiser.h"
#include "engine/sequences/sequence_generator.h"

namespace {

using namespace tarvo;

// True when the dipoles of every current pair, whichever way the current
// flows, tile one stretch of the line end to end: one chain with no gap and
// no overlap.
bool ChainsHaveNoGaps(const std::vector<TQuadripole>& quads) {
  std::map<std::pair<int, int>, std::vector<std::pair<int, int>>> dipoles;
  for (const TQuadripole& q : quads) {
    const bool flipped = q.B != 0 && q.B < q.A;
    const int a = flipped ? q.B : q.A;
    const int b = flipped ? q.A : q.B;
    dipoles[{a, b}].emplace_back(flipped ? q.N : q.M, flipped ? q.M : q.N);
  }
  for (auto& [pair, list] : dipoles) {
    const bool up = list.front().second > list.front().first;
    for (auto& [m, n] : list) {
      if ((n > m) != up) return false;
      if (!up) std::swap(m, n);
    }
    std::sort(list.begin(), list.end());
    for (std::size_t i = 1; i < list.size(); ++i) {
      if (list[i].first != list[i - 1].second) return false;
    }
  }
  return true;
}

// Every quadripole measured once: the sources of the real dipoles are
// 0..n-1, each once.
bool MeasuresEachOnce(const OptimisedSequence& r, std::size_t n) {
  std::vector<int> seen(n, 0);
  for (const ChannelReading& reading : r.readings) {
    for (const ReadingDipole& d : reading.dipoles) {
      if (d.IsDummy()) continue;
      if (d.source < 0 || static_cast<std::size_t>(d.source) >= n) return false;
      ++seen[static_cast<std::size_t>(d.source)];
    }
  }
  return std::all_of(seen.begin(), seen.end(), [](int s) { return s == 1; });
}

}  // namespace

int main() {
  std::cout << "| Sequence | Quadripoles | N | Injections | Dummies | Conflicts | Lower bound | Chain bound | "
               "Gap-free chains |\n";
  std::cout << "|---|---:|---:|---:|---:|---:|---:|---:|---|\n";
  bool allMeasured = true;
  for (int array = 0; array < GeneratorArrayCount; ++array) {
    for (const int step : {2, 1}) {
      for (const int electrodes : {48, 64, 96, 128}) {
        SequenceGeneratorState state;
        state.array = static_cast<GeneratorArray>(array);
        state.electrodes = electrodes;
        state.step = step;
        const std::vector<TQuadripole> quads = GenerateQuadripoles(state);
        const bool gapFree = ChainsHaveNoGaps(quads);
        for (const int channels : {4, 8, 10}) {
          OptimiserOptions options;
          options.channels = channels;
          const OptimisedSequence r = OptimiseReadings(quads, options);
          allMeasured = allMeasured && MeasuresEachOnce(r, quads.size());
          std::cout << "| " << GeneratorArrayNames[static_cast<std::size_t>(array)] << ' ' << electrodes
                    << ", step " << step << " | " << r.quadripoles << " | " << channels << " | " << r.injections
                    << " | " << r.dummyDipoles << " | " << r.conflicts << " | " << r.lowerBound << " | "
                    << ChainLowerBound(quads, channels) << " | " << (gapFree ? "yes" : "no") << " |\n";
        }
      }
    }
  }
  if (!allMeasured) {
    std::cerr << "tarvo-optimiser-table: a sequence was not measured exactly once\n";
    return 1;
  }
  return 0;
}
