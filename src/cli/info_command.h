#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli info FILE... [--type TYPE] [--append FILE...] [--read-only]
//                        [--sequence FILE] [--missing abort|ignore] [--points] [--json]
int RunInfo(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
