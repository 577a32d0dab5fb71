#pragma once

#include <string>
#include <variant>
#include <vector>

// A table of cells as the clipboard tables and the workbook sheets hold it:
// the engine builds the cells, the clipboard writes them as tab-separated
// text and the workbook library as a sheet.
namespace tarvo {

// A number as a grid shows it: the clipboard copies the text, a sheet takes
// the number.
struct TShownNumber {
  double Value = 0;
  std::string Text;
  bool operator==(const TShownNumber&) const = default;
};

// An empty cell, a number (written as a number, never as text), a text, or
// a number with the text a grid shows for it.
using TCell = std::variant<std::monostate, double, std::string, TShownNumber>;

struct TCellTable {
  std::string Name;                      // the sheet's name
  std::vector<std::vector<TCell>> Rows;  // row by row; rows may differ in length
};

// The table as clipboard text: the cells of a row separated by one TAB, every
// row ended by CR LF. Numbers are written with FormatValue at `extraDigits`,
// texts as they are, empty cells as nothing. Nothing is cut: the text is as
// long as the table.
std::string CellTableText(const TCellTable& table, int extraDigits);

}  // namespace tarvo
