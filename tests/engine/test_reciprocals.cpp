#include <gtest/gtest.h>

#include <cmath>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/reciprocals.h"
#include "test_support.h"

namespace tarvo {
namespace {

using test::AddTextPoint;

// A line of apparent resistivities on electrodes 0, 1, ..., 23 m (the
// electrode list as the layout analysis leaves it).
TDataset Line(int electrodes = 24) {
  TDataset ds;
  ds.DataKind = DataKindResistivityOnly;
  for (int e = 1; e <= electrodes; ++e) ds.ElectrodePos[e] = static_cast<float>(e - 1);
  ds.ElectrodePosCount = electrodes;
  return ds;
}

int Add(TDataset& ds, float a, float b, float m, float n, float rho) {
  const int i = AddTextPoint(ds, {4, a, b, m, n});
  ds.Points[i].Rho = rho;
  return i;
}

TEST(Reciprocals, PairsExchangedDipolesEitherPolarityAndLeavesTheRestAlone) {
  TDataset ds = Line();
  const int n1 = Add(ds, 0, 1, 2, 3, 100);
  const int n2 = Add(ds, 4, 5, 7, 8, 50);
  const int lone = Add(ds, 10, 11, 12, 13, 70);     // no reciprocal
  const int r1 = Add(ds, 2, 3, 0, 1, 102);          // M N A B
  const int r2 = Add(ds, 8.004f, 7, 5, 4, 49);      // N M B A, within the coordinate tolerance
  const int near = Add(ds, 12, 13, 10, 11.5f, 70);  // 11.5 is another electrode: not a reciprocal
  PairReciprocals(ds);

  const TReciprocalPairs& p = ds.Reciprocals;
  EXPECT_EQ(p.PairCount, 2);
  EXPECT_EQ(p.Partner[n1], r1);
  EXPECT_EQ(p.Partner[r1], n1);
  EXPECT_EQ(p.Partner[n2], r2);
  EXPECT_FALSE(p.Paired(lone));
  EXPECT_FALSE(p.Paired(near));
  // |100 - 102| / 101 and |50 - 49| / 49.5, in percent.
  EXPECT_NEAR(p.Error[n1], 200.0 / 101, 1e-4);
  EXPECT_NEAR(p.Error[r1], 200.0 / 101, 1e-4);
  EXPECT_NEAR(p.Error[r2], 100.0 / 49.5, 1e-4);
}

TEST(Reciprocals, RepeatedReadingsPairInIndexOrderAndPoleArraysPairToo) {
  TDataset ds = Line();
  const int a = Add(ds, 0, 1, 2, 3, 10);
  const int b = Add(ds, 0, 1, 2, 3, 11);  // the same quadripole again
  const int c = Add(ds, 2, 3, 0, 1, 10);  // pairs with the first
  const int d = Add(ds, 3, 2, 1, 0, 11);  // and this one with the second
  // Pole-pole: B and N at infinity.
  const int pp = AddTextPoint(ds, {2, 5, NoElectrode, 9, NoElectrode});
  const int pr = AddTextPoint(ds, {2, 9, NoElectrode, 5, NoElectrode});
  ds.Points[pp].Rho = ds.Points[pr].Rho = 30;
  PairReciprocals(ds);
  EXPECT_EQ(ds.Reciprocals.Partner[a], c);
  EXPECT_EQ(ds.Reciprocals.Partner[b], d);
  EXPECT_EQ(ds.Reciprocals.Partner[pp], pr);
  EXPECT_EQ(ds.Reciprocals.Error[pp], 0.0f);
  EXPECT_EQ(ds.Reciprocals.PairCount, 3);
}

TEST(Reciprocals, ResistancesAreComparedWhereVoltageAndCurrentExist) {
  TDataset ds = Line();
  ds.DataKind = DataKindTextWithVI;
  const int n = Add(ds, 0, 1, 2, 3, 100);
  const int r = Add(ds, 2, 3, 0, 1, 100);  // equal Rho, different V / I
  ds.Points[n].V = 10;
  ds.Points[n].I = 100;  // 0.1 Ohm
  ds.Points[r].V = 11;
  ds.Points[r].I = 100;  // 0.11 Ohm
  PairReciprocals(ds);
  EXPECT_NEAR(ds.Reciprocals.Error[n], 0.01 / 0.105 * 100, 1e-3);
}

// A reciprocal recorded with one dipole the other way round measures the
// opposite voltage: compared as it stands, the pair would disagree by 200 %.
TEST(Reciprocals, ResistancesOfAReversedDipoleAreComparedWithTheirSignTurned) {
  TDataset ds = Line();
  ds.DataKind = DataKindTextWithVI;
  struct Case { float a, b, m, n, v; };
  // The reciprocals of 0 1 2 3 (+10 mV at 100 mA).
  for (const Case c : {Case{2, 3, 0, 1, 10.2f}, Case{3, 2, 0, 1, -10.2f}, Case{2, 3, 1, 0, -10.2f},
                       Case{3, 2, 1, 0, 10.2f}}) {
    TDataset line = ds;
    const int n = Add(line, 0, 1, 2, 3, 100);
    const int r = Add(line, c.a, c.b, c.m, c.n, 100);
    line.Points[n].V = 10;
    line.Points[r].V = c.v;
    line.Points[n].I = line.Points[r].I = 100;
    PairReciprocals(line);
    ASSERT_EQ(line.Reciprocals.Partner[n], r) << c.a << ' ' << c.b << ' ' << c.m << ' ' << c.n;
    EXPECT_NEAR(line.Reciprocals.Error[n], 0.2 / 10.1 * 100, 1e-3) << c.a << ' ' << c.b << ' ' << c.m << ' ' << c.n;
    EXPECT_NEAR(PartnerValue(line, n), 0.102, 1e-6);
  }
}

TEST(Reciprocals, AveragingKeepsOneReadingPerGoodPairWithItsError) {
  TDataset ds = Line();
  ds.DataKind = DataKindTextWithVI;
  ds.HasIP = true;
  const int n = Add(ds, 0, 1, 2, 3, 100);
  const int r = Add(ds, 3, 2, 0, 1, 110);      // current dipole reversed: V has the other sign
  const int badN = Add(ds, 5, 6, 7, 8, 100);
  const int badR = Add(ds, 7, 8, 5, 6, 100);
  const int lone = Add(ds, 10, 11, 12, 13, 70);
  for (int i = 1; i <= ds.PointCount; ++i) ds.Points[i].I = 100;
  ds.Points[n].V = 10;
  ds.Points[r].V = -11;
  ds.Points[n].IP = 4;
  ds.Points[r].IP = 6;
  ds.Points[badN].V = ds.Points[badR].V = 5;
  ds.Points[lone].V = 7;
  ds.Points[badR].Q = QRejected;
  PairReciprocals(ds);
  CountBadPoints(ds);
  const int badBefore = ds.BadCount;

  EXPECT_EQ(AverageReciprocalPairs(ds), 1);
  EXPECT_FLOAT_EQ(ds.Points[n].Rho, 105);
  EXPECT_FLOAT_EQ(ds.Points[n].V, 10.5f);  // mean resistance 0.105 Ohm at the first reading's 100 mA
  EXPECT_FLOAT_EQ(ds.Points[n].IP, 5);
  EXPECT_NEAR(ds.Points[n].Err, 1.0 / 10.5 * 100, 1e-3);
  EXPECT_TRUE(ds.HasErrors);
  EXPECT_TRUE(CarriesDeletedMark(ds, ds.Points[r]));
  EXPECT_FALSE(IsBad(ds, n));
  // A pair with a bad reading and an unpaired reading are left as they were.
  EXPECT_FLOAT_EQ(ds.Points[badN].V, 5);
  EXPECT_FALSE(IsBad(ds, badN));
  EXPECT_FLOAT_EQ(ds.Points[lone].V, 7);
  EXPECT_EQ(ds.BadCount, badBefore + 1);
}

TEST(Reciprocals, ThresholdMarksBothReadingsBadAndZeroLeavesEverythingAsItWas) {
  TDataset ds = Line();
  const int n = Add(ds, 0, 1, 2, 3, 100);
  const int r = Add(ds, 2, 3, 0, 1, 110);  // 9.5 %
  const int lone = Add(ds, 5, 6, 7, 8, 100);
  PairReciprocals(ds);
  ds.Thresholds.ErrorLimit = 99;
  CountBadPoints(ds);
  EXPECT_EQ(ds.BadCount, 0);  // off by default

  ds.Thresholds.MaxReciprocalError = 5;
  CountBadPoints(ds);
  EXPECT_TRUE(IsBad(ds, n));
  EXPECT_TRUE(IsBad(ds, r));
  EXPECT_FALSE(IsBad(ds, lone));
  EXPECT_EQ(ds.BadCount, 2);
  EXPECT_EQ(ReciprocalStatistics(ds).AboveThreshold, 1);

  ds.Thresholds.MaxReciprocalError = 10;
  CountBadPoints(ds);
  EXPECT_EQ(ds.BadCount, 0);
}

TEST(Reciprocals, PowerLawFitRecoversTheModelOfTheErrors) {
  // |dR| = 0.02 * R^1.3 exactly, over resistivities from 1 to about 100.
  TDataset ds = Line(48);
  const double a = 0.02, b = 1.3;
  for (int k = 0; k < 20; ++k) {
    const double r = std::pow(10.0, k / 10.0);
    const double d = a * std::pow(r, b);
    const float x = static_cast<float>(k * 2);
    Add(ds, x, x + 1, x + 2, x + 3, static_cast<float>(r + d / 2));
    Add(ds, x + 2, x + 3, x, x + 1, static_cast<float>(r - d / 2));
  }
  PairReciprocals(ds);
  ASSERT_EQ(ds.Reciprocals.PairCount, 20);
  const auto power = FitErrorModel(ds, TErrorModel::Kind::PowerLaw);
  ASSERT_TRUE(power.has_value());
  EXPECT_NEAR(power->A, a, a * 1e-3);
  EXPECT_NEAR(power->B, b, 1e-4);
  EXPECT_EQ(power->PairsUsed, 20);
  // Every reading gets an estimate in percent of its own value.
  const auto errors = ModelledErrors(ds, *power);
  EXPECT_NEAR(errors[1], 100 * power->At(ds.Points[1].Rho) / ds.Points[1].Rho, 1e-3);

  // The estimates become the readings' errors, for the writers' error columns.
  ApplyErrorModel(ds, *power);
  EXPECT_TRUE(ds.HasErrors);
  EXPECT_FLOAT_EQ(ds.Points[7].Err, errors[7]);

  const auto linear = FitErrorModel(ds, TErrorModel::Kind::Linear);
  ASSERT_TRUE(linear.has_value());
  EXPECT_GT(linear->B, 0);
}

TEST(Reciprocals, StatisticsAndFitsNeedPairs) {
  TDataset ds = Line();
  Add(ds, 0, 1, 2, 3, 100);
  PairReciprocals(ds);
  EXPECT_EQ(ReciprocalStatistics(ds).Pairs, 0);
  EXPECT_FALSE(FitErrorModel(ds, TErrorModel::Kind::PowerLaw).has_value());
  // A sequence has no measurements to compare.
  TDataset seq = Line();
  seq.DataKind = DataKindSequence;
  Add(seq, 0, 1, 2, 3, 1);
  Add(seq, 2, 3, 0, 1, 1);
  PairReciprocals(seq);
  EXPECT_EQ(seq.Reciprocals.PairCount, 0);
  EXPECT_FALSE(seq.Reciprocals.Paired(1));
}

TEST(Reciprocals, StatisticsOfThePairs) {
  TDataset ds = Line();
  Add(ds, 0, 1, 2, 3, 100);
  Add(ds, 2, 3, 0, 1, 100);  // 0 %
  Add(ds, 4, 5, 6, 7, 100);
  Add(ds, 6, 7, 4, 5, 102);  // 1.98 %
  Add(ds, 8, 9, 10, 11, 100);
  Add(ds, 10, 11, 8, 9, 110);  // 9.52 %
  PairReciprocals(ds);
  const TReciprocalStatistics s = ReciprocalStatistics(ds);
  EXPECT_EQ(s.Pairs, 3);
  EXPECT_NEAR(s.Median, 200.0 / 101, 1e-4);
  EXPECT_NEAR(s.Maximum, 1000.0 / 105, 1e-4);
  EXPECT_NEAR(s.Mean, (200.0 / 101 + 1000.0 / 105) / 3, 1e-4);
}

}  // namespace
}  // namespace tarvo
