// The table window's engine work at full capacity: every cell text of the
// data grid for 500 points, and a threshold change with the recount it runs.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/editing/data_table.h"
#include "full_capacity_files.h"

namespace tarvo {
namespace {

// The Prosys file: V and I, SP, chargeability and every IP window.
TDataset FullTable() { return bench::LoadedDataset("Open/Prosys"); }

void BM_TableFillEveryCell(benchmark::State& state) {
  const TDataset ds = FullTable();
  const auto columns = DataColumns(ds);
  for (auto _ : state) {
    std::size_t chars = 0;
    const RowRange rows = ShownRows(ds);
    for (int i = rows.first; i <= rows.last; ++i) {
      for (DataColumn c : columns) chars += DataCellText(ds, i, c, i - rows.first + 1).size();
    }
    benchmark::DoNotOptimize(chars);
  }
  state.SetItemsProcessed(state.iterations() * bench::FixturePoints * static_cast<std::int64_t>(columns.size()));
}
BENCHMARK(BM_TableFillEveryCell)->Name("Engine/TableFillEveryCell");

void BM_TableThresholdChangeAndRecount(benchmark::State& state) {
  TDataset ds = FullTable();
  bool high = false;
  for (auto _ : state) {
    high = !high;
    benchmark::DoNotOptimize(EditThreshold(ds, ThresholdEdit::MinVoltage, high ? "1.5" : "0.5"));
    benchmark::DoNotOptimize(ds.BadCount);
  }
}
BENCHMARK(BM_TableThresholdChangeAndRecount)->Name("Engine/TableThresholdChange");

}  // namespace
}  // namespace tarvo
