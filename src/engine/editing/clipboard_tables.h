#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/core/cell_table.h"
#include "engine/core/dataset.h"
#include "engine/display/value_grid.h"

// The tables the table window hands to a spreadsheet: the clipboard tables
// of its "Electrodes", "Spacings" and "INV results" tabs, and the sheets of
// the workbooks of an inversion model. Each is built as a cell table; the
// clipboard text is CellTableText of it. A command whose condition does not
// hold gives no table, and the clipboard stays as it was.
namespace tarvo {

// Numbers of the clipboard texts: five significant digits.
inline constexpr int ClipboardExtraDigits = 2;

// The clipboard text of a table (TAB between cells, CR LF after each row).
std::string ClipboardText(const TCellTable& table);

// "Electrodes": x and altitude of every electrode as the electrode grid
// shows them, no header.
TCellTable ElectrodeTableCells(const TDataset& ds);

// The middle of the electrode grid's selected rows first..last (1-based).
double SelectedLocation(const TDataset& ds, int firstRow, int lastRow);

// "Copy VES": the sounding of the value grid's station nearest to x0, a
// quoted station line, then spacing (and MN for Schlumberger and
// pole-dipole) and value of every level with a value above 0.
std::optional<TCellTable> VesCurveCells(const TDataset& ds, const ValueGrid& grid, const GridDescriptor& descriptor,
                                        double x0);

// The station of `Stations` nearest to x (the first of equals).
int NearestStation(const TDataset& ds, double x);

// "Model copy": the layered model under the station nearest to x0, middle
// depth against resistivity (one column per time set of a time-lapse line).
// Nothing without a model.
std::optional<TCellTable> StationModelCells(const TDataset& ds, double x0);

// "Spacings": with level k (1-based) selected, its item and array name, then
// X and Ro_app of its good points of the current array type; with no level
// selected (k 0) the level list. Nothing before data are loaded. Time-lapse
// lines give the item line only.
std::optional<TCellTable> LevelPointsCells(const TDataset& ds, int k);

// The items of the depth list: "top-bottom" per layer, "top-inf" for the last.
std::vector<std::string> DepthItems(const TInversionModel& model);

// "result for selected depth": the model of layer L (1-based) along the
// line, for the clipboard (the depth item, a header, x and resistivity)...
std::optional<TCellTable> LayerCells(const TDataset& ds, int layer);
// ...and as the workbook's sheet of that layer (numbers only, with the
// decimal logarithm of the resistivity when there are no time sets).
std::optional<TCellTable> LayerSheet(const TDataset& ds, int layer);

// "Copy difference": the change of layer L against the first time set, in
// percent, for the clipboard and as a sheet. Nothing without time sets.
std::optional<TCellTable> DifferenceCells(const TDataset& ds, int layer);
std::optional<TCellTable> DifferenceSheet(const TDataset& ds, int layer);

// "Copy mean model": per layer the middle depth, the geometric mean of the
// stations' resistivities, the mean divided and multiplied by the spread
// factor, and the spread above the mean. Nothing for a time-lapse line.
// `fileName` heads the table.
std::optional<TCellTable> MeanModelCells(const TDataset& ds, const std::string& fileName);

// The workbooks of the "INV results" tab: one sheet per layer, named by its
// depth item, in the depth list's order, then an empty sheet "Empty".
// Layers: LayerSheet; differences: DifferenceSheet (nothing without time sets).
std::vector<TCellTable> LayerWorkbook(const TDataset& ds);
std::optional<std::vector<TCellTable>> DifferenceWorkbook(const TDataset& ds);

// The workbook's file: the data file's name with its extension replaced by
// `suffix` ("_inv.xlsx", "_dif2.xlsx").
inline constexpr const char* LayerWorkbookSuffix = "_inv.xlsx";
inline constexpr const char* DifferenceWorkbookSuffix = "_dif2.xlsx";
std::string WorkbookFileName(const std::string& dataFile, const std::string& suffix);

}  // namespace tarvo
