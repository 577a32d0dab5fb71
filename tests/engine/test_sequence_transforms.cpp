#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/capacities.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/syscal_records.h"
#include "engine/export/res2dinv_writer.h"
#include "engine/import/open_command.h"
#include "engine/import/read_environment.h"
#include "engine/sequences/sequence_transforms.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "test_files.h"
#include "test_support.h"

namespace tarvo {
namespace {

using Quad = std::array<int, 4>;  // A, B, M, N

// The bytes of a Syscal sequence file: electrode n at xs[n - 1], the
// quadripoles with K = 10 * their number.
std::string SequenceBytes(const std::vector<float>& xs, const std::vector<Quad>& quads) {
  TFileHeader header;
  std::copy(TFileHeader::MagicText.begin(), TFileHeader::MagicText.end(), header.Magic.begin());
  header.DocType = DocTypeOld;
  TSeqHeader seq;
  seq.ElectrodeTotal = static_cast<std::int16_t>(xs.size());
  seq.QuadCount = static_cast<std::int16_t>(quads.size());
  seq.SetTitleText("LINE");
  std::vector<std::uint8_t> bytes;
  ByteWriter out(bytes);
  header.Encode(out);
  seq.Encode(out);
  for (std::size_t n = 0; n < xs.size(); ++n) {
    TElectrode e;
    e.Number = static_cast<std::int16_t>(n + 1);
    e.X = xs[n];
    e.Encode(out);
  }
  for (std::size_t q = 0; q < quads.size(); ++q) {
    const auto& [a, b, m, n] = quads[q];
    TQuadripole{static_cast<std::int16_t>(a), static_cast<std::int16_t>(b), static_cast<std::int16_t>(m),
                static_cast<std::int16_t>(n), 1, 10.0f * static_cast<float>(q + 1)}
        .Encode(out);
  }
  return std::string(bytes.begin(), bytes.end());
}

std::vector<float> LineAt(int count, float first) {
  std::vector<float> xs;
  for (int n = 0; n < count; ++n) xs.push_back(first + static_cast<float>(n));
  return xs;
}

// Wenner quadripoles A M N B = e, e+s, e+2s, e+3s on electrodes numbered
// from `base`, for the given (e, s) list.
std::vector<Quad> Wenner(const std::vector<std::array<int, 2>>& placements, int base) {
  std::vector<Quad> quads;
  for (const auto& [e, s] : placements) {
    quads.push_back({base + e - 1, base + e - 1 + 3 * s, base + e - 1 + s, base + e - 1 + 2 * s});
  }
  return quads;
}

bool SamePoints(const Table<TDataPoint>& a, const Table<TDataPoint>& b) {
  return a.Size() == b.Size() &&
         std::memcmp(a.Storage().data(), b.Storage().data(), a.Storage().size() * sizeof(TDataPoint)) == 0;
}

class SequenceTransformsTest : public ::testing::Test {
protected:
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};
  OpenCommandState state;
  test::ScratchFolder scratch;

  void Open(const std::vector<std::string>& files, int filterIndex, OpenCaller caller = OpenCaller::Open) {
    OpenRequest request;
    request.caller = caller;
    request.files = files;
    request.filterIndex = filterIndex;
    const OpenResult result = RunOpenCommand(ds, state, request, DefaultReaders(), env);
    ASSERT_TRUE(result.loaded) << (messenger.entries.empty() ? "" : messenger.Texts().front());
  }

  SyscalSaveResult SaveSequence(const std::string& name, SyscalSaveCaller caller) {
    const std::string target = scratch.PathOf(name);
    return SaveSyscalSequence(ds, caller, false, [&](const SaveDialogDescription&) { return std::optional(target); },
                       messenger);
  }
};

TEST(SequenceExchange, ExchangingTwiceRestoresTheSequenceExactly) {
  struct Case {
    const char* name;
    void (*exchange)(TDataset&);
    Quad once;  // the first quadripole after one exchange
  };
  const Case cases[] = {
      {"A and B", ExchangeAandB, {4, 1, 2, 3}},
      {"M and N", ExchangeMandN, {1, 4, 3, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDataset ds;
    test::MakeLine(ds, 8, 1.0f);
    test::SetQuads(ds, {{1, 4, 2, 3}, {2, 0, 3, 4}, {5, 8, 6, 7}});
    ds.Quads[1].K = 6.2832f;
    ds.Quads[2].K = -12.5f;
    ds.Quads[3].K = 0.125f;
    const std::vector<TQuadripole> before = ds.Quads.Storage();

    c.exchange(ds);
    const TQuadripole& q = ds.Quads[1];
    EXPECT_EQ((Quad{q.A, q.B, q.M, q.N}), c.once);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(ds.Quads[i].K, -before[static_cast<std::size_t>(i - 1)].K) << i;

    c.exchange(ds);
    EXPECT_EQ(ds.Quads.Storage(), before);
  }
}

TEST(SequenceExchange, NearestElectrodeTakesTheFirstOnTiesAndZeroForNoLayout) {
  TDataset ds;
  EXPECT_EQ(NearestElectrode(ds, 3.0), 0);
  test::MakeLine(ds, 4, 2.0f);  // 0, 2, 4, 6
  EXPECT_EQ(NearestElectrode(ds, -5.0), 1);
  EXPECT_EQ(NearestElectrode(ds, 3.0), 2);  // between 2 and 4: the first
  EXPECT_EQ(NearestElectrode(ds, 4.9), 3);
  EXPECT_EQ(NearestElectrode(ds, 100.0), 4);
}

TEST_F(SequenceTransformsTest, Amn2mnBMirrorsAForwardPoleDipoleSequence) {
  // 48 electrodes at 0..47 m, all in use (the mirror is taken between the
  // first and last positions in use); forward pole-dipole, B at infinity.
  const std::vector<Quad> forward = {{1, 0, 2, 3}, {10, 0, 12, 13}, {40, 0, 47, 48}};
  Open({scratch.Write("pd.seq", SequenceBytes(LineAt(48, 0), forward))}, 2);
  ASSERT_EQ(ds.ArrayType, ForwardPoleDipole);
  const std::vector<TQuadripole> before = ds.Quads.Storage();

  EXPECT_EQ(MirrorForwardPoleDipole(ds, messenger), MirrorOutcome::SequenceMirrored);
  const std::vector<Quad> expected = {{48, 0, 47, 46}, {39, 0, 37, 36}, {9, 0, 2, 1}};
  for (int i = 1; i <= 3; ++i) {
    const TQuadripole& q = ds.Quads[i];
    EXPECT_EQ((Quad{q.A, q.B, q.M, q.N}), expected[static_cast<std::size_t>(i - 1)]) << i;
    EXPECT_EQ(q.K, before[static_cast<std::size_t>(i - 1)].K) << i;
  }

  // The caller's part: written and read back, the sequence is reverse pole-dipole.
  const SyscalSaveResult saved = SaveSequence("reverse.seq", SyscalSaveCaller::UserInterface);
  ASSERT_EQ(saved.outcome, SaveOutcome::Written);
  Open({saved.path}, 2, OpenCaller::ReadBack);
  EXPECT_EQ(ds.ArrayType, ReversePoleDipole);
  EXPECT_EQ(ds.PointCount, 3);
  EXPECT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
}

TEST_F(SequenceTransformsTest, Amn2mnBOnApparentResistivities) {
  struct Case {
    const char* name;
    const char* file;
    MirrorOutcome outcome;
  };
  const Case cases[] = {
      {"Wenner", "W line\r\n1\r\n1\r\n3\r\n1\r\n0\r\n1.5 1 100\r\n2.5 1 110\r\n4.5 3 120\r\n",
       MirrorOutcome::NotAmnArray},
      {"forward pole-dipole", "PD line\r\n1\r\n6\r\n3\r\n1\r\n0\r\n3 1 1 100\r\n4 1 2 110\r\n8 1 1 120\r\n",
       MirrorOutcome::DataMirrored},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Open({scratch.Write("line.dat", c.file)}, Res2dInvFilterIndex);
    ASSERT_EQ(ds.DataKind, DataKindResistivityOnly);
    const TDataset before = ds;
    const double x1 = ds.ElectrodePos[1];
    const double xL = ds.ElectrodePos[ds.ElectrodePosCount];

    ASSERT_EQ(MirrorForwardPoleDipole(ds, messenger), c.outcome);
    if (c.outcome == MirrorOutcome::NotAmnArray) {
      EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"This function works only for AMN array."});
      EXPECT_EQ(messenger.entries[0].kind, MessageKind::Warning);
      EXPECT_TRUE(SamePoints(ds.Points, before.Points));
      EXPECT_EQ(ds.ArrayType, before.ArrayType);
      continue;
    }
    EXPECT_TRUE(messenger.entries.empty());
    EXPECT_EQ(ds.ArrayType, ReversePoleDipole);
    EXPECT_EQ(ds.Sets[1].Type, ReversePoleDipole);
    for (int i = 1; i <= ds.PointCount; ++i) EXPECT_FLOAT_EQ(ds.Points[i].X, static_cast<float>(xL - before.Points[i].X + x1)) << i;

    // Written as the usual Res2dInv format and read back: reverse pole-dipole.
    const std::string target = scratch.PathOf("reverse.dat");
    ASSERT_EQ(ExportRes2dInv(ds, Res2dInvSender::aRes2dInv, ExportOptions{}, state.Res2dInvExt,
                              [&](const SaveDialogDescription&) { return std::optional(target); }, messenger),
              SaveOutcome::Written);
    Open({target}, Res2dInvFilterIndex, OpenCaller::ReadBack);
    EXPECT_EQ(ds.ArrayType, ReversePoleDipole);
    EXPECT_EQ(ds.PointCount, 3);
  }
}

TEST(SequenceShift64, RenumbersOntoTheSecondCable) {
  struct Case {
    int electrodes;
  };
  for (const Case c : {Case{32}, Case{80}}) {
    SCOPED_TRACE(c.electrodes);
    TDataset ds;
    RecordingMessenger messenger;
    test::MakeLine(ds, c.electrodes, 1.0f);
    test::SetQuads(ds, {{1, 0, 2, 3}, {5, 8, 6, 7}, {c.electrodes, 0, c.electrodes - 1, c.electrodes - 2}});
    const auto layout = ds.Electrodes;

    ASSERT_TRUE(ShiftOnto64(ds, messenger));
    EXPECT_TRUE(messenger.entries.empty());
    EXPECT_EQ(ds.SeqHeader.ElectrodeTotal, c.electrodes + 64);
    for (int n = 1; n <= c.electrodes; ++n) EXPECT_EQ(ds.Electrodes[n + 64], layout[n]) << n;
    const std::vector<Quad> expected = {
        {65, 0, 66, 67}, {69, 72, 70, 71}, {c.electrodes + 64, 0, c.electrodes + 63, c.electrodes + 62}};
    for (int i = 1; i <= 3; ++i) {
      const TQuadripole& q = ds.Quads[i];
      EXPECT_EQ((Quad{q.A, q.B, q.M, q.N}), expected[static_cast<std::size_t>(i - 1)]) << i;
    }
  }
}

TEST(SequenceShift64, RefusesALayoutThatWouldNotFit) {
  TDataset ds;
  RecordingMessenger messenger;
  test::MakeLine(ds, MaxElectrodes - 63, 1.0f);
  test::SetQuads(ds, {{1, 0, 2, 3}});
  const TDataset before = ds;

  EXPECT_FALSE(ShiftOnto64(ds, messenger));
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  EXPECT_NE(messenger.entries[0].text.find(std::to_string(MaxElectrodes)), std::string::npos);
  EXPECT_EQ(ds.SeqHeader, before.SeqHeader);
  EXPECT_EQ(ds.Electrodes, before.Electrodes);
  EXPECT_EQ(ds.Quads.Storage(), before.Quads.Storage());
}

TEST_F(SequenceTransformsTest, MergeBuildsOneSequenceNumberedByPositionAndRestoresTheDataset) {
  // Electrode 1 lies off the line and is not used, so the merged layout,
  // numbered by the positions in use, counts one less than the instrument.
  std::vector<float> xs = {100.0f};
  for (float x : LineAt(48, 0)) xs.push_back(x);
  std::vector<std::array<int, 2>> first, second;
  for (int s = 1; s <= 5 && first.size() + second.size() < 175; ++s) {
    for (int e = 1; e + 3 * s <= 48; ++e) (first.size() < 100 ? first : second).push_back({e, s});
  }
  second.resize(75);
  second.insert(second.begin(), first.begin() + 20, first.begin() + 25);  // repeats
  Open({scratch.Write("one.seq", SequenceBytes(xs, Wenner(first, 2))),
        scratch.Write("two.seq", SequenceBytes(xs, Wenner(second, 2)))},
       2);
  ASSERT_EQ(ds.SetCount, 2);
  ASSERT_EQ(ds.PointCount, 180);
  ASSERT_EQ(ds.MergedCount, 5);
  CountBadPoints(ds);
  const TDataset before = ds;

  std::vector<TQuadripole> written;
  const bool merged = WithMergedSequence(ds, scratch.Path().string(), messenger, [&] {
    EXPECT_EQ(ds.FileHeader.DocType, DocTypeOld);
    EXPECT_EQ(ds.FileName, scratch.PathOf("merged.seq"));
    EXPECT_EQ(ds.SeqHeader.TitleText(), "MERGED");
    EXPECT_EQ(ds.SeqHeader.ElectrodeTotal, 48);
    for (int e = 1; e <= 48; ++e) EXPECT_EQ(ds.Electrodes[e].X, static_cast<float>(e - 1)) << e;
    written = ds.Quads.Storage();
    EXPECT_EQ(SaveSequence("merged.seq", SyscalSaveCaller::Merge).outcome, SaveOutcome::Written);
  });
  ASSERT_TRUE(merged);
  EXPECT_TRUE(messenger.entries.empty()) << messenger.Texts().front();
  ASSERT_EQ(written.size(), 175u);
  std::vector<Quad> expected = Wenner(first, 1);
  const std::vector<Quad> fresh = Wenner(std::vector(second.begin() + 5, second.end()), 1);
  expected.insert(expected.end(), fresh.begin(), fresh.end());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const TQuadripole& q = written[i];
    EXPECT_EQ((Quad{q.A, q.B, q.M, q.N}), expected[i]) << i;
    EXPECT_EQ(q.Flag, 1);
  }
  EXPECT_FLOAT_EQ(written[0].K, ds.Points[1].Rho);

  EXPECT_EQ(ds.SeqHeader, before.SeqHeader);
  EXPECT_EQ(ds.Quads.Storage(), before.Quads.Storage());
  EXPECT_EQ(ds.Electrodes, before.Electrodes);
  EXPECT_EQ(ds.FileHeader, before.FileHeader);
  EXPECT_EQ(ds.FileName, before.FileName);
  EXPECT_TRUE(SamePoints(ds.Points, before.Points));

  // The file holds the merged sequence whole.
  ds = TDataset{};
  Open({scratch.PathOf("merged.seq")}, 2);
  EXPECT_EQ(ds.PointCount, 175);
  EXPECT_EQ(ds.SeqHeader.ElectrodeTotal, 48);
}

TEST_F(SequenceTransformsTest, MergeReportsACountThatDoesNotAddUpAndHasNothingToDoWithoutPoints) {
  Open({scratch.Write("one.seq", SequenceBytes(LineAt(12, 0), Wenner({{1, 1}, {2, 1}, {3, 1}}, 1)))}, 2);
  ds.BadCount = 1;  // out of step with the marks: three quadripoles are made, two expected
  int writes = 0;
  ASSERT_TRUE(WithMergedSequence(ds, "", messenger, [&] {
    ++writes;
    EXPECT_EQ(ds.Quads.Size(), 3);
    EXPECT_EQ(ds.SeqHeader.QuadCount, 3);
  }));
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Error by making Quadro"});

  for (int i = 1; i <= ds.PointCount; ++i) ToggleDeletedMark(ds.Points[i]);
  CountBadPoints(ds);
  EXPECT_FALSE(WithMergedSequence(ds, "", messenger, [&] { ++writes; }));
  EXPECT_EQ(writes, 1);
}

// Three Schlumberger points and two dipole-dipole points of a text file.
void SchlumbergerAndDipoleDipole(TDataset& ds, Messenger& messenger) {
  for (float x : {0.0f, 2.0f, 4.0f}) test::AddTextPoint(ds, {4, x, x + 6, x + 2.5f, x + 3.5f});
  for (float x : {0.0f, 1.0f}) test::AddTextPoint(ds, {4, x, x + 1, x + 3, x + 4});
  for (int i = 1; i <= ds.PointCount; ++i) {
    ASSERT_TRUE(ClassifyPoint(ds, i, messenger));
    ds.Points[i].Rho = 100.0f + static_cast<float>(i);
  }
  ASSERT_TRUE(GroupTextPoints(ds, 0, messenger));
  ds.DataKind = DataKindResistivityOnly;
  AnalyseLayout(ds, messenger);
}

TEST_F(SequenceTransformsTest, ExtractShowsOnlyTheSelectedSetAndRestoresTheDataset) {
  SchlumbergerAndDipoleDipole(ds, messenger);
  ASSERT_EQ(ds.SetCount, 2);
  const int dd = ds.Sets[1].Type == DipoleDipole ? 0 : 1;
  const TDataset before = ds;
  const TSetEntry selected = ds.Sets[dd + 1];

  std::string text;
  ASSERT_TRUE(WithExtractedSet(ds, dd, [&] {
    EXPECT_EQ(ds.SetCount, 1);
    EXPECT_EQ(ds.PointCount, 2);
    EXPECT_EQ(ds.ArrayType, DipoleDipole);
    EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 2, DipoleDipole}));
    for (int i = 1; i <= ds.PointCount; ++i) {
      EXPECT_EQ(ds.Points[i].PointType, DipoleDipole);
      EXPECT_EQ(ds.Points[i].Rho, before.Points[selected.First + i - 1].Rho);
    }
    const std::string target = scratch.PathOf("dd.dat");
    EXPECT_EQ(ExportRes2dInv(ds, Res2dInvSender::Extract, ExportOptions{}, ".dat",
                              [&](const SaveDialogDescription&) { return std::optional(target); }, messenger),
              SaveOutcome::Written);
    text = test::ReadWhole(target);
  }));
  EXPECT_NE(text.find("\r\n3\r\n2\r\n"), std::string::npos) << text;  // dipole-dipole, two points

  EXPECT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.PointCount, 5);
  EXPECT_EQ(ds.ArrayType, before.ArrayType);
  EXPECT_EQ(ds.Sets, before.Sets);
  EXPECT_TRUE(SamePoints(ds.Points, before.Points));
}

// The per-point lists of the bad-point test follow the extracted points: a
// point of the set is judged by its own decay fit and reciprocal error, not
// by those of the point that had its number in the whole line.
TEST_F(SequenceTransformsTest, ExtractJudgesEveryPointByItsOwnFits) {
  SchlumbergerAndDipoleDipole(ds, messenger);
  const int second = ds.Sets[2].First;
  ds.HasIP = true;
  ds.DecayFits.Misfit.assign(static_cast<std::size_t>(ds.PointCount) + 1, 1.0f);
  ds.DecayFits.Misfit[static_cast<std::size_t>(second)] = 50;  // the poor decay is the set's first point
  ds.Reciprocals.Partner.assign(static_cast<std::size_t>(ds.PointCount) + 1, 0);
  ds.Reciprocals.Error.assign(static_cast<std::size_t>(ds.PointCount) + 1, 0.0f);
  ds.Reciprocals.Partner[static_cast<std::size_t>(second + 1)] = 1;
  ds.Reciprocals.Error[static_cast<std::size_t>(second + 1)] = 30;  // and the second disagrees with its pair
  ds.Thresholds.MaxDecayMisfit = 10;
  ds.Thresholds.MaxReciprocalError = 10;
  const TDecayFits fits = ds.DecayFits;
  ASSERT_TRUE(WithExtractedSet(ds, 1, [&] {
    ASSERT_GE(ds.PointCount, 2);
    EXPECT_TRUE(IsBad(ds, 1));
    EXPECT_TRUE(IsBad(ds, 2));
    for (int i = 3; i <= ds.PointCount; ++i) EXPECT_FALSE(IsBad(ds, i)) << i;
  }));
  EXPECT_EQ(ds.DecayFits.Misfit, fits.Misfit);
  EXPECT_TRUE(IsBad(ds, second));
  EXPECT_FALSE(IsBad(ds, 1));
}

TEST_F(SequenceTransformsTest, ExtractRestoresWhenTheWorkFailsAndRefusesSetsOutOfRange) {
  SchlumbergerAndDipoleDipole(ds, messenger);
  const TDataset before = ds;
  EXPECT_THROW(WithExtractedSet(ds, 1, [] { throw std::runtime_error("disk full"); }), std::runtime_error);
  EXPECT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.PointCount, 5);
  EXPECT_EQ(ds.Sets, before.Sets);
  EXPECT_TRUE(SamePoints(ds.Points, before.Points));

  for (int k : {-1, 2}) {
    bool ran = false;
    EXPECT_FALSE(WithExtractedSet(ds, k, [&] { ran = true; })) << k;
    EXPECT_FALSE(ran) << k;
  }
}

}  // namespace
}  // namespace tarvo
