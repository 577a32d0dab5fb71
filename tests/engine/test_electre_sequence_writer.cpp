#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/import/electre_reader.h"
#include "engine/import/syscal_template.h"
#include "engine/sequences/electre_sequence_writer.h"
#include "test_files.h"
#include "test_support.h"

namespace tarvo {
namespace {

// A planned sequence held the way the readers leave it: electrodes at
// X = (n - 1) m, one point per quadripole numbered in order, one set.
void MakeSequence(TDataset& ds, int electrodes, std::initializer_list<std::array<int, 4>> quads) {
  test::MakeLine(ds, electrodes, 1.0f);
  test::SetQuads(ds, quads);
  ds.Points.Resize(ds.Quads.Size());
  ds.PointCount = ds.Quads.Size();
  for (int i = 1; i <= ds.PointCount; ++i) {
    ds.Points[i].Number = static_cast<std::int16_t>(i);
    ds.Points[i].Q = QPlanned;
  }
  ds.DataKind = DataKindSequence;
  ds.SetCount = 0;
  ASSERT_TRUE(AddSet(ds, 1, ds.PointCount, 3));
  ds.SequenceSetCount = 1;
}

const std::string Header4 =
    "# X Y Z\r\n"
    "1\t0 0 0\r\n"
    "2\t1 0 0\r\n"
    "3\t2 0 0\r\n"
    "4\t3 0 0\r\n"
    "# A B M N\r\n";

TEST(ElectreSequenceText, WennerQuadripoleAndItsReciprocal) {
  TDataset ds;
  MakeSequence(ds, 4, {{1, 4, 2, 3}});
  EXPECT_EQ(ElectreSequenceText(ds, ElectreSender::Other, false, 2), Header4 + "1\t1\t4\t2\t3\r\n");
  EXPECT_EQ(ElectreSequenceText(ds, ElectreSender::Other, true, 2), Header4 + "1\t2\t3\t1\t4\r\n");
}

TEST(ElectreSequenceText, ElectrodeAbscissasUseTheNumberFormat) {
  TDataset ds;
  MakeSequence(ds, 3, {{1, 0, 2, 0}});
  ds.Electrodes[2].X = 12.5f;
  ds.Electrodes[3].X = 250000.0f;
  EXPECT_EQ(ElectreSequenceText(ds, ElectreSender::None, false, 2),
            "# X Y Z\r\n1\t0 0 0\r\n2\t12.5 0 0\r\n3\t2.50E+5 0 0\r\n# A B M N\r\n1\t1\t0\t2\t0\r\n");
}

TEST(ElectreSequenceText, NumberingFollowsTheCaller) {
  TDataset ds;
  MakeSequence(ds, 8, {{1, 4, 2, 3}, {2, 5, 3, 4}, {3, 6, 4, 5}, {4, 7, 5, 6}, {5, 8, 6, 7}});
  ToggleDeletedMark(ds.Points[3]);
  const std::string wenner1 = "1\t1\t4\t2\t3\r\n", wenner2 = "2\t2\t5\t3\t4\r\n";
  const auto body = [&](ElectreSender sender) {
    const std::string text = ElectreSequenceText(ds, sender, false, 2);
    return text.substr(text.find("# A B M N\r\n") + 11);
  };

  // The action leaves the deleted third point out and keeps the point numbers.
  EXPECT_EQ(body(ElectreSender::Other), wenner1 + wenner2 + "4\t4\t7\t5\t6\r\n5\t5\t8\t6\t7\r\n");
  // The merged list is written whole, numbered 1..n.
  EXPECT_EQ(body(ElectreSender::None),
            wenner1 + wenner2 + "3\t3\t6\t4\t5\r\n4\t4\t7\t5\t6\r\n5\t5\t8\t6\t7\r\n");

  // A second set continues the dataset's point numbering; Extract writes the
  // selected set only, the action the sets of the last sequence.
  ds.Sets[1].Last = 2;
  ASSERT_TRUE(AddSet(ds, 3, 5, 3));
  ds.SequenceSetCount = 2;
  ds.SelectedSetEntry = 1;
  EXPECT_EQ(body(ElectreSender::Extract), "4\t4\t7\t5\t6\r\n5\t5\t8\t6\t7\r\n");
  ds.SequenceSetCount = 1;
  EXPECT_EQ(body(ElectreSender::Other), "4\t4\t7\t5\t6\r\n5\t5\t8\t6\t7\r\n");
  ds.SelectedSetEntry = 0;
  EXPECT_EQ(body(ElectreSender::Extract), wenner1 + wenner2);
}

class ElectreSequenceWriterTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  RecordingMessenger messenger;
  std::vector<SaveDialogDescription> dialogs;
  std::optional<std::string> answer;

  TargetChooser Chooser() {
    return [this](const SaveDialogDescription& d) {
      dialogs.push_back(d);
      return answer;
    };
  }

  void Read(TDataset& ds, const std::string& path) {
    const auto bytes = MakeTemplateBytes();
    ReadEnvironment env{messenger, scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end())), nullptr};
    ds = TDataset{};
    ReadIntoDataset(ds, ReadElectreIISequence, {path, 0}, env);
    ASSERT_EQ(ds.DataKind, DataKindSequence);
  }
};

TEST_F(ElectreSequenceWriterTest, WrittenFileReadsBackToTheSameQuadripoles) {
  // Wenner and dipole-dipole interleaved: the reader groups them by array
  // type, and the file written lists them in the points' order.
  const std::string source = "# X Y Z\r\n" + [] {
    std::string t;
    for (int n = 1; n <= 10; ++n) t += std::to_string(n) + "\t" + std::to_string(2 * (n - 1)) + " 0 0\r\n";
    return t;
  }() + "# A B M N\r\n1\t1\t4\t2\t3\r\n2\t5\t4\t6\t7\r\n3\t2\t5\t3\t4\r\n4\t7\t6\t8\t9\r\n5\t3\t6\t4\t5\r\n";
  TDataset ds;
  Read(ds, scratch.Write("line.txt", source));
  ToggleDeletedMark(ds.Points[2]);
  std::vector<TQuadripole> kept;
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (i != 2) kept.push_back(ds.Quads[ds.Points[i].Number]);
  }
  answer = scratch.PathOf("written.txt");

  ASSERT_EQ(SaveElectreSequence(ds, ElectreSender::Other, false, 2, Chooser(), messenger).outcome, SaveOutcome::Written);
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].proposedName, scratch.PathOf("line.txt"));
  EXPECT_EQ(dialogs[0].defaultExt, "TXT");
  EXPECT_EQ(dialogs[0].filter, "ElectreII sequence files|*.txt");
  EXPECT_EQ(ds.FileName, scratch.PathOf("line.txt"));

  TDataset back;
  Read(back, *answer);
  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(back.Quads.Size(), static_cast<int>(kept.size()));
  for (int q = 1; q <= back.Quads.Size(); ++q) {
    const TQuadripole& got = back.Quads[q];
    const TQuadripole& want = kept[static_cast<std::size_t>(q - 1)];
    EXPECT_EQ((std::array<int, 4>{got.A, got.B, got.M, got.N}), (std::array<int, 4>{want.A, want.B, want.M, want.N}))
        << q;
    EXPECT_TRUE(ApproxEqual(got.K, want.K)) << q;
  }
  for (int n = 1; n <= 10; ++n) EXPECT_EQ(back.Electrodes[n].X, ds.Electrodes[n].X);
}

TEST_F(ElectreSequenceWriterTest, ShiftIsAddedToTheLayoutOnceAndMeasuredDataAreRefused) {
  TDataset ds;
  MakeSequence(ds, 4, {{1, 4, 2, 3}});
  ds.FileName = scratch.PathOf("w.seq");
  ds.XShift = 5;
  answer = scratch.PathOf("w.txt");
  ASSERT_EQ(SaveElectreSequence(ds, ElectreSender::Other, false, 2, Chooser(), messenger).outcome, SaveOutcome::Written);
  EXPECT_EQ(dialogs.back().proposedName, scratch.PathOf("w.txt"));
  EXPECT_EQ(ds.XShift, 0.0f);
  EXPECT_EQ(test::ReadWhole(*answer).substr(0, 30), "# X Y Z\r\n1\t5 0 0\r\n2\t6 0 0\r\n3\t7");

  // With a sender only a sequence is written; the merge writes any data.
  ds.DataKind = DataKindInstrument;
  dialogs.clear();
  EXPECT_EQ(SaveElectreSequence(ds, ElectreSender::Other, false, 2, Chooser(), messenger).outcome, SaveOutcome::Refused);
  EXPECT_TRUE(dialogs.empty());
  answer = std::nullopt;
  EXPECT_EQ(SaveElectreSequence(ds, ElectreSender::None, false, 2, Chooser(), messenger).outcome, SaveOutcome::Cancelled);
  EXPECT_EQ(dialogs.size(), 1u);
}

}  // namespace
}  // namespace tarvo
