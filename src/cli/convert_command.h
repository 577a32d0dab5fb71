#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli convert FILE... --to TARGET -o OUT [reading options of info]
//                   [--max-q N] [--min-v V] [--min-i I] [--min-ip M] [--max-ip M]
//                   [--no-model-refinement] [--topo-key 1|2] [--ip-unit TEXT]
//                   [--without-ip] [--shift M]
int RunConvert(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
