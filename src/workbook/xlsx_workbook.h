#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/core/cell_table.h"

// Spreadsheet workbooks (.xlsx): one sheet per cell table, numbers as
// numbers. The bytes depend on the tables only (the document's creation time
// is fixed), so the window and tarvo-cli write the same file.
namespace tarvo {

// Called after each sheet with the sheets done and the sheet count.
using WorkbookProgress = std::function<void(int done, int total)>;

// Writes the workbook to `path` as a whole: into a temporary file first,
// then over the target, so a failure never leaves a partial workbook.
// Returns an empty text on success, otherwise what went wrong.
std::string WriteXlsxWorkbook(const std::string& path, const std::vector<TCellTable>& sheets,
                              const WorkbookProgress& progress = {});

// A sheet name the spreadsheet accepts: at most 31 characters, none of
// []:*?/\, not empty.
std::string ValidSheetName(const std::string& name);

}  // namespace tarvo
