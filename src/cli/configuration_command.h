#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli configuration FILE... -o OUT.png|OUT.svg [--size WxH] [--ip] [--no-map]
//                        [--no-points] [--set K] [--shift M] [--max-q N] [--colors N]
//                        [--interpolation 1|2|3] [reading options of info]
// The picture of the array configuration window, byte for byte as the
// window saves it at that size.
int RunConfiguration(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
