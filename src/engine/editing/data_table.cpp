#include "editing/data_table.h"

#include "core/numbers.h"

namespace tarvo {

namespace {
// Values in the table show one extra digit.
constexpr int TableDigits = 1;
}  // namespace

std::vector<DataColumn> DataColumns(const TDataset& ds) {
  std::vector<DataColumn> columns{DataColumn::N, DataColumn::PsZ, DataColumn::X, DataColumn::MN};
  if (ds.IsSequence()) {
    columns.push_back(DataColumn::KArr);
    return columns;
  }
  columns.push_back(DataColumn::AppRes);
  columns.push_back(DataColumn::Q);
  if (ds.HasVoltageAndCurrent()) {
    columns.push_back(DataColumn::V);
    columns.push_back(DataColumn::I);
  }
  if (ds.HasIP) columns.push_back(DataColumn::IP);
  if (ds.DataKind == DataKindTextWithVI) columns.push_back(DataColumn::Ndata);
  if (ds.HasSP) columns.push_back(DataColumn::SP);
  return columns;
}

std::string_view DataColumnHeader(DataColumn column) {
  switch (column) {
    case DataColumn::N: return "N";
    case DataColumn::PsZ: return "Ps.Z";
    case DataColumn::X: return "X";
    case DataColumn::MN: return "MN";
    case DataColumn::AppRes: return "App.Res.";
    case DataColumn::KArr: return "K arr.";
    case DataColumn::Q: return "q";
    case DataColumn::V: return "V";
    case DataColumn::I: return "I";
    case DataColumn::IP: return "IP";
    case DataColumn::Ndata: return "Ndata";
    case DataColumn::SP: return "SP";
  }
  return "";
}

std::string DataCellText(const TDataset& ds, int point, DataColumn column, int rowNumber) {
  const TDataPoint& p = ds.Points[point];
  switch (column) {
    case DataColumn::N: return std::to_string(rowNumber);
    case DataColumn::PsZ: return FormatValue(p.Spacing, TableDigits);
    case DataColumn::X: return FormatValue(p.X, TableDigits);
    case DataColumn::MN: return FormatValue(p.MN, TableDigits);
    case DataColumn::AppRes:
      if (!ds.IsSequence() && (p.Rho <= 1e-7f || p.Rho >= 1e8f)) return "-";
      return FormatValue(p.Rho, TableDigits);
    case DataColumn::KArr: return FormatValue(p.Rho, TableDigits);
    case DataColumn::Q:
      return ds.DataKind == DataKindTextWithVI ? FormatValue(p.Dev, TableDigits) : std::to_string(p.Q);
    case DataColumn::V: return FormatValue(p.V, TableDigits);
    case DataColumn::I: return FormatValue(p.I, TableDigits);
    case DataColumn::IP: return FormatValue(p.IP, TableDigits);
    case DataColumn::Ndata: return std::to_string(p.LineNo);
    case DataColumn::SP: return FormatValue(p.SP, TableDigits);
  }
  return "";
}

RowRange ShownRows(const TDataset& ds) {
  const int selected = ds.SelectedSetEntry + 1;
  if (ds.SetCount < 2 || selected < 1 || selected > ds.SetCount) return {1, ds.PointCount};
  return {ds.Sets[selected].First, ds.Sets[selected].Last};
}

}  // namespace tarvo
