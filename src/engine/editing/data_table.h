#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/core/dataset.h"

// The data table of the table window: its columns and cell texts (one row per
// data point), the edits typed into its cells, the acceptance thresholds it
// sets, the electrode table beside it and the list of spacings.
namespace tarvo {

// RecErr and Partner: the reciprocal error of the reading's pair and the row
// number of its partner, shown when the data hold normal/reciprocal pairs.
// DecayMisfit: how far the point's IP windows depart from a smooth decay
// (engine/core/ip_decay.h), shown when the data carry three windows or more.
enum class DataColumn { N, PsZ, X, MN, AppRes, KArr, Q, V, I, IP, Ndata, SP, DecayMisfit, RecErr, Partner };

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

// What a text typed into a data cell did.
enum class CellEdit {
  Taken,     // the value changed; the row shows it
  Ignored,   // the text is not a value the cell takes; the dataset is unchanged and the typed text stays
  Undone,    // the column cannot be changed; the row is written again from the dataset
};

// A text typed into `column` of point `point`: "App.Res." takes a real above
// 0, "q" the low eight bits of an integer, "IP" a real; every other column is
// undone. Only memory changes: nothing is recounted.
CellEdit EditDataCell(TDataset& ds, int point, DataColumn column, std::string_view text);

// Step of the "Max. q (%)" spin box at `value`: 1, 2 above 5, 5 above 9,
// 10 from 20.
int ErrorLimitStep(int value);

// "Max. q (%)" typed as text: an integer 0..99 becomes the error limit and
// the bad points are recounted. Other text changes nothing. Returns true
// when the limit was taken.
bool EditErrorLimit(TDataset& ds, std::string_view text);

// "Min. dU ", "Min. I ", "Min. IP ", "Max. IP ", "Max reciprocal error, %", "Max decay misfit"
enum class ThresholdEdit { MinVoltage, MinCurrent, MinIP, MaxIP, MaxReciprocalError, MaxDecayMisfit };

// One of the real thresholds typed as text: a number that differs from the
// value held is stored and the bad points are recounted. Unparsable or
// unchanged text does nothing. Returns true when the value was taken.
bool EditThreshold(TDataset& ds, ThresholdEdit field, std::string_view text);

// The value of a threshold as its edit shows it.
std::string ThresholdText(const TDataset& ds, ThresholdEdit field);

// The electrode table: one row per electrode position.
enum class ElectrodeColumn { N, X, Alt };

std::string_view ElectrodeColumnHeader(ElectrodeColumn column);  // "  N", "  X", " Alt"

// Multinode segment lengths of a multi-electrode cable.
inline constexpr int DefaultSegmentLength = 16;

// Text of electrode position e. "  N": " m - c" (multinode m of cable number
// c) when the electrode numbers are known and the data are not apparent
// resistivities only, else e; "  X": the position plus the X shift; " Alt":
// the working altitude (see engine/core/electrode_altitude.h).
std::string ElectrodeCellText(const TDataset& ds, int e, ElectrodeColumn column,
                              int segmentLength = DefaultSegmentLength);

// A text typed into the electrode table: " Alt" takes a number as the
// electrode's working altitude; "  N" and "  X" are undone, as is text that
// is not a number.
CellEdit EditElectrodeCell(TDataset& ds, int e, ElectrodeColumn column, std::string_view text);

// The relief chart: one point per electrode position, at the position plus
// the X shift, with its working altitude.
struct ReliefPoint {
  double x = 0;
  double z = 0;
};
std::vector<ReliefPoint> ReliefProfile(const TDataset& ds);

// Item of level k in the spacings list: "<spacing>-<MN>".
std::string SpacingItemText(const TDataset& ds, int level);

// Unchecking level k in the spacings list marks its good points deleted,
// checking it again toggles its bad points; then the bad points are recounted.
void SetLevelChecked(TDataset& ds, int level, bool checked);

}  // namespace tarvo
