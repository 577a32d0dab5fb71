#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/dataset.h"

// The columns and cell texts of the data table: one row per data point.
namespace tarvo {

enum class DataColumn { N, PsZ, X, MN, AppRes, KArr, Q, V, I, IP, Ndata, SP };

// The columns the dataset has, in order.
std::vector<DataColumn> DataColumns(const TDataset& ds);

std::string_view DataColumnHeader(DataColumn column);

// Text of point `point` in `column`; rowNumber is the 1-based row within the
// rows shown.
std::string DataCellText(const TDataset& ds, int point, DataColumn column, int rowNumber);

// Points shown: the selected set's range, or every point.
struct RowRange {
  int first = 1;
  int last = 0;
};
RowRange ShownRows(const TDataset& ds);

}  // namespace tarvo
