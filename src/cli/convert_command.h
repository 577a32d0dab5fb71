#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarvo {
struct TDataset;
}

namespace tarvo::cli {

// tarvo-cli convert FILE... --to TARGET -o OUT [reading options of info]
//                   [--max-q N] [--min-v V] [--min-i I] [--min-ip M] [--max-ip M]
//                   [--no-model-refinement] [--topo-key 1|2] [--ip-unit TEXT]
//                   [--without-ip] [--shift M]
//
// `prepare`, when given, works on the data once they are read and the
// thresholds applied, just before the target writes them (tarvo-cli filter);
// a nonzero status from it ends the command with that status.
using ConvertPreparation = std::function<int(TDataset&)>;
int RunConvert(const std::vector<std::string>& args, const std::string& programDir,
               const ConvertPreparation& prepare = {});

}  // namespace tarvo::cli
