#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/numbers.h"
#include "engine/core/syscal_records.h"
#include "engine/import/electre_reader.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"
#include "engine/sequences/syscal_sequence_writer.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr int LineElectrodes = 12;

// A Syscal file put together record by record: Wenner a = 1 along twelve
// electrodes 1 m apart, with measurement records when `records` is set.
struct SyscalImage {
  TFileHeader header;
  TSeqHeader seq;
  std::vector<TElectrode> electrodes;
  std::vector<TQuadripole> quads;
  std::vector<TSyscalRecord> records;

  std::string Bytes() const {
    std::vector<std::uint8_t> bytes;
    ByteWriter out(bytes);
    header.Encode(out);
    seq.Encode(out);
    for (const auto& e : electrodes) e.Encode(out);
    for (const auto& q : quads) q.Encode(out);
    for (const auto& r : records) r.Encode(out);
    return std::string(bytes.begin(), bytes.end());
  }

  std::size_t QuadStart() const { return SyscalHeadersSize + electrodes.size() * TElectrode::Size; }
  std::size_t RecordStart() const { return QuadStart() + quads.size() * TQuadripole::Size; }
};

SyscalImage WennerImage(int quadCount, bool withRecords) {
  SyscalImage f;
  std::copy(TFileHeader::MagicText.begin(), TFileHeader::MagicText.end(), f.header.Magic.begin());
  f.header.DocType = withRecords ? DocTypeCurrent : DocTypeOld;
  f.header.SetOperatorText("crew 4");
  f.header.Reserved5[7] = 0x3C;
  f.seq.ElectrodeTotal = LineElectrodes;
  f.seq.QuadCount = static_cast<std::int16_t>(quadCount);
  f.seq.SetTitleText("WENNERABCD");  // all ten characters used
  f.seq.Line = 3;
  for (int n = 1; n <= LineElectrodes; ++n) {
    TElectrode e;
    e.Number = static_cast<std::int16_t>(n);
    e.X = static_cast<float>(n - 1);
    e.Reserved14 = {static_cast<std::uint8_t>(n), 0x77};
    f.electrodes.push_back(e);
  }
  for (int a = 1; a <= quadCount; ++a) {
    const auto s = static_cast<std::int16_t>(a);
    f.quads.push_back(TQuadripole{s, static_cast<std::int16_t>(a + 3), static_cast<std::int16_t>(a + 1),
                                  static_cast<std::int16_t>(a + 2), 1, static_cast<float>(TwoPi)});
    if (withRecords) {
      TSyscalRecord r;
      r.V = 20.0f + static_cast<float>(a);
      r.I = 5.0f;
      r.Dev = static_cast<std::int16_t>(a % 3);
      r.Reserved10 = {static_cast<std::uint8_t>(a), 9, 8, 7, 6, 5, 4, 3};
      f.records.push_back(r);
    }
  }
  return f;
}

std::vector<TQuadripole> QuadsOf(const TDataset& ds) { return ds.Quads.Storage(); }

class SyscalSequenceWriterTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  TDataset ds;
  RecordingMessenger messenger;
  std::vector<SaveDialogDescription> dialogs;  // every dialog shown
  std::optional<std::string> answer;      // the chooser's answer

  TargetChooser Chooser() {
    return [this](const SaveDialogDescription& d) {
      dialogs.push_back(d);
      return answer;
    };
  }

  // Reads a file the way the open command does: one set for the file.
  void Load(TDataset& target, const std::string& path) {
    ReadEnvironment env{messenger, "", nullptr};
    target = TDataset{};
    ReadIntoDataset(target, ReadInstrumentFile, {path}, env);
    ASSERT_NE(target.DataKind, DataKindNone);
    ASSERT_TRUE(AddSet(target, 1, target.PointCount, target.ArrayType));
    target.SetNames = {"loaded"};
  }

  SyscalSaveResult Save(SyscalSaveCaller caller = SyscalSaveCaller::UserInterface, bool reciprocal = false) {
    return SaveSyscalSequence(ds, caller, reciprocal, Chooser(), messenger);
  }
};

TEST_F(SyscalSequenceWriterTest, SequenceTakesItsTitleFromTheChosenName) {
  const SyscalImage image = WennerImage(5, false);
  Load(ds, scratch.Write("old.seq", image.Bytes()));
  answer = scratch.PathOf("line 3.seq");

  const SyscalSaveResult result = Save();

  ASSERT_EQ(result.outcome, SaveOutcome::Written);
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].proposedName, scratch.PathOf("old.seq"));
  EXPECT_EQ(dialogs[0].defaultExt, "SEQ");
  EXPECT_EQ(dialogs[0].filter, "SysCal Sequence files|*.seq");
  EXPECT_EQ(result.sequenceTitle, "LINE 3");
  EXPECT_EQ(ds.SeqHeader.TitleText(), "LINE 3");
  EXPECT_EQ(ds.FileName, *answer);
  EXPECT_EQ(ds.SetNames[0], "line 3.seq - " + scratch.Path().string());
  EXPECT_TRUE(messenger.entries.empty());

  TDataset back;
  Load(back, *answer);
  EXPECT_EQ(back.DataKind, DataKindSequence);
  EXPECT_EQ(back.SeqHeader.TitleText(), "LINE 3");
  EXPECT_EQ(back.FileHeader, ds.FileHeader);
  EXPECT_EQ(back.FileHeader.DocType, DocTypeOld);
  EXPECT_EQ(QuadsOf(back), image.quads);
  for (int n = 1; n <= LineElectrodes; ++n) EXPECT_EQ(back.Electrodes[n], image.electrodes[n - 1]);

  // A long name fills nine characters; the tenth stays NUL, so nothing of
  // the previous ten-character title survives.
  answer = scratch.PathOf("northsequence.seq");
  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_EQ(ds.SeqHeader.TitleText(), "NORTHSEQU");
  Load(back, *answer);
  EXPECT_EQ(back.SeqHeader.TitleText(), "NORTHSEQU");
}

TEST_F(SyscalSequenceWriterTest, BackupNames) {
  const fs::path dir = scratch.Path();
  const struct {
    std::string name, backup;
  } cases[] = {
      {"LINE1.SEQ", "LINE1.~EQ"},
      {"line 3.seq", "line 3.~eq"},
      {"P1.001", "P1.~01"},
      {"a.b.seq", "aeq.~eq"},  // the four characters from the first dot go
      {"LINE1", "LINE1.~"},    // never the file itself
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SyscalBackupName((dir / c.name).string()), (dir / c.backup).string()) << c.name;
  }
}

TEST_F(SyscalSequenceWriterTest, SavingOverAFileKeepsTheOldOneAsBackup) {
  Load(ds, scratch.Write("start.seq", WennerImage(5, false).Bytes()));
  const std::string target = scratch.Write("LINE1.SEQ", "previous sequence");
  const fs::path backup = scratch.Path() / "LINE1.~EQ";
  answer = target;

  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_EQ(test::ReadWhole(backup), "previous sequence");
  const std::string firstSave = test::ReadWhole(target);
  EXPECT_EQ(firstSave.size(), SyscalHeadersSize + LineElectrodes * TElectrode::Size + 5 * TQuadripole::Size);

  // Saving again replaces that backup with the file just written.
  ToggleDeletedMark(ds.Points[2]);
  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_EQ(test::ReadWhole(backup), firstSave);
  EXPECT_NE(test::ReadWhole(target), firstSave);
  EXPECT_TRUE(messenger.entries.empty());
}

TEST_F(SyscalSequenceWriterTest, BackupThatCannotBeMadeIsReportedAndTheFileStillWritten) {
  Load(ds, scratch.Write("start.seq", WennerImage(5, false).Bytes()));
  const std::string target = scratch.Write("LINE1.SEQ", "previous sequence");
  // A folder that is not empty cannot be deleted to make room for the backup.
  fs::create_directory(scratch.Path() / "LINE1.~EQ");
  scratch.Write("LINE1.~EQ/keep", "x");
  answer = target;

  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"It is impossibe to create backup file"});
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  TDataset back;
  Load(back, target);
  EXPECT_EQ(QuadsOf(back), QuadsOf(ds));
}

TEST_F(SyscalSequenceWriterTest, DeletedPointsAreLeftOutWhileMemoryKeepsThem) {
  const SyscalImage image = WennerImage(6, false);
  Load(ds, scratch.Write("six.seq", image.Bytes()));
  for (int i : {2, 4, 5}) ToggleDeletedMark(ds.Points[i]);
  answer = scratch.PathOf("kept.seq");

  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_EQ(ds.SeqHeader.QuadCount, 6);
  EXPECT_EQ(QuadsOf(ds), image.quads);
  EXPECT_EQ(ds.Points[2].Q, QPlanned ^ DeletedMark);

  TDataset back;
  Load(back, *answer);
  EXPECT_EQ(back.SeqHeader.QuadCount, 3);
  EXPECT_EQ(QuadsOf(back), (std::vector<TQuadripole>{image.quads[0], image.quads[2], image.quads[5]}));

  // The merge of sequences writes its list whole.
  answer = scratch.PathOf("merged.seq");
  ASSERT_EQ(Save(SyscalSaveCaller::Merge).outcome, SaveOutcome::Written);
  Load(back, *answer);
  EXPECT_EQ(QuadsOf(back), image.quads);
}

TEST_F(SyscalSequenceWriterTest, SequenceGroupedByArrayTypeWritesTheLastSetsOwnQuadripoles) {
  // Wenner and dipole-dipole interleaved: read from text, the points are
  // grouped by array type and the dipole-dipole set comes last.
  const auto templateBytes = MakeTemplateBytes();
  ReadEnvironment env{messenger, scratch.Write(TemplateFileName, std::string(templateBytes.begin(), templateBytes.end())),
                      nullptr};
  std::string text = "# X Y Z\r\n";
  for (int n = 1; n <= 10; ++n) text += std::to_string(n) + "\t" + std::to_string(n - 1) + " 0 0\r\n";
  text += "# A B M N\r\n1\t1\t4\t2\t3\r\n2\t5\t4\t7\t8\r\n3\t2\t5\t3\t4\r\n4\t7\t6\t9\t10\r\n";
  ReadIntoDataset(ds, ReadElectreIISequence, {scratch.Write("mixed.txt", text), 0}, env);
  ASSERT_EQ(ds.DataKind, DataKindSequence);
  ASSERT_EQ(ds.SetCount, 2);
  ASSERT_EQ(ds.Sets[2].Type, DipoleDipole);
  answer = scratch.PathOf("dd.seq");

  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  TDataset back;
  Load(back, *answer);
  ASSERT_EQ(back.Quads.Size(), 2);
  EXPECT_EQ((std::array<int, 4>{back.Quads[1].A, back.Quads[1].B, back.Quads[1].M, back.Quads[1].N}),
            (std::array<int, 4>{5, 4, 7, 8}));
  EXPECT_EQ((std::array<int, 4>{back.Quads[2].A, back.Quads[2].B, back.Quads[2].M, back.Quads[2].N}),
            (std::array<int, 4>{7, 6, 9, 10}));
}

TEST_F(SyscalSequenceWriterTest, DataFileIsRewrittenInPlaceWithEachPointsQ) {
  const SyscalImage image = WennerImage(4, true);
  const std::string original = image.Bytes();
  const std::string path = scratch.Write("P1.001", original);
  Load(ds, path);
  ASSERT_EQ(ds.DataKind, DataKindInstrument);
  ToggleDeletedMark(ds.Points[2]);  // 2 -> 255
  ds.Points[3].Q = QRejected;

  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_TRUE(dialogs.empty());
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(test::ReadWhole(scratch.Path() / "P1.~01"), original);

  // The file read, byte for byte, with only the deviation fields changed.
  std::string expected = original;
  const std::uint8_t q[] = {ds.Points[1].Q, ds.Points[2].Q, ds.Points[3].Q, ds.Points[4].Q};
  EXPECT_EQ(q[1], 2 ^ DeletedMark);
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t dev = image.RecordStart() + i * TSyscalRecord::Size + 8;
    expected[dev] = static_cast<char>(q[i]);
    expected[dev + 1] = 0;
  }
  EXPECT_EQ(test::ReadWhole(path), expected);

  TDataset back;
  Load(back, path);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(back.Points[i].Q, q[i - 1]) << i;
}

TEST_F(SyscalSequenceWriterTest, ReciprocalFlagWritesEachQuadripoleReversed) {
  const SyscalImage image = WennerImage(3, false);
  Load(ds, scratch.Write("wenner.seq", image.Bytes()));
  answer = scratch.PathOf("recip.seq");

  ASSERT_EQ(Save(SyscalSaveCaller::UserInterface, true).outcome, SaveOutcome::Written);
  EXPECT_EQ(QuadsOf(ds), image.quads);

  const std::string bytes = test::ReadWhole(*answer);
  ASSERT_EQ(bytes.size(), image.RecordStart());
  std::vector<std::uint8_t> raw(bytes.begin(), bytes.end());
  ByteReader in(std::span<const std::uint8_t>(raw).subspan(image.QuadStart()));
  const TQuadripole first = TQuadripole::Decode(in);
  EXPECT_EQ(first, (TQuadripole{2, 3, 1, 4, 1, static_cast<float>(TwoPi)}));
  for (std::size_t k = 1; k < image.quads.size(); ++k) {
    const TQuadripole& q = image.quads[k];
    EXPECT_EQ(TQuadripole::Decode(in), (TQuadripole{q.M, q.N, q.A, q.B, q.Flag, q.K}));
  }
}

TEST_F(SyscalSequenceWriterTest, ShiftIsAddedToTheLayoutOnce) {
  Load(ds, scratch.Write("wenner.seq", WennerImage(3, false).Bytes()));
  ds.XShift = 10;
  answer = scratch.PathOf("shifted.seq");
  ASSERT_EQ(Save().outcome, SaveOutcome::Written);
  EXPECT_EQ(ds.XShift, 0.0f);
  ASSERT_EQ(Save().outcome, SaveOutcome::Written);

  TDataset back;
  Load(back, *answer);
  EXPECT_EQ(back.Electrodes[1].X, 10.0f);
  EXPECT_EQ(back.Electrodes[LineElectrodes].X, 10.0f + LineElectrodes - 1);
}

TEST_F(SyscalSequenceWriterTest, NothingIsWrittenWhenTheCommandDoesNotApplyOrIsCancelled) {
  const std::string source = WennerImage(3, false).Bytes();
  struct Case {
    const char* name;
    bool readOnly;
    bool cancel;
    SaveOutcome outcome;
    std::size_t dialogs;
  };
  const Case cases[] = {
      {"read-only data", true, false, SaveOutcome::Refused, 0},
      {"cancelled dialog", false, true, SaveOutcome::Cancelled, 1},
  };
  for (const Case& c : cases) {
    Load(ds, scratch.Write("wenner.seq", source));
    ds.ReadOnlyData = c.readOnly;
    dialogs.clear();
    answer = c.cancel ? std::nullopt : std::optional<std::string>(scratch.PathOf("out.seq"));
    EXPECT_EQ(Save().outcome, c.outcome) << c.name;
    EXPECT_EQ(dialogs.size(), c.dialogs) << c.name;
    EXPECT_FALSE(fs::exists(scratch.Path() / "out.seq")) << c.name;
    EXPECT_EQ(test::ReadWhole(scratch.Path() / "wenner.seq"), source) << c.name;
  }
  ds = TDataset{};
  EXPECT_EQ(Save().outcome, SaveOutcome::Refused);
}

}  // namespace
}  // namespace tarvo
