#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli filter FILE... --median [--ip] [filter options] --to TARGET -o OUT
//                  [reading and writing options of convert]
// Runs the median filter of the "Filtering" command on one set and writes
// the filtered data as convert does.
int RunFilter(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
