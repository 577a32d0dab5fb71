// The panels of the pseudo-section panels windows at full capacity: twenty
// panels (ten sets, each with its chargeability panel) that each grid every
// point of a MaxPoints dataset, with the common colour and horizontal
// ranges. The dataset holds at most MaxPoints points, so twenty panels of
// it are the most gridding the window can ever ask for.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/display/pseudo_panels.h"
#include "full_capacity_files.h"

namespace tarvo::bench {
namespace {

void BM_BuildPanels(benchmark::State& state) {
  TDataset ds = LoadedDataset("Open/Prosys");
  if (!ds.HasIP) {
    state.SkipWithError("the dataset has no chargeability");
    return;
  }
  // Ten sets of one type, each of every point.
  const std::uint8_t type = ds.Sets[1].Type;
  ds.SetCount = 10;
  ds.SetNames.clear();
  for (int p = 1; p <= ds.SetCount; ++p) {
    ds.Sets[p] = TSetEntry{1, ds.PointCount, type};
    ds.SetNames.push_back("line" + std::to_string(p) + ".txt");
  }
  SectionOptions options;
  GridSettings settings;
  settings.InterpolationWidth = 3;
  std::vector<PseudoPanel> panels;
  for (auto _ : state) {
    BuildPanels(ds, settings, options, true, panels);
    benchmark::DoNotOptimize(panels.data());
  }
  if (panels.size() != static_cast<std::size_t>(MaxPanels)) state.SkipWithError("not twenty panels");
  state.counters["panels"] = static_cast<double>(panels.size());
  state.counters["points"] = ds.PointCount;
}
BENCHMARK(BM_BuildPanels)->Name("Engine/BuildPanels/20")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvo::bench
