#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/import/abem_protocol_reader.h"
#include "engine/import/read_environment.h"
#include "engine/import/syscal_template.h"
#include "engine/sequences/abem_protocol_writer.h"
#include "test_files.h"
#include "test_support.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A one-set sequence on `electrodes` electrodes 1 m apart; point i plans
// quadripole i.
TDataset Sequence(int electrodes, std::uint8_t type, std::initializer_list<std::array<int, 4>> quads) {
  TDataset ds;
  test::MakeLine(ds, electrodes, 1.0f);
  test::SetQuads(ds, quads);
  const int n = ds.Quads.Size();
  ds.Points.Resize(n);
  ds.PointCount = n;
  for (int i = 1; i <= n; ++i) ds.Points[i].Number = i;
  ds.DataKind = DataKindSequence;
  ds.ArrayType = type;
  ds.FileName = "/field/line1.seq";
  AddSet(ds, 1, n, type);
  ds.SelectedSetEntry = 0;
  ds.SequenceSetCount = 1;
  return ds;
}

TargetChooser ChooseFile(const std::string& path, std::vector<SaveDialogDescription>* shown = nullptr) {
  return [path, shown](const SaveDialogDescription& d) -> std::optional<std::string> {
    if (shown != nullptr) shown->push_back(d);
    return path;
  };
}

// Keeps the preset, and remembers it.
CableChooser KeepPreset(std::optional<CableLayout>* preset = nullptr) {
  return [preset](CableLayout p) {
    if (preset != nullptr) *preset = p;
    return p;
  };
}

TEST(AbemProtocolWriter, WennerSequenceWritesThreeFiles) {
  TDataset ds = Sequence(64, Wenner, {{1, 4, 2, 3}});
  ds.LevelCount = 9;
  test::ScratchFolder folder;
  RecordingMessenger messenger;
  std::vector<SaveDialogDescription> shown;
  std::optional<CableLayout> preset;

  const AbemSaveResult r =
      SaveAbemProtocol(ds, ChooseFile(folder.PathOf("line1.org"), &shown), KeepPreset(&preset), messenger);

  ASSERT_EQ(r.outcome, SaveOutcome::Written);
  EXPECT_EQ(r.orgPath, folder.PathOf("line1.org"));
  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].proposedName, "/field/line1.org");
  EXPECT_EQ(shown[0].defaultExt, "org");
  EXPECT_EQ(shown[0].filter, "ABEM org file|*.org");
  EXPECT_EQ(preset, CableLayout::Short32);

  const std::string header = "1 Wenner (AMNB)\r\nShort32\r\n";
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line1.org")), header + " 1  4  2  3\r\n"));
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line1.up")), header));  // h = 32: 33..64 untouched
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("line1.dwn")), header + " 1  4  2  3\r\n"));
}

TEST(AbemProtocolWriter, RollAlongFilesHoldTheQuadripolesTouchingTheMovedCables) {
  const TDataset ds = Sequence(64, DipoleDipole, {{30, 31, 34, 35}, {40, 42, 48, 50}, {1, 2, 9, 10}});
  const std::string middle = "30 31 34 35\r\n";
  const std::string upper = "40 42 48 50\r\n";
  const std::string lower = " 1  2  9 10\r\n";

  const AbemProtocolTexts s = AbemProtocolFiles(ds, CableLayout::Short32);  // h = 32
  const std::string shortHeader = "5 dipole-dipole (ABMN)\r\nShort32\r\n";
  EXPECT_TRUE(test::SameBytes(s.org, shortHeader + middle + upper + lower));
  EXPECT_TRUE(test::SameBytes(s.up, shortHeader + middle + upper));
  EXPECT_TRUE(test::SameBytes(s.dwn, shortHeader + middle + lower));

  const AbemProtocolTexts l = AbemProtocolFiles(ds, CableLayout::Long32);  // h = 16: 49..64 and 1..16
  const std::string longHeader = "5 dipole-dipole (ABMN)\r\nLong32\r\n";
  EXPECT_TRUE(test::SameBytes(l.up, longHeader + upper));
  EXPECT_TRUE(test::SameBytes(l.dwn, longHeader + lower));
}

TEST(AbemProtocolWriter, LongCablePresetFollowsTheLevelCount) {
  TDataset ds = Sequence(64, Wenner, {{1, 4, 2, 3}});
  ds.LevelCount = 10;
  EXPECT_EQ(PresetCableLayout(ds), CableLayout::Long32);
  ds.LevelCount = 9;
  EXPECT_EQ(PresetCableLayout(ds), CableLayout::Short32);
}

TEST(AbemProtocolWriter, TinySpreadsHaveNoRollAlong) {
  struct Case {
    int electrodes;
    CableLayout cable;
    int step;
  };
  for (const Case c : {Case{1, CableLayout::Short32, 0}, Case{2, CableLayout::Short32, 1},
                       Case{3, CableLayout::Long32, 0}, Case{4, CableLayout::Long32, 1},
                       Case{0, CableLayout::Long32, 0}, Case{-5, CableLayout::Short32, 0},
                       Case{161, CableLayout::Long32, 40}}) {
    EXPECT_EQ(RollAlongStep(c.electrodes, c.cable), c.step) << c.electrodes;
  }

  const TDataset ds = Sequence(3, PolePole, {{1, 0, 2, 0}, {3, 0, 2, 0}});
  const AbemProtocolTexts t = AbemProtocolFiles(ds, CableLayout::Long32);
  const std::string header = "4 pole-pole (AM)\r\nLong32\r\n";
  EXPECT_TRUE(test::SameBytes(t.org, header + " 1  0  2  0\r\n 3  0  2  0\r\n"));
  EXPECT_TRUE(test::SameBytes(t.up, header));
  EXPECT_TRUE(test::SameBytes(t.dwn, header));
}

TEST(AbemProtocolWriter, ArrayCodes) {
  const std::array<int, 11> codes = {0, 4, 10, 1, 6, 6, 5, 2, 0, 0, 0};  // types 0..10
  for (int type = 0; type <= 10; ++type) EXPECT_EQ(AbemArrayCode(type), codes[static_cast<std::size_t>(type)]) << type;
  EXPECT_EQ(AbemArrayCode(-1), 0);

  const TDataset reverse = Sequence(8, ReversePoleDipole, {{8, 0, 1, 2}});
  EXPECT_EQ(test::SplitCrlf(AbemProtocolFiles(reverse, CableLayout::Short32).org)[0], "6 reverse pole-dipole (MNB)");
  const TDataset asymmetrical = Sequence(8, Asymmetrical, {{1, 8, 2, 3}});
  EXPECT_EQ(test::SplitCrlf(AbemProtocolFiles(asymmetrical, CableLayout::Short32).org)[0], "0 Asymmetrical (AMNB)");
}

TEST(AbemProtocolWriter, WritesTheLastSetWhateverSetIsSelected) {
  // Set 1: a Wenner sequence on 32 electrodes; set 2, appended: a dipole-dipole
  // sequence on 16 electrodes, whose quadripoles the dataset now holds.
  TDataset ds = Sequence(32, Wenner, {{1, 4, 2, 3}, {2, 5, 3, 4}});
  test::MakeLine(ds, 16, 1.0f);
  test::SetQuads(ds, {{1, 2, 3, 4}, {13, 14, 15, 16}, {5, 6, 7, 8}});
  for (int i = 1; i <= 3; ++i) {
    ds.Points.Append(TDataPoint{});
    ds.Points[2 + i].Number = i;
  }
  ds.PointCount = 5;
  AddSet(ds, 3, 5, DipoleDipole);
  ds.SequenceSetCount = 1;
  SelectSet(ds, 1);
  ASSERT_EQ(ds.ArrayType, Wenner);

  test::ScratchFolder folder;
  RecordingMessenger messenger;
  const AbemSaveResult r = SaveAbemProtocol(
      ds, ChooseFile(folder.PathOf("two.org")), [](CableLayout) { return CableLayout::Short32; }, messenger);

  ASSERT_EQ(r.outcome, SaveOutcome::Written);
  EXPECT_EQ(ds.SelectedSetEntry, 1);
  EXPECT_EQ(ds.ArrayType, DipoleDipole);
  const std::string header = "5 dipole-dipole (ABMN)\r\nShort32\r\n";
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("two.org")),
                              header + " 1  2  3  4\r\n13 14 15 16\r\n 5  6  7  8\r\n"));
  // 16 electrodes: h = 8, so .up holds what touches 9..16.
  EXPECT_TRUE(test::SameBytes(test::ReadWhole(folder.PathOf("two.up")), header + "13 14 15 16\r\n"));
  EXPECT_TRUE(
      test::SameBytes(test::ReadWhole(folder.PathOf("two.dwn")), header + " 1  2  3  4\r\n 5  6  7  8\r\n"));
}

TEST(AbemProtocolWriter, CancelRefusalAndWriteFailure) {
  test::ScratchFolder folder;

  {  // Cancelled: nothing written, nothing said, the cable never asked.
    TDataset ds = Sequence(16, Wenner, {{1, 4, 2, 3}});
    RecordingMessenger messenger;
    bool cableAsked = false;
    const AbemSaveResult r = SaveAbemProtocol(
        ds, [](const SaveDialogDescription&) { return std::optional<std::string>{}; },
        [&cableAsked](CableLayout p) {
          cableAsked = true;
          return p;
        },
        messenger);
    EXPECT_EQ(r.outcome, SaveOutcome::Cancelled);
    EXPECT_FALSE(cableAsked);
    EXPECT_TRUE(messenger.entries.empty());
  }
  {  // Nothing to write: refused without a dialog or a message.
    TDataset ds;
    RecordingMessenger messenger;
    bool asked = false;
    const AbemSaveResult r = SaveAbemProtocol(
        ds,
        [&asked](const SaveDialogDescription&) {
          asked = true;
          return std::optional<std::string>{"x.org"};
        },
        KeepPreset(), messenger);
    EXPECT_EQ(r.outcome, SaveOutcome::Refused);
    EXPECT_FALSE(asked);
    EXPECT_TRUE(messenger.entries.empty());
  }
  {  // A folder that does not exist: the platform's message with the file name.
    TDataset ds = Sequence(16, Wenner, {{1, 4, 2, 3}});
    RecordingMessenger messenger;
    const std::string target = folder.PathOf("missing/line.org");
    const AbemSaveResult r = SaveAbemProtocol(ds, ChooseFile(target), KeepPreset(), messenger);
    EXPECT_EQ(r.outcome, SaveOutcome::Failed);
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{std::string(std::strerror(ENOENT)) + "\r\n" + target});
    ASSERT_EQ(messenger.entries.size(), 1u);
    EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  }
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST(AbemProtocolWriter, WrittenProtocolReadsBackToTheSameQuadripoles) {
  // The protocol reader places up to 41 electrodes itself.
  const TDataset ds = Sequence(12, Wenner, {{1, 4, 2, 3}, {2, 5, 3, 4}, {1, 7, 3, 5}, {6, 12, 8, 10}});
  test::ScratchFolder folder;
  const auto bytes = MakeTemplateBytes();
  const std::string templatePath = folder.Write("tarvo.bin", std::string(bytes.begin(), bytes.end()));

  TDataset read;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, templatePath, nullptr};
  ReadIntoDataset(read, ReadProtocol, {folder.Write("line.org", AbemProtocolFiles(ds, CableLayout::Short32).org)}, env);

  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(read.DataKind, DataKindSequence);
  EXPECT_EQ(read.ArrayType, Wenner);
  ASSERT_EQ(read.Quads.Size(), ds.Quads.Size());
  for (int i = 1; i <= ds.Quads.Size(); ++i) {
    const TQuadripole& a = ds.Quads[i];
    const TQuadripole& b = read.Quads[i];
    EXPECT_EQ((std::array<int, 4>{b.A, b.B, b.M, b.N}), (std::array<int, 4>{a.A, a.B, a.M, a.N})) << i;
  }
}

}  // namespace
}  // namespace tarvo
