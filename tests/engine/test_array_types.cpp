#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "test_support.h"

namespace tarvo {
namespace {

using test::AddTextPoint;

struct ClassifyCase {
  const char* name;
  test::PointGeometry geometry;
  std::uint8_t code;
  float x;
  float spacing;
  float mn;
};

TEST(ClassifyPoint, PlacesEachArrayByItsRule) {
  const float a = 2.0f;
  const ClassifyCase cases[] = {
      {"pole-pole", {2, 0, NoElectrode, 3 * a, NoElectrode}, PolePole, 1.5f * a, 3 * a, 3 * a},
      {"forward pole-dipole", {3, 0, NoElectrode, 2 * a, 3 * a}, ForwardPoleDipole, 2.5f * a, 2.5f * a, a},
      {"reverse pole-dipole", {3, 10 * a, NoElectrode, 2 * a, 3 * a}, ReversePoleDipole, 2.5f * a, 7.5f * a, a},
      {"Wenner alpha", {4, 0, 3 * a, a, 2 * a}, Wenner, 1.5f * a, a, a},
      {"Schlumberger", {4, 0, 3 * a, 1.25f * a, 1.75f * a}, Schlumberger, 1.5f * a, 1.5f * a, 0.5f * a},
      {"dipole-dipole", {4, 0, a, 3 * a, 4 * a}, DipoleDipole, 2 * a, 1.5f * a, a},
      {"Wenner beta", {4, 0, a, 2 * a, 3 * a}, WennerBeta, 1.5f * a, a, a},
      {"asymmetrical", {4, 0, 4 * a, a, 2 * a}, Asymmetrical, 1.5f * a, 1.5f * a, a},
  };
  for (const auto& c : cases) {
    TDataset ds;
    RecordingMessenger messenger;
    const int i = AddTextPoint(ds, c.geometry);
    ASSERT_TRUE(ClassifyPoint(ds, i, messenger)) << c.name;
    const TDataPoint& p = ds.Points[i];
    EXPECT_EQ(p.PointType, c.code) << c.name;
    EXPECT_FLOAT_EQ(p.X, c.x) << c.name;
    EXPECT_FLOAT_EQ(p.Spacing, c.spacing) << c.name;
    EXPECT_FLOAT_EQ(p.MN, c.mn) << c.name;
    EXPECT_TRUE(ds.TypesPresent.test(c.code)) << c.name;
    EXPECT_TRUE(messenger.entries.empty()) << c.name;
  }
}

TEST(ClassifyPoint, AbsentElectrodesTakeTheirPartnersCoordinate) {
  TDataset ds;
  RecordingMessenger messenger;
  const int pp = AddTextPoint(ds, {2, 5, NoElectrode, 7, NoElectrode});
  const int pd = AddTextPoint(ds, {3, 5, NoElectrode, 7, 8});
  ASSERT_TRUE(ClassifyPoint(ds, pp, messenger));
  ASSERT_TRUE(ClassifyPoint(ds, pd, messenger));
  EXPECT_EQ(ds.Points[pp].XB, 5);
  EXPECT_EQ(ds.Points[pp].XN, 7);
  EXPECT_EQ(ds.Points[pd].XB, 5);
}

TEST(ClassifyPoint, ReciprocalPointIsClassifiedExchangedButKeepsItsCoordinates) {
  // Current dipole 9-10, potential dipole 0-3: a reciprocal dipole-dipole.
  TDataset ds;
  RecordingMessenger messenger;
  const int i = AddTextPoint(ds, {4, 9, 10, 0, 3});
  ASSERT_TRUE(ClassifyPoint(ds, i, messenger));
  const TDataPoint& p = ds.Points[i];
  EXPECT_EQ(p.PointType, DipoleDipole);
  EXPECT_FLOAT_EQ(p.MN, 1.0f);  // the exchanged potential dipole 9-10
  EXPECT_FLOAT_EQ(p.X, 5.5f);
  EXPECT_EQ(p.XA, 9);
  EXPECT_EQ(p.XB, 10);
  EXPECT_EQ(p.XM, 0);
  EXPECT_EQ(p.XN, 3);
}

TEST(ClassifyPoint, EqualGapsABMNAreWennerBetaWithoutExchange) {
  TDataset ds;
  RecordingMessenger messenger;
  const int i = AddTextPoint(ds, {4, 0, 1, 2, 3});
  ASSERT_TRUE(ClassifyPoint(ds, i, messenger));
  EXPECT_EQ(ds.Points[i].PointType, WennerBeta);
  EXPECT_EQ(ds.Points[i].XA, 0);
  EXPECT_EQ(ds.Points[i].XB, 1);
}

TEST(ClassifyPoint, RefusesElectrodeCountsAndGeometriesWithoutAnArray) {
  TDataset ds;
  RecordingMessenger messenger;
  const int bad = AddTextPoint(ds, {5, 0, 1, 2, 3});
  ds.Points[bad].PointType = Wenner;
  EXPECT_FALSE(ClassifyPoint(ds, bad, messenger));
  EXPECT_EQ(ds.Points[bad].PointType, Wenner);  // keeps its previous type
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].text, "No nElectrodes in data!");
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);

  // A, B and M without N: no rule places it.
  const int dipolePole = AddTextPoint(ds, {3, 0, 1, 5, NoElectrode});
  EXPECT_FALSE(ClassifyPoint(ds, dipolePole, messenger));
  EXPECT_EQ(messenger.entries.size(), 2u);
  EXPECT_NE(messenger.entries[1].text.find("Line number - 2"), std::string::npos);
}

TEST(UnifyTypes, MergesWennerIntoSchlumbergerAndBetaIntoDipoleDipole) {
  TDataset ds;
  RecordingMessenger messenger;
  const int w = AddTextPoint(ds, {4, 0, 6, 2, 4});      // Wenner a = 2
  const int s = AddTextPoint(ds, {4, 0, 6, 2.5, 3.5});  // Schlumberger
  const int b = AddTextPoint(ds, {4, 0, 2, 4, 6});      // Wenner beta
  const int d = AddTextPoint(ds, {4, 0, 2, 6, 8});      // dipole-dipole
  for (int i : {w, s, b, d}) ASSERT_TRUE(ClassifyPoint(ds, i, messenger));
  ASSERT_EQ(ds.Points[b].PointType, WennerBeta);
  const float betaSpacing = ds.Points[b].Spacing;

  UnifyTypes(ds);
  EXPECT_EQ(ds.Points[w].PointType, Schlumberger);
  EXPECT_FLOAT_EQ(ds.Points[w].Spacing, 3.0f);  // AB/2
  EXPECT_EQ(ds.Points[b].PointType, DipoleDipole);
  EXPECT_FLOAT_EQ(ds.Points[b].Spacing, betaSpacing);
  EXPECT_FALSE(ds.TypesPresent.test(Wenner));
  EXPECT_FALSE(ds.TypesPresent.test(WennerBeta));
  EXPECT_TRUE(ds.TypesPresent.test(Schlumberger));
}

TEST(GeometricFactor, StandardArrays) {
  const double a = 5.0;
  const double pi = std::numbers::pi;
  EXPECT_NEAR(GeometricFactor(0, 3 * a, a, 2 * a), 2 * pi * a, 1e-9);  // Wenner alpha
  EXPECT_NEAR(GeometricFactor(0, 0, a, 0, {true, false, true, false}), 2 * pi * a, 1e-9);  // pole-pole
  EXPECT_NEAR(GeometricFactor(0, 0, a, 2 * a, {true, false, true, true}), 4 * pi * a, 1e-9);  // pole-dipole n=1
  // Dipole-dipole a, n = 2: K = pi a n (n+1)(n+2) = 24 pi a.
  EXPECT_NEAR(GeometricFactor(a, 0, 3 * a, 4 * a), pi * a * 2 * 3 * 4, 1e-9);
  // Coincident electrodes give no usable factor; callers test for it.
  EXPECT_FALSE(std::isnormal(GeometricFactor(0, 0, 0, 0, {true, false, true, false})));
  EXPECT_FALSE(std::isnormal(GeometricFactor(0, 2, 1, 1)));  // M and N at the centre of AB
}

class ClassifySequenceTest : public ::testing::Test {
protected:
  TDataset ds;
  RecordingMessenger messenger;
};

TEST_F(ClassifySequenceTest, WennerSequenceFromElectrodeNumbers) {
  test::MakeLine(ds, 8, 1.0f);
  test::SetQuads(ds, {{1, 4, 2, 3}, {2, 5, 3, 4}, {1, 7, 3, 5}});
  ASSERT_TRUE(ClassifySequence(ds, messenger));
  EXPECT_EQ(ds.ArrayType, Wenner);
  EXPECT_EQ(ds.PointCount, 3);
  EXPECT_EQ(ds.SequenceSetCount, 1);
  const TDataPoint& p = ds.Points[3];
  EXPECT_FLOAT_EQ(p.Spacing, 2.0f);
  EXPECT_FLOAT_EQ(p.X, 3.0f);
  EXPECT_FLOAT_EQ(p.MN, 2.0f);
  EXPECT_EQ(p.Q, 255);
  EXPECT_EQ(p.Number, 3);
  EXPECT_EQ(p.Rho, 1.0f);  // K of the quadripole
  EXPECT_EQ(ds.ElectrodePosCount, 6);  // electrodes 1, 2, 3, 4, 5 and 7
}

TEST_F(ClassifySequenceTest, EqualGapsABMNExchangesAAndBForGood) {
  test::MakeLine(ds, 6, 1.0f);
  test::SetQuads(ds, {{1, 2, 3, 4}, {2, 3, 4, 5}});
  ASSERT_TRUE(ClassifySequence(ds, messenger));
  EXPECT_EQ(ds.ArrayType, WennerBeta);
  EXPECT_EQ(ds.Points[1].XA, 1.0f);
  EXPECT_EQ(ds.Points[1].XB, 0.0f);
  EXPECT_FLOAT_EQ(ds.Points[1].Spacing, 1.0f);  // |XB - XA|
}

TEST_F(ClassifySequenceTest, ReciprocalSequenceIsExchangedOnce) {
  test::MakeLine(ds, 12, 1.0f);
  // Current dipole 10-11, potential dipoles 1-4 and 2-5: every quadripole is reciprocal.
  test::SetQuads(ds, {{10, 11, 1, 4}, {10, 11, 2, 5}});
  ASSERT_TRUE(ClassifySequence(ds, messenger));
  EXPECT_EQ(ds.ArrayType, DipoleDipole);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(ds.Quads[i].M, 10) << i;
    EXPECT_EQ(ds.Quads[i].N, 11) << i;
    EXPECT_EQ(ds.Points[i].XM, 9.0f) << i;
  }
  EXPECT_EQ(ds.Quads[2].A, 2);
}

TEST_F(ClassifySequenceTest, PoleArraysFromTheFirstQuadripole) {
  test::MakeLine(ds, 10, 2.0f);
  test::SetQuads(ds, {{1, 0, 2, 0}, {1, 0, 3, 0}});
  ASSERT_TRUE(ClassifySequence(ds, messenger));
  EXPECT_EQ(ds.ArrayType, PolePole);
  EXPECT_EQ(ds.Points[2].MN, 0.0f);  // the sequence rule leaves MN at 0 for pole-pole
  EXPECT_EQ(ds.Points[2].XB, ds.Points[2].XA);
  EXPECT_FLOAT_EQ(ds.Points[2].Spacing, 4.0f);

  TDataset reverse;
  test::MakeLine(reverse, 10, 2.0f);
  test::SetQuads(reverse, {{0, 9, 2, 3}});
  ASSERT_TRUE(ClassifySequence(reverse, messenger));
  EXPECT_EQ(reverse.ArrayType, ReversePoleDipole);
}

TEST_F(ClassifySequenceTest, RefusesQuadripolesOutsideTheLayoutAndDipolePole) {
  test::MakeLine(ds, 4, 1.0f);
  test::SetQuads(ds, {{1, 2, 3, 4}, {1, 2, 3, 9}});
  EXPECT_FALSE(ClassifySequence(ds, messenger));
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_NE(messenger.entries[0].text.find("Quadripole number - 2"), std::string::npos);

  TDataset dipolePole;
  test::MakeLine(dipolePole, 4, 1.0f);
  test::SetQuads(dipolePole, {{1, 2, 3, 0}});
  EXPECT_FALSE(ClassifySequence(dipolePole, messenger));
  EXPECT_EQ(dipolePole.PointCount, 0);
  EXPECT_EQ(messenger.entries.size(), 2u);
}

}  // namespace
}  // namespace tarvo
