#include <gtest/gtest.h>

#include "engine/core/dataset.h"

namespace tarvo {
namespace {

TEST(DataKind, NamedQuestions) {
  struct Case {
    float kind;
    bool sequence, measured, voltageAndCurrent;
  };
  const Case cases[] = {
      {DataKindNone, false, false, false},     {DataKindHeaderOnly, false, false, false},
      {DataKindSequence, true, false, false},  {DataKindInstrument, false, true, true},
      {DataKindTextWithVI, false, true, true}, {DataKindResistivityOnly, false, true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSequence(c.kind), c.sequence) << c.kind;
    EXPECT_EQ(HasMeasurements(c.kind), c.measured) << c.kind;
    EXPECT_EQ(HasVoltageAndCurrent(c.kind), c.voltageAndCurrent) << c.kind;
  }
}

TEST(AddSet, CopiesTheCurrentHeadersAndStopsAtCapacity) {
  TDataset ds;
  ds.FileHeader.SetOperatorText("field crew");
  ds.SeqHeader.QuadCount = 12;
  ASSERT_TRUE(AddSet(ds, 1, 12, 3));
  ds.SeqHeader.QuadCount = 8;
  ASSERT_TRUE(AddSet(ds, 13, 20, 6));
  EXPECT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.Sets[2], (TSetEntry{13, 20, 6}));
  EXPECT_EQ(ds.SetSeqHeaders[1].QuadCount, 12);
  EXPECT_EQ(ds.SetFileHeaders[2].OperatorText(), "field crew");

  while (ds.SetCount < MaxSets) ASSERT_TRUE(AddSet(ds, 21, 21, 1));
  EXPECT_FALSE(AddSet(ds, 21, 21, 1));
  EXPECT_EQ(ds.SetCount, MaxSets);
}

class SelectionObserver : public DatasetObserver {
public:
  std::vector<int> selected;
  void SetSelected(int set) override { selected.push_back(set); }
};

TEST(SelectSet, CopiesHeadersOnceAndClampsToTheLastSet) {
  TDataset ds;
  SelectionObserver observer;
  ds.Observers.push_back(&observer);
  for (int k = 1; k <= 3; ++k) {
    ds.SeqHeader.Area = static_cast<float>(k);
    AddSet(ds, k, k, static_cast<std::uint8_t>(k + 1));
  }
  SelectSet(ds, 2);
  EXPECT_EQ(ds.SeqHeader.Area, 2.0f);
  EXPECT_EQ(ds.ArrayType, 3);
  EXPECT_EQ(ds.SelectedSetEntry, 1);

  ds.SeqHeader.Area = 99;  // edited in the main window
  SelectSet(ds, 2);        // already current: nothing happens
  EXPECT_EQ(ds.SeqHeader.Area, 99.0f);

  SelectSet(ds, 9);
  EXPECT_EQ(ds.SelectedSetEntry, 2);
  EXPECT_EQ(ds.ArrayType, 4);
  SelectSet(ds, 0);  // no entry selected
  EXPECT_EQ(observer.selected, (std::vector<int>{2, 3}));
}

TEST(ClearDataset, ReleasesTablesButKeepsTheMergedTable) {
  TDataset ds;
  ds.DataKind = DataKindInstrument;
  ds.Points.Resize(5);
  ds.PointCount = 5;
  ds.Quads.Resize(5);
  ds.SyscalRaw.Resize(5);
  ds.SeqHeader.QuadCount = 5;
  AddSet(ds, 1, 5, 3);
  ds.SeqHeader.QuadCount = 77;  // edited since; the set's copy comes back

  ClearDataset(ds);
  EXPECT_FALSE(ds.HasQuads());
  EXPECT_TRUE(ds.Points.Empty());
  EXPECT_EQ(ds.PointCount, 0);
  EXPECT_TRUE(ds.SyscalRaw.Empty());
  EXPECT_EQ(ds.SeqHeader.QuadCount, 5);
  EXPECT_EQ(ds.SetSeqHeaders[1].QuadCount, 0);

  TDataset merged;
  merged.DataKind = DataKindResistivityOnly;
  merged.Points.Resize(3);
  merged.PointCount = 3;
  merged.PointsMerged = true;
  ClearDataset(merged);
  EXPECT_EQ(merged.Points.Size(), 3);
  EXPECT_EQ(merged.PointCount, 3);

  TDataset nothing;
  nothing.Points.Resize(2);
  ClearDataset(nothing);  // nothing loaded: untouched
  EXPECT_EQ(nothing.Points.Size(), 2);
}

}  // namespace
}  // namespace tarvo
