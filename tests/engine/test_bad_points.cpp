#include <gtest/gtest.h>

#include "engine/core/bad_points.h"

namespace tarvo {
namespace {

class CountingObserver : public DatasetObserver {
public:
  int badCountChanges = 0;
  std::vector<int> changedPoints;
  void BadCountChanged() override { ++badCountChanges; }
  void PointChanged(int point) override { changedPoints.push_back(point); }
};

TDataset MeasuredDataset(float kind, int count) {
  TDataset ds;
  ds.DataKind = kind;
  ds.Points.Resize(count);
  ds.PointCount = count;
  for (int i = 1; i <= count; ++i) {
    TDataPoint& p = ds.Points[i];
    p.Q = 0;
    p.Rho = 100;
    p.V = 50;
    p.I = 100;
    p.IP = 5;
  }
  return ds;
}

TEST(DeletedMark, TogglingTwiceRestoresQExactly) {
  for (const auto& [q, marked] : {std::pair{255, 2}, {254, 3}, {7, 250}, {0, 253}, {100, 153}}) {
    TDataPoint p;
    p.Q = static_cast<std::uint8_t>(q);
    ToggleDeletedMark(p);
    EXPECT_EQ(p.Q, marked);
    ToggleDeletedMark(p);
    EXPECT_EQ(p.Q, q);
  }
}

TEST(IsBad, RulesInOrder) {
  struct Case {
    const char* name;
    float kind;
    bool hasIP;
    void (*edit)(TDataPoint&, AcceptanceThresholds&);
    bool bad;
  };
  const Case cases[] = {
      {"nothing loaded is never bad", DataKindNone, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Q = 200; }, false},
      {"planned sequence point", DataKindSequence, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Q = 255; }, false},
      {"repeated sequence point", DataKindSequence, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Q = 254; }, false},
      {"marked sequence point", DataKindSequence, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Q = 2; }, true},
      {"sequence K is not tested", DataKindSequence, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Q = 255; p.Rho = 0; }, false},
      {"good measured point", DataKindInstrument, false, [](TDataPoint&, AcceptanceThresholds&) {}, false},
      {"error above limit", DataKindInstrument, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Q = 2; }, true},
      {"rejected stays bad at limit 99", DataKindResistivityOnly, false, [](TDataPoint& p, AcceptanceThresholds& t) { p.Q = 100; t.ErrorLimit = 99; }, true},
      {"marked measured point at limit 99", DataKindResistivityOnly, false, [](TDataPoint& p, AcceptanceThresholds& t) { p.Q = 153; t.ErrorLimit = 99; }, true},
      {"zero resistivity", DataKindResistivityOnly, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Rho = 0; }, true},
      // The stored value of a typed 1e-8 (9.99999994e-9) is below 1e-8.
      {"resistivity of 1e-8", DataKindResistivityOnly, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Rho = 1e-8f; }, true},
      {"resistivity just above 1e-8", DataKindResistivityOnly, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Rho = 1.00001e-8f; }, false},
      {"negative resistivity", DataKindTextWithVI, false, [](TDataPoint& p, AcceptanceThresholds&) { p.Rho = -5; }, true},
      {"low voltage, instrument", DataKindInstrument, false, [](TDataPoint& p, AcceptanceThresholds& t) { p.V = -0.5f; t.MinVoltage = 1; }, true},
      {"low current, text with V and I", DataKindTextWithVI, false, [](TDataPoint& p, AcceptanceThresholds& t) { p.I = 0.5f; t.MinCurrent = 1; }, true},
      {"voltage ignored without V and I", DataKindResistivityOnly, false, [](TDataPoint& p, AcceptanceThresholds& t) { p.V = 0; t.MinVoltage = 1; t.MinCurrent = 1; }, false},
      {"IP below minimum", DataKindResistivityOnly, true, [](TDataPoint& p, AcceptanceThresholds&) { p.IP = -101; }, true},
      {"IP above maximum", DataKindInstrument, true, [](TDataPoint&, AcceptanceThresholds& t) { t.MaxIP = 4; }, true},
      {"IP bounds need IP", DataKindInstrument, false, [](TDataPoint& p, AcceptanceThresholds&) { p.IP = 1000; }, false},
  };
  for (const auto& c : cases) {
    TDataset ds = MeasuredDataset(c.kind, 1);
    ds.HasIP = c.hasIP;
    c.edit(ds.Points[1], ds.Thresholds);
    EXPECT_EQ(IsBad(ds, 1), c.bad) << c.name;
  }
}

TEST(CountBadPoints, CountsAndNotifies) {
  TDataset ds = MeasuredDataset(DataKindInstrument, 4);
  CountingObserver observer;
  ds.Observers.push_back(&observer);
  ds.Points[2].Q = 50;
  ToggleDeletedMark(ds.Points[4]);
  CountBadPoints(ds);
  EXPECT_EQ(ds.BadCount, 2);
  EXPECT_EQ(observer.badCountChanges, 1);

  // Thresholds are engine state; a change and a recount is all a view needs.
  ds.Thresholds.ErrorLimit = 60;
  CountBadPoints(ds);
  EXPECT_EQ(ds.BadCount, 1);

  TDataset empty;
  empty.BadCount = 7;
  CountBadPoints(empty);  // nothing loaded: left alone
  EXPECT_EQ(empty.BadCount, 7);
}

TEST(ToggleLevelPoints, MarksGoodPointsAndUnmarksBadOnes) {
  TDataset ds = MeasuredDataset(DataKindInstrument, 4);
  CountingObserver observer;
  ds.Observers.push_back(&observer);
  for (int i = 1; i <= 4; ++i) ds.Points[i].Level = i <= 3 ? 1 : 2;
  ds.Points[3].Q = 5;  // bad by the error limit only

  ToggleLevelPoints(ds, 1, true);
  EXPECT_EQ(ds.Points[1].Q, 253);
  EXPECT_EQ(ds.Points[2].Q, 253);
  EXPECT_EQ(ds.Points[3].Q, 5);   // already bad: untouched
  EXPECT_EQ(ds.Points[4].Q, 0);   // other level
  EXPECT_EQ(ds.BadCount, 3);
  EXPECT_EQ(observer.changedPoints, (std::vector<int>{1, 2}));

  ToggleLevelPoints(ds, 1, false);
  EXPECT_EQ(ds.Points[1].Q, 0);
  EXPECT_EQ(ds.Points[2].Q, 0);
  EXPECT_EQ(ds.Points[3].Q, 5 ^ 253);  // bad by threshold only: now marked
  EXPECT_EQ(ds.BadCount, 1);
}

}  // namespace
}  // namespace tarvo
