#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/core/dataset.h"

// Analysis of a sequence for the multichannel Syscal-Pro: the quadripoles
// grouped by current injection (pair of current electrodes), each injection
// listed once with every potential dipole measured with it.
namespace tarvo {

// The number of quadripoles of the last sequence: the quadripole count of the
// last set's sequence header plus those of the sets before it that belong to
// the same sequence.
int OptimiserQuadCount(const TDataset& ds);

struct InjectionReport {
  int quadCount = 0;       // quadripoles analysed
  int injectionCount = 0;  // distinct injections among them
  std::vector<std::string> lines;  // "nA  nB  nM   nN", then "A a B b m-n m-n ..." per injection
  std::string countsText;          // "The number of quadripoles - n The number of injection - k"
};

// Groups the first OptimiserQuadCount quadripoles (no more than the sequence
// holds) by injection. Works on a copy in which A and B are exchanged where B
// is the smaller, sorted by A then B so that the dipoles of one injection
// keep their sequence order; the dataset is not changed. `progress` receives
// (maximum, position) as the sort advances: maximum n - 1, position i - 1
// while quadripole i is placed.
InjectionReport AnalyseInjections(const TDataset& ds, const std::function<void(int, int)>& progress = {});

}  // namespace tarvo
