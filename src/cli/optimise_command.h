#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli optimise SEQ --channels N [--rest R] [--no-dummies] [--no-sort]
//                    -o OUT.seq|OUT.txt [--json] [--readings]
int RunOptimise(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
