#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/cli_io.h"
#include "engine/core/dataset.h"
#include "engine/import/open_command.h"

namespace tarvo::cli {

// tarvo-cli convert FILE... --to TARGET -o OUT [reading options of info]
//                   [--max-q N] [--min-v V] [--min-i I] [--min-ip M] [--max-ip M]
//                   [--no-model-refinement] [--topo-key 1|2] [--ip-unit TEXT]
//                   [--without-ip] [--shift M]
int RunConvert(const std::vector<std::string>& args, const std::string& programDir);

// The same, with a step between the read and the export (tarvo-cli edit):
// it may change the dataset and the read's result; false ends the command
// as failed (the step has said why).
using AfterReadStep = std::function<bool(TDataset&, OpenResult&, StderrMessenger&)>;
int RunConvert(const std::vector<std::string>& args, const std::string& programDir, const AfterReadStep& afterRead);

}  // namespace tarvo::cli
