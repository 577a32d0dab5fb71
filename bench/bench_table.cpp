// The table window's engine work at full capacity: every cell text of the
// data grid for 500 points, and a threshold change with the recount it runs.
#include <benchmark/benchmark.h>

#include <string>

#include "core/bad_points.h"
#include "core/dataset.h"
#include "editing/data_table.h"

namespace tarvo {
namespace {

TDataset FullTable() {
  TDataset ds;
  ds.DataKind = DataKindTextWithVI;
  ds.HasIP = true;
  ds.HasSP = true;
  ds.Points.Resize(MaxPoints);
  ds.PointCount = MaxPoints;
  for (int i = 1; i <= MaxPoints; ++i) {
    TDataPoint& p = ds.Points[i];
    p.Rho = 10.0f + static_cast<float>(i) * 1.37f;
    p.X = static_cast<float>(i % 60) * 2.0f;
    p.Spacing = static_cast<float>(1 + i % 8) * 0.75f;
    p.MN = 2;
    p.Q = static_cast<std::uint8_t>(i % 4);
    p.Dev = static_cast<float>(i % 7) * 0.3f;
    p.V = 0.01f * static_cast<float>(i);
    p.I = 100.0f + static_cast<float>(i);
    p.IP = static_cast<float>(i % 50) - 5.0f;
    p.SP = -3.25f;
    p.LineNo = i + 1;
  }
  return ds;
}

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
  state.SetItemsProcessed(state.iterations() * MaxPoints * static_cast<std::int64_t>(columns.size()));
}
BENCHMARK(BM_TableFillEveryCell);

void BM_TableThresholdChangeAndRecount(benchmark::State& state) {
  TDataset ds = FullTable();
  bool high = false;
  for (auto _ : state) {
    high = !high;
    benchmark::DoNotOptimize(EditThreshold(ds, ThresholdEdit::MinVoltage, high ? "1.5" : "0.5"));
    benchmark::DoNotOptimize(ds.BadCount);
  }
}
BENCHMARK(BM_TableThresholdChangeAndRecount);

}  // namespace
}  // namespace tarvo
