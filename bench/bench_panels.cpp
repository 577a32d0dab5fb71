// The panels of the pseudo-section panels windows on a 20 000-point line:
// twenty panels (ten sets of 2 000 readings, each with its chargeability
// panel), with the common colour and horizontal ranges. Target: 50 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/display/pseudo_panels.h"
#include "full_capacity_files.h"

namespace tarvo::bench {
namespace {

void BM_BuildPanels(benchmark::State& state) {
  constexpr int Points = 20000;
  const std::string file = ScaledProsysFile(Points, 256);
  TDataset ds;
  const std::string error = ReadCase({"prosys", file, 7, {file}, ""}, Files().templatePath, ds, Points);
  if (!error.empty() || !ds.HasIP) {
    state.SkipWithError(error.empty() ? "the dataset has no chargeability" : error.c_str());
    return;
  }
  // Ten sets of one type, 2 000 readings each.
  const std::uint8_t type = ds.Sets[1].Type;
  ds.SetCount = 10;
  ds.SetNames.clear();
  const int perSet = ds.PointCount / ds.SetCount;
  for (int p = 1; p <= ds.SetCount; ++p) {
    ds.Sets[p] = TSetEntry{(p - 1) * perSet + 1, p * perSet, type};
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
