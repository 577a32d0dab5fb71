#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/sequences/sequence_optimiser.h"
#include "test_support.h"

namespace tarvo {
namespace {

// A sequence of one set holding the given quadripoles.
TDataset OneSet(std::initializer_list<std::array<int, 4>> quads) {
  TDataset ds;
  test::MakeLine(ds, 16, 1.0f);
  test::SetQuads(ds, quads);
  ds.DataKind = DataKindSequence;
  AddSet(ds, 1, ds.Quads.Size(), DipoleDipole);
  ds.SequenceSetCount = 1;
  return ds;
}

TEST(SequenceOptimiser, QuadripolesGroupByInjectionWhicheverWayRoundTheCurrentFlows) {
  const TDataset ds = OneSet({{1, 4, 2, 3}, {2, 5, 3, 4}, {1, 4, 5, 6}, {4, 1, 7, 8}});
  std::vector<std::pair<int, int>> progress;

  const InjectionReport r = AnalyseInjections(ds, [&progress](int max, int pos) { progress.emplace_back(max, pos); });

  EXPECT_EQ(r.quadCount, 4);
  EXPECT_EQ(r.injectionCount, 2);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"nA  nB  nM   nN", "A 1 B 4 2-3 5-6 7-8", "A 2 B 5 3-4"}));
  EXPECT_EQ(r.countsText, "The number of quadripoles - 4 The number of injection - 2");
  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{3, 0}, {3, 1}, {3, 2}, {3, 3}}));
  // The analysis works on a copy.
  EXPECT_EQ(ds.Quads[4].A, 4);
  EXPECT_EQ(ds.Quads[4].B, 1);
}

TEST(SequenceOptimiser, EveryInjectionOnItsOwnLineInOrder) {
  const TDataset ds = OneSet({{3, 6, 4, 5}, {1, 2, 3, 4}, {5, 2, 3, 4}, {1, 3, 4, 5}, {2, 0, 3, 4}});
  const InjectionReport r = AnalyseInjections(ds);
  EXPECT_EQ(r.injectionCount, 5);
  EXPECT_EQ(r.lines, (std::vector<std::string>{"nA  nB  nM   nN", "A 0 B 2 3-4", "A 1 B 2 3-4", "A 1 B 3 4-5",
                                               "A 2 B 5 3-4", "A 3 B 6 4-5"}));
  EXPECT_EQ(r.countsText, "The number of quadripoles - 5 The number of injection - 5");
}

TEST(SequenceOptimiser, SequenceSetsOfTheLastSequenceAreAnalysedTogether) {
  TDataset ds;
  test::MakeLine(ds, 64, 1.0f);
  ds.Quads.Resize(180);
  for (int i = 1; i <= 180; ++i) {
    const auto a = static_cast<std::int16_t>(i % 30 + 1);  // 30 injections, 6 dipoles each
    ds.Quads[i] = TQuadripole{a, static_cast<std::int16_t>(a + 1), static_cast<std::int16_t>(a + 2),
                              static_cast<std::int16_t>(a + 3), 1, 1.0f};
  }
  ds.SeqHeader.QuadCount = 100;
  AddSet(ds, 1, 100, DipoleDipole);
  ds.SeqHeader.QuadCount = 80;
  AddSet(ds, 101, 180, DipoleDipole);
  ds.SequenceSetCount = 2;

  EXPECT_EQ(OptimiserQuadCount(ds), 180);
  const InjectionReport r = AnalyseInjections(ds);
  EXPECT_EQ(r.quadCount, 180);
  EXPECT_EQ(r.injectionCount, 30);
  ASSERT_EQ(r.lines.size(), 31u);
  EXPECT_EQ(r.lines[1], "A 1 B 2 3-4 3-4 3-4 3-4 3-4 3-4");

  // With one sequence set only the last set's quadripoles are counted.
  ds.SequenceSetCount = 1;
  EXPECT_EQ(OptimiserQuadCount(ds), 80);
}

TEST(SequenceOptimiser, CountsBeyondTheQuadripolesHeldAreClamped) {
  TDataset ds = OneSet({{1, 4, 2, 3}, {2, 5, 3, 4}});
  ds.SetSeqHeaders[1].QuadCount = 400;  // header claims more than the list holds
  const InjectionReport r = AnalyseInjections(ds);
  EXPECT_EQ(r.quadCount, 2);
  EXPECT_EQ(r.injectionCount, 2);
  EXPECT_EQ(r.countsText, "The number of quadripoles - 2 The number of injection - 2");

  TDataset empty;
  bool called = false;
  const InjectionReport none = AnalyseInjections(empty, [&called](int, int) { called = true; });
  EXPECT_EQ(none.lines, std::vector<std::string>{"nA  nB  nM   nN"});
  EXPECT_EQ(none.countsText, "The number of quadripoles - 0 The number of injection - 0");
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace tarvo
