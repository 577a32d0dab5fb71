#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli edit FILE... EDIT... --to TARGET -o OUT [options of convert]
// EDIT: --delete-electrodes LIST | --broken-electrode ROW | --topography FILE
//       [--square] | --scale K | --mirror, applied in the order given, as the
// table window's electrode commands apply them.
int RunEdit(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
