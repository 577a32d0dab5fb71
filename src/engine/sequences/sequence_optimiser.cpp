#include "engine/sequences/sequence_optimiser.h"

#include <algorithm>
#include <utility>

#include "engine/core/capacities.h"

namespace tarvo {

namespace {

constexpr const char* ListHeader = "nA  nB  nM   nN";

bool InjectionBefore(const TQuadripole& a, const TQuadripole& b) {
  return a.A < b.A || (a.A == b.A && a.B < b.B);
}

std::string Dipole(const TQuadripole& q) { return " " + std::to_string(q.M) + "-" + std::to_string(q.N); }

std::string InjectionLine(const TQuadripole& q) {
  return "A " + std::to_string(q.A) + " B " + std::to_string(q.B) + Dipole(q);
}

}  // namespace

int OptimiserQuadCount(const TDataset& ds) {
  if (ds.SetCount < 1 || ds.SetCount > MaxSets) return 0;
  const int sequenceSets = std::clamp(ds.SequenceSetCount, 1, ds.SetCount);
  int n = 0;
  for (int k = ds.SetCount - sequenceSets + 1; k <= ds.SetCount; ++k) {
    n += std::max(0, static_cast<int>(ds.SetSeqHeaders[k].QuadCount));
  }
  return n;
}

InjectionReport AnalyseInjections(const TDataset& ds, const std::function<void(int, int)>& progress) {
  InjectionReport report;
  const int n = std::min({OptimiserQuadCount(ds), ds.Quads.Size(), MaxPoints});
  report.quadCount = n;

  std::vector<TQuadripole> list(ds.Quads.Storage().begin(), ds.Quads.Storage().begin() + n);
  for (TQuadripole& q : list) {
    if (q.B < q.A) std::swap(q.A, q.B);
  }

  // Stable insertion sort: each record moves down past every earlier record
  // that is greater, so the dipoles of one injection keep their order.
  if (progress && n > 0) progress(n - 1, 0);
  for (int i = 1; i < n; ++i) {
    if (progress) progress(n - 1, i);
    const TQuadripole record = list[static_cast<std::size_t>(i)];
    int j = i;
    while (j > 0 && InjectionBefore(record, list[static_cast<std::size_t>(j - 1)])) {
      list[static_cast<std::size_t>(j)] = list[static_cast<std::size_t>(j - 1)];
      --j;
    }
    list[static_cast<std::size_t>(j)] = record;
  }

  report.lines.emplace_back(ListHeader);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const TQuadripole& q = list[i];
    if (i == 0 || q.A != list[i - 1].A || q.B != list[i - 1].B) {
      report.lines.push_back(InjectionLine(q));
      ++report.injectionCount;
    } else {
      report.lines.back() += Dipole(q);
    }
  }
  report.countsText = "The number of quadripoles - " + std::to_string(n) + " The number of injection - " +
                      std::to_string(report.injectionCount);
  return report;
}

}  // namespace tarvo
