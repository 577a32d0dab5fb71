#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli transform FILE... [reading options of info] --op OP [--op OP]...
//                     -o OUT [--set K] [--reciprocal]
int RunTransform(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
