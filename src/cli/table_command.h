#pragma once

#include <string>
#include <vector>

namespace tarvo::cli {

// tarvo-cli table FILE... [reading options of info]
//                 --electrodes | --spacings [--level K] | --ves X | --station X
//                 | --model [--layer L] [--difference | --mean]
//                 -o OUT.tsv|OUT.xlsx|-
// Writes the tables that the table window's clipboard and workbook commands
// give: tab-separated text (CR LF), or a workbook with one sheet per table.
int RunTable(const std::vector<std::string>& args, const std::string& programDir);

}  // namespace tarvo::cli
