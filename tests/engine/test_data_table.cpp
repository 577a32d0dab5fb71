#include <gtest/gtest.h>

#include "engine/core/bad_points.h"
#include "engine/editing/data_table.h"
#include "engine/editing/electrode_altitudes.h"
#include "engine/export/res2dinv_writer.h"

namespace tarvo {
namespace {

class CountingObserver : public DatasetObserver {
public:
  int recounts = 0;
  void BadCountChanged() override { ++recounts; }
};

TDataset Measured(float kind, int count) {
  TDataset ds;
  ds.DataKind = kind;
  ds.Points.Resize(count);
  ds.PointCount = count;
  for (int i = 1; i <= count; ++i) {
    TDataPoint& p = ds.Points[i];
    p.Rho = 100.0f + static_cast<float>(i);
    p.X = static_cast<float>(i);
    p.Spacing = 1.5f;
    p.MN = 1;
    p.V = 50;
    p.I = 100;
    p.Q = 0;
    p.Dev = 2.5f;
    p.LineNo = 10 + i;
  }
  return ds;
}

using C = DataColumn;

TEST(DataTable, ColumnsFollowTheKindOfData) {
  struct Case {
    float kind;
    bool ip, sp;
    std::vector<DataColumn> expected;
  };
  const std::vector<Case> cases = {
      {DataKindSequence, true, true, {C::N, C::PsZ, C::X, C::MN, C::KArr}},
      {DataKindInstrument, true, false, {C::N, C::PsZ, C::X, C::MN, C::AppRes, C::Q, C::V, C::I, C::IP}},
      {DataKindTextWithVI, true, true, {C::N, C::PsZ, C::X, C::MN, C::AppRes, C::Q, C::V, C::I, C::IP, C::Ndata, C::SP}},
      {DataKindResistivityOnly, false, true, {C::N, C::PsZ, C::X, C::MN, C::AppRes, C::Q, C::SP}},
  };
  for (const Case& c : cases) {
    TDataset ds;
    ds.DataKind = c.kind;
    ds.HasIP = c.ip;
    ds.HasSP = c.sp;
    EXPECT_EQ(DataColumns(ds), c.expected) << c.kind;
  }
}

TEST(DataTable, CellTexts) {
  TDataset ds = Measured(DataKindTextWithVI, 3);
  ds.Points[1].Rho = 0;
  ds.Points[2].Rho = 1e8f;
  ds.Points[3].Rho = 123.456f;
  ds.Points[3].Q = 7;
  EXPECT_EQ(DataCellText(ds, 1, C::AppRes, 1), "-");
  EXPECT_EQ(DataCellText(ds, 2, C::AppRes, 2), "-");
  EXPECT_EQ(DataCellText(ds, 3, C::AppRes, 3), "123.5");
  EXPECT_EQ(DataCellText(ds, 3, C::N, 1), "1");        // the row, not the point
  EXPECT_EQ(DataCellText(ds, 3, C::Q, 3), "2.5");      // text data show the deviation
  EXPECT_EQ(DataCellText(ds, 3, C::Ndata, 3), "13");
  ds.DataKind = DataKindInstrument;
  EXPECT_EQ(DataCellText(ds, 3, C::Q, 3), "7");
  ds.DataKind = DataKindSequence;
  EXPECT_EQ(DataCellText(ds, 1, C::KArr, 1), "0");     // K is shown whatever its value
}

TEST(DataTable, TypedCellsChangeOnlyWhatTheColumnTakes) {
  struct Case {
    DataColumn column;
    const char* text;
    CellEdit outcome;
    float rho;
    int q;
    float ip;
  };
  const std::vector<Case> cases = {
      {C::AppRes, "abc", CellEdit::Ignored, 101, 0, 4},
      {C::AppRes, "-5", CellEdit::Ignored, 101, 0, 4},
      {C::AppRes, "0", CellEdit::Ignored, 101, 0, 4},
      {C::AppRes, " 12.5", CellEdit::Taken, 12.5f, 0, 4},
      {C::Q, "300", CellEdit::Taken, 101, 44, 4},
      {C::Q, "-3", CellEdit::Taken, 101, 253, 4},
      {C::Q, "2.5", CellEdit::Ignored, 101, 0, 4},
      {C::IP, "-7.5", CellEdit::Taken, 101, 0, -7.5f},
      {C::IP, "x", CellEdit::Ignored, 101, 0, 4},
      {C::X, "99", CellEdit::Undone, 101, 0, 4},
      {C::V, "1", CellEdit::Undone, 101, 0, 4},
  };
  for (const Case& c : cases) {
    TDataset ds = Measured(DataKindInstrument, 1);
    ds.HasIP = true;
    ds.Points[1].IP = 4;
    EXPECT_EQ(EditDataCell(ds, 1, c.column, c.text), c.outcome) << c.text;
    EXPECT_FLOAT_EQ(ds.Points[1].Rho, c.rho) << c.text;
    EXPECT_EQ(ds.Points[1].Q, c.q) << c.text;
    EXPECT_FLOAT_EQ(ds.Points[1].IP, c.ip) << c.text;
    EXPECT_FLOAT_EQ(ds.Points[1].X, 1) << c.text;
  }
  TDataset sequence = Measured(DataKindSequence, 1);
  EXPECT_EQ(EditDataCell(sequence, 1, C::KArr, "5"), CellEdit::Undone);
  EXPECT_FLOAT_EQ(sequence.Points[1].Rho, 101);
  EXPECT_EQ(EditDataCell(sequence, 2, C::AppRes, "5"), CellEdit::Undone);  // beyond the points
}

TEST(DataTable, RowsOfTheSelectedSet) {
  TDataset ds = Measured(DataKindResistivityOnly, 10);
  ASSERT_TRUE(AddSet(ds, 1, 4, 3));
  ASSERT_TRUE(AddSet(ds, 5, 10, 6));
  ds.SetCount = 2;
  for (const auto& [entry, first, last] : {std::tuple{-1, 1, 10}, {0, 1, 4}, {1, 5, 10}, {2, 1, 10}}) {
    ds.SelectedSetEntry = entry;
    const RowRange r = ShownRows(ds);
    EXPECT_EQ(r.first, first) << entry;
    EXPECT_EQ(r.last, last) << entry;
  }
}

TEST(Thresholds, ErrorLimitStep) {
  for (const auto& [value, step] : {std::pair{0, 1}, {5, 1}, {6, 2}, {9, 2}, {10, 5}, {19, 5}, {20, 10}, {99, 10}}) {
    EXPECT_EQ(ErrorLimitStep(value), step) << value;
  }
}

TEST(Thresholds, ErrorLimitDecidesAndRecounts) {
  TDataset ds = Measured(DataKindInstrument, 3);
  ds.Points[1].Q = 0;
  ds.Points[2].Q = 1;
  ds.Points[3].Q = 4;
  ToggleDeletedMark(ds.Points[3]);
  CountingObserver counter;
  ds.Observers.push_back(&counter);

  EXPECT_TRUE(EditErrorLimit(ds, "0"));
  EXPECT_EQ(ds.BadCount, 2);
  EXPECT_TRUE(EditErrorLimit(ds, "99"));
  EXPECT_EQ(ds.BadCount, 1);  // the marked point stays bad
  for (const char* text : {"abc", "100", "-1", ""}) EXPECT_FALSE(EditErrorLimit(ds, text)) << text;
  EXPECT_EQ(ds.Thresholds.ErrorLimit, 99);
  EXPECT_EQ(counter.recounts, 2);

  TDataset header = Measured(DataKindHeaderOnly, 2);
  header.Points[1].Q = 50;
  header.BadCount = 7;
  EXPECT_TRUE(EditErrorLimit(header, "0"));
  EXPECT_FALSE(IsBad(header, 1));
  EXPECT_EQ(header.BadCount, 7);  // not recounted without data
}

TEST(Thresholds, RealThresholdsTakeOnlyNewNumbers) {
  TDataset ds = Measured(DataKindInstrument, 2);
  ds.HasIP = true;
  ds.Points[1].V = 0.5f;
  ds.Points[2].IP = 30;
  CountingObserver counter;
  ds.Observers.push_back(&counter);

  EXPECT_FALSE(EditThreshold(ds, ThresholdEdit::MinVoltage, "0"));  // unchanged
  EXPECT_FALSE(EditThreshold(ds, ThresholdEdit::MinVoltage, "1,5"));
  EXPECT_EQ(counter.recounts, 0);
  EXPECT_TRUE(EditThreshold(ds, ThresholdEdit::MinVoltage, "1"));
  EXPECT_EQ(ds.BadCount, 1);
  EXPECT_TRUE(EditThreshold(ds, ThresholdEdit::MaxIP, "20"));
  EXPECT_EQ(ds.BadCount, 2);
  EXPECT_EQ(ThresholdText(ds, ThresholdEdit::MaxIP), "20");
  EXPECT_EQ(ThresholdText(ds, ThresholdEdit::MinIP), "-100");
  EXPECT_EQ(counter.recounts, 2);
}

TDataset ThreeElectrodes() {
  TDataset ds = Measured(DataKindInstrument, 1);
  ds.ElectrodePosCount = 3;
  for (int e = 1; e <= 3; ++e) {
    ds.ElectrodePos[e] = static_cast<float>(e - 1) * 5.0f;
    ds.ElectrodePosNumber[e] = 15 + e;
    ds.ElectrodePosZ[e] = 2.5f;
  }
  return ds;
}

TEST(ElectrodeTable, Texts) {
  TDataset ds = ThreeElectrodes();
  ds.XShift = 0.125f;
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::N), "2");
  ds.ElectrodeNumbersAvailable = true;
  EXPECT_EQ(ElectrodeCellText(ds, 1, ElectrodeColumn::N), " 1 - 16");
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::N), " 2 - 17");
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::N, 8), " 3 - 17");
  ds.DataKind = DataKindResistivityOnly;
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::N), "2");
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::X), "5.125");
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::Alt), "2.5");
  ds.ElectrodeXZ[1] = {0, 10};
  ds.ElectrodeXZ[2] = {10, 11};
  ds.ElectrodeXZCount = 2;
  EXPECT_EQ(ElectrodeCellText(ds, 2, ElectrodeColumn::Alt), "10.5");
}

TEST(ElectrodeTable, TypedAltitudeIsTheWorkingAltitude) {
  TDataset ds = ThreeElectrodes();
  ds.ElectrodeXZ[1] = {0, 10};
  ds.ElectrodeXZ[2] = {10, 20};
  ds.ElectrodeXZCount = 2;
  EXPECT_EQ(EditElectrodeCell(ds, 2, ElectrodeColumn::Alt, "abc"), CellEdit::Undone);
  EXPECT_EQ(EditElectrodeCell(ds, 2, ElectrodeColumn::X, "7"), CellEdit::Undone);
  EXPECT_EQ(EditElectrodeCell(ds, 4, ElectrodeColumn::Alt, "7"), CellEdit::Undone);
  EXPECT_EQ(ElectrodeAltitudeText(ds, 2), "15");
  EXPECT_EQ(EditElectrodeCell(ds, 2, ElectrodeColumn::Alt, " 40.25 "), CellEdit::Taken);
  EXPECT_EQ(ElectrodeAltitudeText(ds, 2), "40.25");
  EXPECT_EQ(ElectrodeAltitudeText(ds, 3), "20");  // the neighbours keep theirs
  EXPECT_FLOAT_EQ(ds.ElectrodePos[2], 5);
  const auto relief = ReliefProfile(ds);
  ASSERT_EQ(relief.size(), 3u);
  EXPECT_DOUBLE_EQ(relief[1].x, 5);
  EXPECT_DOUBLE_EQ(relief[1].z, 40.25);

  TDataset other = ThreeElectrodes();
  EXPECT_EQ(ElectrodeAltitudeText(other, 2), "2.5");  // typed altitudes belong to their dataset

  ResetWorkingAltitudes(ds);
  EXPECT_EQ(ElectrodeAltitudeText(ds, 2), "15");
}

TEST(SpacingsList, CheckingALevelTogglesItsPoints) {
  TDataset ds = Measured(DataKindInstrument, 4);
  ds.LevelCount = 2;
  ds.LevelSpacing[1] = 1;
  ds.LevelMN[1] = 0.5f;
  const int levels[] = {1, 1, 1, 2};
  for (int i = 1; i <= 4; ++i) ds.Points[i].Level = levels[i - 1];
  ds.Points[2].Q = 5;   // bad by the error limit only
  ds.Points[3].Q = 2;
  ToggleDeletedMark(ds.Points[3]);  // marked: 255
  EXPECT_EQ(SpacingItemText(ds, 1), "1-0.5");

  SetLevelChecked(ds, 1, false);
  EXPECT_EQ(ds.Points[1].Q, 253);  // good point marked
  EXPECT_EQ(ds.Points[2].Q, 5);
  EXPECT_EQ(ds.Points[3].Q, 255);
  EXPECT_EQ(ds.Points[4].Q, 0);    // other level untouched
  EXPECT_EQ(ds.BadCount, 3);

  SetLevelChecked(ds, 1, true);
  EXPECT_EQ(ds.Points[1].Q, 0);
  EXPECT_EQ(ds.Points[2].Q, 248);  // now marked, still bad
  EXPECT_EQ(ds.Points[3].Q, 2);
  EXPECT_EQ(ds.BadCount, 2);
}

}  // namespace
}  // namespace tarvo
