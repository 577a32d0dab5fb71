#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/import/electre_reader.h"
#include "engine/import/read_environment.h"
#include "engine/import/syscal_reader.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "engine/sequences/multichannel_optimiser.h"
#include "engine/sequences/sequence_generator.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "test_support.h"

namespace tarvo {
namespace {

using Quad = std::array<int, 4>;

std::vector<TQuadripole> Quads(std::initializer_list<Quad> list) {
  std::vector<TQuadripole> quads;
  float k = 1.0f;
  for (const Quad& q : list) {
    quads.push_back(TQuadripole{static_cast<std::int16_t>(q[0]), static_cast<std::int16_t>(q[1]),
                                static_cast<std::int16_t>(q[2]), static_cast<std::int16_t>(q[3]), 1, k});
    k += 1.0f;
  }
  return quads;
}

OptimiserOptions Channels(int n, bool dummies = true, bool sorting = true, int rest = DefaultRestReadings) {
  OptimiserOptions o;
  o.channels = n;
  o.allowDummies = dummies;
  o.allowSorting = sorting;
  o.rest = rest;
  return o;
}

int Sign(int x) { return (x > 0) - (x < 0); }

// Everything a result must be, whatever the sequence: each quadripole
// measured by exactly one real dipole, as itself or as its equivalent with
// both pairs exchanged; every reading a chain of at most N dipoles running
// one way, dummies only inside it and never across a current electrode; the
// counts those of the readings; and the instrument, reading the written
// records, makes the same readings.
void ExpectSound(const std::vector<TQuadripole>& quads, const OptimiserOptions& options, const OptimisedSequence& r) {
  const int channels = std::clamp(options.channels, MinOptimiserChannels, MaxOptimiserChannels);
  std::vector<int> measured(quads.size(), 0);
  int dummies = 0;
  std::vector<std::string> faults;
  const auto fault = [&faults](std::size_t reading, const char* what) {
    if (faults.size() < 10) faults.push_back("reading " + std::to_string(reading) + ": " + what);
  };
  for (std::size_t k = 0; k < r.readings.size(); ++k) {
    const ChannelReading& reading = r.readings[k];
    if (reading.dipoles.empty() || static_cast<int>(reading.dipoles.size()) > channels) {
      fault(k, "no dipole, or more than the channels");
      continue;
    }
    if (reading.dipoles.front().IsDummy() || reading.dipoles.back().IsDummy()) fault(k, "starts or ends with a dummy");
    for (std::size_t i = 0; i < reading.dipoles.size(); ++i) {
      const ReadingDipole& d = reading.dipoles[i];
      if (i > 0) {
        const ReadingDipole& before = reading.dipoles[i - 1];
        if (d.M != before.N) fault(k, "not a chain");
        if (Sign(d.N - d.M) != Sign(before.N - before.M) || d.N == d.M) fault(k, "not one way along the cable");
      }
      if (d.IsDummy()) {
        ++dummies;
        for (const int c : {reading.A, reading.B}) {
          if (c != 0 && std::min(d.M, d.N) < c && c < std::max(d.M, d.N)) fault(k, "dummy across a current electrode");
        }
        continue;
      }
      if (d.source < 0 || d.source >= static_cast<int>(quads.size())) {
        fault(k, "no such quadripole");
        continue;
      }
      ++measured[static_cast<std::size_t>(d.source)];
      const TQuadripole& q = quads[static_cast<std::size_t>(d.source)];
      const bool asAsked = q.A == reading.A && q.B == reading.B && q.M == d.M && q.N == d.N;
      const bool exchanged = q.A == reading.B && q.B == reading.A && q.M == d.N && q.N == d.M;
      if (!asAsked && !exchanged) fault(k, "a quadripole measured as another");
    }
  }
  for (std::size_t i = 0; i < measured.size(); ++i) {
    if (measured[i] != 1) faults.push_back("quadripole " + std::to_string(i) + " measured " + std::to_string(measured[i]) + " times");
    if (faults.size() >= 10) break;
  }
  EXPECT_TRUE(faults.empty()) << (faults.empty() ? std::string() : faults.front());
  EXPECT_EQ(r.quadripoles, static_cast<int>(quads.size()));
  EXPECT_EQ(r.injections, static_cast<int>(r.readings.size()));
  EXPECT_EQ(r.dummyDipoles, dummies);
  EXPECT_TRUE(options.allowDummies || dummies == 0);
  EXPECT_EQ(r.conflicts, RestConflicts(r.readings, options.rest));
  EXPECT_EQ(r.lowerBound, ReadingLowerBound(quads, channels));
  EXPECT_GE(r.injections, ChainLowerBound(quads, channels));
  EXPECT_GE(ChainLowerBound(quads, channels), r.lowerBound);

  const std::vector<TQuadripole> records = OptimisedRecords(r, quads, {});
  const std::vector<int> grouping = InstrumentReadings(records, channels);
  std::vector<int> expected;
  for (std::size_t k = 0; k < r.readings.size(); ++k) {
    expected.insert(expected.end(), r.readings[k].dipoles.size(), static_cast<int>(k));
  }
  EXPECT_TRUE(grouping == expected) << "the instrument would group the written sequence otherwise";
}

TEST(MultichannelOptimiser, OneGapInAChainTakesOneDummyAndSavesOneReading) {
  // Current 1-2, dipoles 3-4, 4-5 and, after a gap, 6-7: at four channels
  // one reading with the dummy 5-6, two without it.
  const auto quads = Quads({{1, 2, 3, 4}, {1, 2, 4, 5}, {1, 2, 6, 7}});
  const OptimisedSequence with = OptimiseReadings(quads, Channels(4));
  ExpectSound(quads, Channels(4), with);
  ASSERT_EQ(with.injections, 1);
  EXPECT_EQ(with.dummyDipoles, 1);
  EXPECT_EQ(with.readings[0].dipoles, (std::vector<ReadingDipole>{{3, 4, 0}, {4, 5, 1}, {5, 6, -1}, {6, 7, 2}}));
  EXPECT_EQ(ReadingLines(with), std::vector<std::string>{"A 1 B 2 3-4 4-5 (5-6) 6-7"});
  EXPECT_EQ(DummyRecordNumbers(with), std::vector<int>{3});

  const OptimisedSequence without = OptimiseReadings(quads, Channels(4, false));
  ExpectSound(quads, Channels(4, false), without);
  EXPECT_EQ(without.injections, 2);
  EXPECT_EQ(without.dummyDipoles, 0);
}

TEST(MultichannelOptimiser, DummiesOnlyWhereTheySaveAReading) {
  struct Case {
    const char* what;
    std::vector<TQuadripole> quads;
    int channels;
    int injections;
    int dummies;
  };
  const std::vector<Case> cases = {
      // 3-4 4-5 5-6, gap, 7-8: the dummy would make five links.
      {"no room for the dummy", Quads({{1, 2, 3, 4}, {1, 2, 4, 5}, {1, 2, 5, 6}, {1, 2, 7, 8}}), 4, 2, 0},
      // A dummy 4-6 would straddle the current electrode 5.
      {"gap across the current", Quads({{5, 0, 3, 4}, {5, 0, 6, 7}}), 4, 2, 0},
      // Room enough: one reading either way needs no dummy.
      {"gap-free chain", Quads({{1, 2, 3, 4}, {1, 2, 4, 5}, {1, 2, 5, 6}}), 4, 1, 0},
      // Five dipoles one electrode apart, five channels: three per reading.
      {"every other electrode", Quads({{1, 2, 3, 4}, {1, 2, 5, 6}, {1, 2, 7, 8}, {1, 2, 9, 10}, {1, 2, 11, 12}}), 5, 2, 3},
      // Overlapping dipoles never share a reading.
      {"nested dipoles", Quads({{1, 8, 4, 5}, {1, 8, 3, 6}, {1, 8, 2, 7}}), 10, 3, 0},
      // A chain longer than the channels: cut, no dummy.
      {"long chain", Quads({{1, 2, 3, 4}, {1, 2, 4, 5}, {1, 2, 5, 6}, {1, 2, 6, 7}, {1, 2, 7, 8}}), 2, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const OptimisedSequence r = OptimiseReadings(c.quads, Channels(c.channels));
    ExpectSound(c.quads, Channels(c.channels), r);
    EXPECT_EQ(r.injections, c.injections);
    EXPECT_EQ(r.dummyDipoles, c.dummies);
    // Taking the dummies away costs one reading each.
    EXPECT_EQ(OptimiseReadings(c.quads, Channels(c.channels, false)).injections, c.injections + c.dummies);
  }
}

TEST(MultichannelOptimiser, ChainsRunOneWayAndReversedInjectionsJoinTheirPair) {
  // The list's example: (4,1,7,8) is injection (1,4) measured as 1 4 8 7.
  // Dipoles running up (2-3, 5-6) and down (8-7) make separate chains, and
  // 2-3 cannot reach 5-6 across the current electrode 4.
  const auto quads = Quads({{1, 4, 2, 3}, {2, 5, 3, 4}, {1, 4, 5, 6}, {4, 1, 7, 8}});
  const OptimisedSequence r = OptimiseReadings(quads, Channels(10));
  ExpectSound(quads, Channels(10), r);
  EXPECT_EQ(r.injections, 4);
  EXPECT_EQ(r.lowerBound, 2);
  const std::vector<TQuadripole> records = OptimisedRecords(r, quads, {});
  const auto reversed = std::find_if(records.begin(), records.end(), [](const TQuadripole& q) { return q.M == 8; });
  ASSERT_NE(reversed, records.end());
  EXPECT_EQ(std::make_tuple(reversed->A, reversed->B, reversed->M, reversed->N, reversed->K),
            std::make_tuple(std::int16_t{1}, std::int16_t{4}, std::int16_t{8}, std::int16_t{7}, 4.0f));

  // Up and down chains of one pair, each gap-free: ceil per way.
  const auto both = Quads({{10, 11, 12, 13}, {10, 11, 13, 14}, {10, 11, 9, 8}, {10, 11, 8, 7}, {10, 11, 7, 6}});
  const OptimisedSequence b = OptimiseReadings(both, Channels(4));
  ExpectSound(both, Channels(4), b);
  EXPECT_EQ(b.injections, 2);
  EXPECT_EQ(b.lowerBound, 2);
}

TEST(MultichannelOptimiser, LowerBoundCountsEachCurrentPairEitherWayRound) {
  std::vector<TQuadripole> quads;
  for (int k = 0; k < 9; ++k) {
    const auto m = static_cast<std::int16_t>(3 + k);
    quads.push_back(TQuadripole{k % 2 ? std::int16_t{1} : std::int16_t{2}, k % 2 ? std::int16_t{2} : std::int16_t{1},
                                m, static_cast<std::int16_t>(m + 1), 1, 1.0f});
  }
  quads.push_back(TQuadripole{20, 0, 21, 22, 1, 1.0f});
  EXPECT_EQ(ReadingLowerBound(quads, 4), 3 + 1);
  EXPECT_EQ(ReadingLowerBound(quads, 10), 1 + 1);
  EXPECT_EQ(ReadingLowerBound(quads, 1), 10);
  EXPECT_EQ(ReadingLowerBound({}, 4), 0);
}

TEST(MultichannelOptimiser, QuadripolesThatCannotChainHaveAReadingEach) {
  // N absent (pole-pole), M equal to N, and a potential electrode that is a
  // current electrode: none can be part of a chain.
  const auto quads = Quads({{1, 0, 2, 0}, {1, 0, 3, 0}, {1, 2, 4, 4}, {1, 2, 2, 3}, {1, 2, 3, 4}});
  const OptimisedSequence r = OptimiseReadings(quads, Channels(10));
  ExpectSound(quads, Channels(10), r);
  EXPECT_EQ(r.injections, 5);
  EXPECT_EQ(ChainLowerBound(quads, 10), 5);

  const OptimisedSequence none = OptimiseReadings({}, Channels(10));
  EXPECT_TRUE(none.readings.empty());
  EXPECT_EQ(none.injections, 0);
  EXPECT_EQ(none.lowerBound, 0);
}

TEST(MultichannelOptimiser, ChannelCountIsHeldToOneToTwenty) {
  std::vector<TQuadripole> quads;
  for (int k = 0; k < 30; ++k) {
    quads.push_back(TQuadripole{1, 2, static_cast<std::int16_t>(3 + k), static_cast<std::int16_t>(4 + k), 1, 1.0f});
  }
  EXPECT_EQ(OptimiseReadings(quads, Channels(0)).injections, 30);
  EXPECT_EQ(OptimiseReadings(quads, Channels(1)).injections, 30);
  EXPECT_EQ(OptimiseReadings(quads, Channels(20)).injections, 2);
  EXPECT_EQ(OptimiseReadings(quads, Channels(99)).injections, 2);
}

// The fewest conflicts any order of the readings has, by trying them all.
int FewestConflicts(std::vector<ChannelReading> readings, int rest) {
  std::vector<int> order(readings.size());
  std::iota(order.begin(), order.end(), 0);
  int fewest = static_cast<int>(readings.size());
  do {
    std::vector<ChannelReading> ordered;
    for (const int i : order) ordered.push_back(readings[static_cast<std::size_t>(i)]);
    fewest = std::min(fewest, RestConflicts(ordered, rest));
  } while (std::next_permutation(order.begin(), order.end()));
  return fewest;
}

TEST(MultichannelOptimiser, ElectrodesRestAfterCarryingCurrent) {
  // In the sequence order, 1-2 is measured right after 1 and 2 carried
  // current; and 3-5 must not come within two readings after current 3-4.
  // (1,2) (8,9) (12,13) (3,4) (14,15) has no conflict.
  const auto quads = Quads({{1, 2, 6, 7}, {3, 4, 1, 2}, {8, 9, 10, 11}, {14, 15, 16, 17}, {12, 13, 3, 5}});
  const OptimisedSequence natural = OptimiseReadings(quads, Channels(4, true, false));
  ExpectSound(quads, Channels(4, true, false), natural);
  EXPECT_EQ(natural.conflicts, 1);  // without sorting the sequence order stays

  const OptimisedSequence r = OptimiseReadings(quads, Channels(4));
  ExpectSound(quads, Channels(4), r);
  EXPECT_EQ(FewestConflicts(r.readings, 2), 0);
  EXPECT_EQ(r.conflicts, 0);
  // A rest of one reading only asks 3-4 not to follow 1-2 directly.
  const OptimisedSequence shortRest = OptimiseReadings(quads, Channels(4, true, true, 1));
  EXPECT_EQ(shortRest.conflicts, 0);
  EXPECT_EQ(RestConflicts(shortRest.readings, 1), 0);

  // Two injections that measure on each other's current electrodes: one
  // conflict whatever the order, and it is reported.
  const auto crossed = Quads({{1, 2, 3, 4}, {3, 4, 1, 2}});
  const OptimisedSequence c = OptimiseReadings(crossed, Channels(4));
  ExpectSound(crossed, Channels(4), c);
  EXPECT_EQ(c.conflicts, 1);
  EXPECT_EQ(OptimiseReadings(crossed, Channels(4, true, true, 0)).conflicts, 0);
}

TEST(MultichannelOptimiser, OrderMeetsTheFewestConflictsOnSmallSequences) {
  // Small sequences of single-reading injections around a few electrodes,
  // many of them crowded: the order found has as few conflicts as the best
  // of all orders.
  std::uint32_t seed = 12345;
  const auto next = [&seed](int n) {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
  };
  for (int trial = 0; trial < 60; ++trial) {
    std::vector<TQuadripole> quads;
    const int count = 3 + next(5);
    for (int k = 0; k < count; ++k) {
      int e[4];
      for (int& x : e) {
        bool again = true;
        while (again) {
          x = 1 + next(9);
          again = std::count(e, &x, x) > 0;
        }
      }
      quads.push_back(TQuadripole{static_cast<std::int16_t>(e[0]), static_cast<std::int16_t>(e[1]),
                                  static_cast<std::int16_t>(e[2]), static_cast<std::int16_t>(e[3]), 1, 1.0f});
    }
    for (const int rest : {1, 2, 3}) {
      SCOPED_TRACE("trial " + std::to_string(trial) + ", rest " + std::to_string(rest));
      const OptimisedSequence r = OptimiseReadings(quads, Channels(4, true, true, rest));
      ExpectSound(quads, Channels(4, true, true, rest), r);
      EXPECT_EQ(r.conflicts, FewestConflicts(r.readings, rest));
    }
  }
}

TEST(MultichannelOptimiser, WithoutSortingOnlyNeighboursShareReadingsInSequenceOrder) {
  // Pair 1-2 twice, apart: two runs, so its dipoles 3-4 and 4-5 are read
  // separately, and the readings keep the sequence order.
  const auto quads = Quads({{1, 2, 3, 4}, {6, 7, 8, 9}, {1, 2, 4, 5}, {1, 2, 5, 6}});
  const OptimisedSequence kept = OptimiseReadings(quads, Channels(10, true, false));
  ExpectSound(quads, Channels(10, true, false), kept);
  EXPECT_EQ(ReadingLines(kept), (std::vector<std::string>{"A 1 B 2 3-4", "A 6 B 7 8-9", "A 1 B 2 4-5 5-6"}));

  const OptimisedSequence sorted = OptimiseReadings(quads, Channels(10));
  ExpectSound(quads, Channels(10), sorted);
  EXPECT_EQ(sorted.injections, 2);
}

TEST(MultichannelOptimiser, ProgressRunsToTheEnd) {
  SequenceGeneratorState state;
  state.electrodes = 48;
  const std::vector<TQuadripole> quads = GenerateQuadripoles(state);
  std::vector<std::pair<int, int>> seen;
  OptimiseReadings(quads, Channels(4), [&seen](int done, int total) { seen.emplace_back(done, total); });
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front().first, 0);
  EXPECT_EQ(seen.back().first, seen.back().second);
  for (std::size_t i = 1; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].second, seen[0].second);
    EXPECT_GE(seen[i].first, seen[i - 1].first);
  }
}

// The generator's sequences: every array, both steps, lines of 16, 48 and 96
// electrodes with the generator's own checks, and of 48 with richer ones.
std::vector<std::pair<std::string, std::vector<TQuadripole>>> GeneratorSequences() {
  std::vector<std::pair<std::string, std::vector<TQuadripole>>> sequences;
  for (int array = 0; array < GeneratorArrayCount; ++array) {
    for (const int step : {1, 2}) {
      for (const int electrodes : {16, 48, 96}) {
        for (const bool rich : {false, true}) {
          if (rich && electrodes != 48) continue;
          SequenceGeneratorState state;
          state.array = static_cast<GeneratorArray>(array);
          state.step = step;
          state.electrodes = electrodes;
          if (rich) {
            // Every other item of the 1, 3 and 5 lists, every third of the Wenner list.
            for (int list = 0; list < 3; ++list) {
              for (int i = 0; i < CheckListItemCount; i += 2) state.Checked(CheckListRef{false, list}, i) = i < 16;
            }
            for (int i = 0; i < 30; i += 3) state.wennerChecks[static_cast<std::size_t>(i)] = true;
          }
          sequences.emplace_back(std::string(GeneratorArrayNames[static_cast<std::size_t>(array)]) + " " +
                                     std::to_string(electrodes) + " step " + std::to_string(step) +
                                     (rich ? " rich" : ""),
                                 GenerateQuadripoles(state));
        }
      }
    }
  }
  return sequences;
}

TEST(MultichannelOptimiser, EveryGeneratorSequenceIsMeasuredOnceAtEveryChannelCount) {
  for (const auto& [name, quads] : GeneratorSequences()) {
    ASSERT_FALSE(quads.empty()) << name;
    for (int channels = MinOptimiserChannels; channels <= MaxOptimiserChannels; ++channels) {
      SCOPED_TRACE(name + ", " + std::to_string(channels) + " channels");
      const OptimisedSequence r = OptimiseReadings(quads, Channels(channels));
      ExpectSound(quads, Channels(channels), r);
      if (channels % 5 != 4) continue;
      // The other options at a few channel counts; dummies never cost readings.
      const OptimisedSequence plain = OptimiseReadings(quads, Channels(channels, false));
      ExpectSound(quads, Channels(channels, false), plain);
      EXPECT_LE(r.injections, plain.injections);
      const OptimisedSequence kept = OptimiseReadings(quads, Channels(channels, true, false));
      ExpectSound(quads, Channels(channels, true, false), kept);
    }
  }
}

TEST(MultichannelOptimiser, GapFreeChainsMeetTheLowerBound) {
  // Pole-dipole with step 1 and dipoles of one length: every injection's
  // dipoles make one chain without a gap.
  SequenceGeneratorState state;
  state.step = 1;
  for (const int electrodes : {48, 64, 128}) {
    state.electrodes = electrodes;
    const std::vector<TQuadripole> quads = GenerateQuadripoles(state);
    for (const int channels : {4, 8, 10}) {
      const OptimisedSequence r = OptimiseReadings(quads, Channels(channels));
      EXPECT_EQ(r.injections, r.lowerBound) << electrodes << " electrodes, " << channels << " channels";
      EXPECT_EQ(r.dummyDipoles, 0);
    }
  }
}

TEST(MultichannelOptimiser, RecordsCarryTheFactorsAndDummiesTheirOwn) {
  const auto quads = Quads({{1, 2, 3, 4}, {1, 2, 5, 6}});
  const OptimisedSequence r = OptimiseReadings(quads, Channels(4));
  ASSERT_EQ(r.dummyDipoles, 1);
  const std::vector<TQuadripole> records =
      OptimisedRecords(r, quads, [](const TQuadripole& q) { return static_cast<float>(100 * q.M + q.N); });
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], (TQuadripole{1, 2, 3, 4, 1, 1.0f}));
  EXPECT_EQ(records[1], (TQuadripole{1, 2, 4, 5, 1, 405.0f}));
  EXPECT_EQ(records[2], (TQuadripole{1, 2, 5, 6, 1, 2.0f}));
  EXPECT_EQ(OptimiserCountsText(r), "Quadripoles - 2  Injections - 1  Dummy dipoles - 1  Conflicts - 0  Lower bound - 1");
}

TEST(MultichannelOptimiser, OptimisedSequenceIsWrittenByTheSequenceWriters) {
  TDataset ds;
  test::MakeLine(ds, 16, 2.0f);
  test::SetQuads(ds, {{1, 2, 3, 4}, {1, 2, 4, 5}, {1, 2, 6, 7}, {2, 1, 9, 8}, {8, 9, 10, 11}});
  ds.DataKind = DataKindSequence;
  AddSet(ds, 1, ds.Quads.Size(), DipoleDipole);
  ds.SequenceSetCount = 1;
  ds.FileName = "/somewhere/line.seq";
  std::copy(TFileHeader::MagicText.begin(), TFileHeader::MagicText.end(), ds.FileHeader.Magic.begin());
  const std::vector<TQuadripole> before = ds.Quads.Storage();

  const std::vector<TQuadripole> quads = OptimiserQuadripoles(ds);
  ASSERT_EQ(quads, before);
  const OptimisedSequence r = OptimiseReadings(quads, Channels(4));
  const std::vector<TQuadripole> records =
      OptimisedRecords(r, quads, [&ds](const TQuadripole& q) { return LayoutGeometricFactor(ds, q); });
  ASSERT_EQ(r.dummyDipoles, 1);

  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarvo-optimiser-test";
  std::filesystem::create_directories(dir);
  const std::string seq = (dir / "optimised.seq").string();
  const std::string txt = (dir / "optimised.txt").string();
  RecordingMessenger messenger;
  std::string text;
  ASSERT_TRUE(WithOptimisedSequence(ds, records, [&] {
    const auto saved = SaveSyscalSequence(ds, SyscalSaveCaller::Merge, false,
                                   [&seq](const SaveDialogDescription&) { return std::optional(seq); }, messenger);
    EXPECT_EQ(saved.outcome, SaveOutcome::Written);
    text = ElectreSequenceText(ds, ElectreSender::None, false, 2);
  }));
  EXPECT_TRUE(messenger.entries.empty());
  // The dataset is as it was.
  EXPECT_EQ(ds.Quads.Storage(), before);
  EXPECT_EQ(ds.SeqHeader.QuadCount, 5);
  EXPECT_EQ(ds.FileName, "/somewhere/line.seq");

  TDataset back;
  ReadEnvironment env{messenger, "", nullptr};
  ReadIntoDataset(back, ReadInstrumentFile, {seq}, env);
  ASSERT_EQ(back.Quads.Size(), static_cast<int>(records.size()));
  for (int i = 1; i <= back.Quads.Size(); ++i) EXPECT_EQ(back.Quads[i], records[static_cast<std::size_t>(i - 1)]);
  EXPECT_EQ(back.SeqHeader.TitleText(), "OPTIMISED");

  // ElectreII text: the records in the same order, numbered 1..n.
  std::string expected;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TQuadripole& q = records[i];
    expected += std::to_string(i + 1) + "\t" + std::to_string(q.A) + "\t" + std::to_string(q.B) + "\t" +
                std::to_string(q.M) + "\t" + std::to_string(q.N) + "\r\n";
  }
  EXPECT_NE(text.find("# A B M N\r\n" + expected), std::string::npos) << text;
  // The dummy's factor is that of its geometry on the layout (2 m spacing).
  const TQuadripole& dummy = records[static_cast<std::size_t>(DummyRecordNumbers(r).front() - 1)];
  const auto x = [](int e) { return 2.0 * (e - 1); };
  const double am = x(dummy.M) - x(dummy.A), an = x(dummy.N) - x(dummy.A);
  const double bm = x(dummy.M) - x(dummy.B), bn = x(dummy.N) - x(dummy.B);
  EXPECT_NEAR(dummy.K, 2 * 3.14159265358979 / (1 / am - 1 / an - 1 / bm + 1 / bn), 1e-3);
  std::filesystem::remove_all(dir);

  EXPECT_FALSE(WithOptimisedSequence(ds, {}, [] { FAIL() << "nothing to write"; }));
}

}  // namespace
}  // namespace tarvo
