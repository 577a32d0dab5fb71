#pragma once

#include <string>
#include <variant>
#include <vector>

// A table of cells as the clipboard tables and the workbook sheets hold it:
// the engine builds the cells, the clipboard writes them as tab-separated
// text and the workbook library as a sheet.
namespace tarvo {

// An empty cell, a number (written as a number, never as text) or a text.
using TCell = std::variant<std::monostate, double, std::string>;

struct TCellTable {
  std::string Name;                      // the sheet's name
  std::vector<std::vector<TCell>> Rows;  // row by row; rows may differ in length
};

}  // namespace tarvo
