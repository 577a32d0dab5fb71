#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/numbers.h"
#include "engine/import/electre_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// Electrode table of n electrodes at X = (k - 1) * spacing, as the ElectreII
// software writes it, followed by the quadripole table's title.
std::string ElectrodeTable(int n, float spacing) {
  std::string text = "# X Y Z\r\n";
  for (int k = 1; k <= n; ++k) {
    text += std::to_string(k) + " " + FormatValue((k - 1) * spacing, 2) + " 0.00 0.00\r\n";
  }
  return text + "# A\t B\t  M\t   N\r\n";
}

class ElectreReaderTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  const fs::path dir = scratch.Path();
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};

  void SetUp() override {
    const auto bytes = MakeTemplateBytes();
    env.templatePath = scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
  }

  void Read(const std::string& text, int firstSet = 0, ElectreMode mode = ElectreMode::Normal) {
    const auto reader = [mode](const ReadSource& s, TDataset& d, ReadEnvironment& e) {
      return ReadElectreII(s, d, e, mode);
    };
    ReadIntoDataset(ds, reader, {scratch.Write("seq.txt", text), firstSet}, env);
  }

  void ExpectNothingLoaded() const {
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_TRUE(ds.Points.Empty());
    EXPECT_TRUE(ds.Quads.Empty());
  }
};

TEST_F(ElectreReaderTest, SequenceBecomesOneSetPerArrayTypeWithK) {
  // Wenner a = 1, 2 and dipole-dipole a = 1, n = 2, interleaved, after a
  // preamble the reader skips.
  Read("ElectreII sequence\r\n" + ElectrodeTable(48, 1.0f) +
       "1\t1\t4\t2\t3\r\n"
       "2\t11\t10\t13\t14\r\n"
       "3\t1\t7\t3\t5\r\n");

  ASSERT_EQ(ds.DataKind, DataKindSequence);
  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(ds.PointCount, 3);
  ASSERT_EQ(ds.SetCount, 2);
  EXPECT_EQ(ds.SequenceSetCount, 2);
  EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 2, Wenner}));
  EXPECT_EQ(ds.Sets[2], (TSetEntry{3, 3, DipoleDipole}));
  EXPECT_EQ(ds.SetNames, (std::vector<std::string>{"Wenner (AMNB)", "dipole-dipole (ABMN)"}));
  EXPECT_EQ(ds.SeqHeader.ElectrodeTotal, 48);
  EXPECT_EQ(ds.FileHeader.OperatorText(), "ElecreII");
  EXPECT_FALSE(ds.ReadOnlyData);

  // Closed forms: Wenner 2 pi a, dipole-dipole pi n (n + 1) (n + 2) a.
  const double expectedK[] = {0, TwoPi * 1, std::numbers::pi * 2 * 3 * 4, TwoPi * 2};
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    ASSERT_GE(p.Number, 1);
    EXPECT_NEAR(p.Rho, expectedK[p.Number], 1e-4) << "quadripole " << p.Number;
    EXPECT_FLOAT_EQ(ds.Quads[p.Number].K, p.Rho);
    EXPECT_EQ(p.Q, 255);
    EXPECT_EQ(p.ElectrodeCount, 4);
  }
}

TEST_F(ElectreReaderTest, RemoteElectrodesMakePoleArrays) {
  Read(ElectrodeTable(6, 1.0f) +
       "5 1 Rem 3 4\n"  // A at 0, M at 2, N at 3
       "6 6 0 2 0\n");  // A at 5, M at 1: pole-pole, absent electrodes written as 0

  ASSERT_EQ(ds.DataKind, DataKindSequence);
  ASSERT_EQ(ds.PointCount, 2);
  const TDataPoint* poleDipole = nullptr;
  const TDataPoint* polePole = nullptr;
  for (int i = 1; i <= 2; ++i) (ds.Points[i].Number == 1 ? poleDipole : polePole) = &ds.Points[i];

  EXPECT_EQ(poleDipole->ElectrodeCount, 3);
  EXPECT_EQ(poleDipole->PointType, ForwardPoleDipole);
  EXPECT_FLOAT_EQ(poleDipole->XB, poleDipole->XA);
  EXPECT_NEAR(poleDipole->Rho, TwoPi / (1.0 / 2 - 1.0 / 3), 1e-4);
  EXPECT_EQ(ds.Quads[1], (TQuadripole{1, 0, 3, 4, 1, poleDipole->Rho}));

  EXPECT_EQ(polePole->ElectrodeCount, 2);
  EXPECT_EQ(polePole->PointType, PolePole);
  EXPECT_FLOAT_EQ(polePole->XA, 5.0f);
  EXPECT_FLOAT_EQ(polePole->XM, 1.0f);
  EXPECT_NEAR(polePole->Rho, TwoPi * 4, 1e-4);
}

TEST_F(ElectreReaderTest, AppendedSequenceNumbersItsSetsAfterTheExistingOnes) {
  Read(ElectrodeTable(8, 2.0f) + "1 1 4 2 3\r\n2 1 2 4 5\r\n", 3);
  ASSERT_EQ(ds.DataKind, DataKindSequence);
  EXPECT_EQ(ds.SetCount, 2);  // the sets this read created
  EXPECT_EQ(ds.Sets[4].Type, Wenner);
  EXPECT_EQ(ds.Sets[5].Type, DipoleDipole);
  EXPECT_EQ(ds.SetNames[4], "dipole-dipole (ABMN)");
}

TEST_F(ElectreReaderTest, SequenceOnlyModeFillsQuadripolesAndElectrodesOnly) {
  Read(ElectrodeTable(4, 2.5f) + "1 1 4 2 3\r\n2 1 2 3 4\r\n\r\n", 0, ElectreMode::SequenceOnly);
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(ds.DataKind, DataKindNone);
  EXPECT_EQ(ds.PointCount, 2);  // the empty last line is no quadripole
  ASSERT_EQ(ds.Quads.Size(), 2);
  EXPECT_EQ(ds.Quads[2], (TQuadripole{1, 2, 3, 4, 1, ds.Quads[2].K}));
  EXPECT_FLOAT_EQ(ds.Electrodes[4].X, 7.5f);
  EXPECT_EQ(ds.Electrodes[4].Number, 4);
  EXPECT_TRUE(ds.Points.Empty());
  EXPECT_EQ(ds.SetCount, 0);
}

TEST_F(ElectreReaderTest, SectionsAfterTheQuadripolesAreNoQuadripoles) {
  // The level of each quadripole, as some sequences carry it, with blank
  // lines around it.
  const std::string quadripoles = "1 1 4 2 3\r\n2 2 5 3 4\r\n3 3 6 4 5\r\n";
  const std::string text = ElectrodeTable(6, 1.0f) + quadripoles + "\r\n# Level\r\n1 1\r\n2 1\r\n3 2\r\n\r\n";
  for (const ElectreMode mode : {ElectreMode::Normal, ElectreMode::SequenceOnly}) {
    SCOPED_TRACE(mode == ElectreMode::Normal ? "normal" : "sequence only");
    ds = TDataset{};
    Read(text, 0, mode);
    EXPECT_TRUE(messenger.entries.empty());
    EXPECT_EQ(ds.PointCount, 3);
    ASSERT_EQ(ds.Quads.Size(), 3);
    EXPECT_EQ(ds.SeqHeader.QuadCount, 3);
    EXPECT_EQ(ds.Quads[3], (TQuadripole{3, 6, 4, 5, 1, ds.Quads[3].K}));
  }
  EXPECT_EQ(ds.SetCount, 0);  // sequence only: no sets
  Read(text);
  EXPECT_EQ(ds.DataKind, DataKindSequence);
  EXPECT_EQ(ds.SetCount, 1);
  EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 3, Wenner}));
}

TEST_F(ElectreReaderTest, MalformedFilesAreRefusedWithTheirMessage) {
  std::string tooManyElectrodes = ElectrodeTable(MaxElectrodes + 1, 1.0f) + "1 1 2 3 4\r\n";
  std::string tooManyQuads = ElectrodeTable(10, 1.0f);
  for (int i = 1; i <= MaxPoints + 1; ++i) tooManyQuads += std::to_string(i) + " 1 4 2 3\r\n";

  const struct {
    std::string name;
    std::string text;
    std::string message;
  } cases[] = {
      {"empty", "", "Bad ElectreII TXT format. Data are not found."},
      {"no title line", "1 0 0 0\r\n2 1 0 0\r\n", "Bad ElectreII TXT format. Data are not found."},
      {"Prosys data file", "# Spa.1 Spa.2 Spa.3 Spa.4 X Rho\r\n# A B M N\r\n1 1 2 3 4\r\n",
       "Bad ElectreII TXT format. Data are not found."},
      {"title without X", "# A Y Z\r\n1 0 0 0\r\n# A B M N\r\n", "Bad ElectreII TXT format. Data are not found."},
      {"no quadripole table", "# X Y Z\r\n1 0 0 0\r\n2 1 0 0\r\n", "Bad ElectreII TXT format. Data are not found."},
      {"no quadripoles", ElectrodeTable(4, 1.0f), "Bad ElectreII TXT format. Data are not found."},
      {"bad X", "# X Y Z\r\n1 0 0 0\r\n2 1.5m 0 0\r\n", "Error by reading X coordinate\r\nElectrode number - 2"},
      {"missing Y", "# X Y Z\r\n1 0\r\n", "Error by reading Y coordinate\r\nElectrode number - 1"},
      {"Z beyond any coordinate", "# X Y Z\r\n1 0 0 1e39\r\n",
       "Error by reading Z coordinate\r\nElectrode number - 1"},
      {"bad A", ElectrodeTable(4, 1.0f) + "1 1 4 2 3\r\n2 one 4 2 3\r\n",
       "Error by reading coordinate of A elecrode\r\nQuadripole number - 2"},
      {"B beyond the electrodes", ElectrodeTable(4, 1.0f) + "1 1 5 2 3\r\n",
       "Error by reading coordinate of B elecrode\r\nQuadripole number - 1"},
      {"negative B", ElectrodeTable(4, 1.0f) + "1 1 -1 2 3\r\n",
       "Error by reading coordinate of B elecrode\r\nQuadripole number - 1"},
      {"M not an integer", ElectrodeTable(4, 1.0f) + "1 1 4 2.5 3\r\n",
       "Error by reading coordinate of M elecrode\r\nQuadripole number - 1"},
      {"N missing (truncated)", ElectrodeTable(4, 1.0f) + "1 1 4 2",
       "Error by reading coordinate of N elecrode\r\nQuadripole number - 1"},
      {"two electrodes at one abscissa", ElectrodeTable(4, 1.0f) + "1 1 4 1 3\r\n",
       "Bad K array.\r\nQuadripole number - 1"},
      {"no current electrode", ElectrodeTable(4, 1.0f) + "1 Rem Rem 2 3\r\n",
       "Bad electrodes configuration.\r\nQuadripole number - 1"},
      {"too many electrodes", tooManyElectrodes, "Too many electrodes in sequence.\r\nMaximal number - " + std::to_string(MaxElectrodes)},
      {"too many quadripoles", tooManyQuads, "Too many quadripoles in sequence.\r\nMaximal number - " + std::to_string(MaxPoints)},
      {"binary garbage", std::string("\x00\x01#\xff\xfe\x00X\r\n\x80\x81\x00", 12),
       "Bad ElectreII TXT format. Data are not found."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(c.text);
    ExpectNothingLoaded();
    ASSERT_EQ(messenger.entries.size(), 1u);
    EXPECT_EQ(messenger.entries[0].text, c.message);
    // A file that is no sequence is told in a plain message; faults in a sequence are errors.
    EXPECT_EQ(messenger.entries[0].kind, c.message.starts_with("Bad ElectreII TXT format")
                                             ? MessageKind::Plain : MessageKind::Error);
  }
}

TEST_F(ElectreReaderTest, MissingFileGivesThePlatformMessage) {
  ReadIntoDataset(ds, ReadElectreIISequence, {(dir / "absent.txt").string(), 0}, env);
  ExpectNothingLoaded();
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_FALSE(messenger.entries[0].text.empty());
}

}  // namespace
}  // namespace tarvo
