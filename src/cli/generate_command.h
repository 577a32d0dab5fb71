#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli generate [--electrodes N] [--array ARRAY] [--step 1|2]
//                    [--item AM/MN]... -o FILE.seq
int RunGenerate(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
