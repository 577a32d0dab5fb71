#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli plot FILE... -o OUT.png|OUT.svg [--ip] [--size WxH] [--levels FILE.lvl]
//                        [--colors N] [reading options of info]
int RunPlot(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
