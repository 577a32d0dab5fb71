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
//
// The commands that convert after a change of the data give it as hooks:
// `afterRead` runs between the read and the thresholds (tarvo-cli edit): it
// may change the dataset and the read's result; false ends the command as
// failed (the step has said why). `prepare` works on the data once the
// thresholds are applied, just before the target writes them (tarvo-cli
// filter); a nonzero status from it ends the command with that status.
using AfterReadStep = std::function<bool(TDataset&, OpenResult&, StderrMessenger&)>;
using ConvertPreparation = std::function<int(TDataset&)>;
struct ConvertHooks {
  AfterReadStep afterRead;
  ConvertPreparation prepare;
};
int RunConvert(const std::vector<std::string>& args, const std::string& programDir, const ConvertHooks& hooks = {});

}  // namespace tarvo::cli
