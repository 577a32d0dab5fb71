#include "engine/core/cell_table.h"

#include "engine/core/numbers.h"

namespace tarvo {

std::string CellTableText(const TCellTable& table, int extraDigits) {
  std::string text;
  for (const auto& row : table.Rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) text += '\t';
      const TCell& cell = row[c];
      if (const double* x = std::get_if<double>(&cell)) {
        text += FormatValue(*x, extraDigits);
      } else if (const std::string* s = std::get_if<std::string>(&cell)) {
        text += *s;
      } else if (const TShownNumber* shown = std::get_if<TShownNumber>(&cell)) {
        text += shown->Text;
      }
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace tarvo
