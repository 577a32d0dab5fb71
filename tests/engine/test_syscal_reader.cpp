#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/numbers.h"
#include "engine/core/syscal_records.h"
#include "engine/import/abem_amp_reader.h"
#include "engine/import/abem_protocol_reader.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A Syscal file assembled from its records. The counts of the sequence
// header are the caller's, so a file can lie about what it holds.
struct SyscalFile {
  TFileHeader header;
  TSeqHeader seq;
  std::vector<TElectrode> electrodes;
  std::vector<TQuadripole> quads;
  std::vector<TSyscalRecord> records;

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> bytes;
    ByteWriter out(bytes);
    header.Encode(out);
    seq.Encode(out);
    for (const auto& e : electrodes) e.Encode(out);
    for (const auto& q : quads) q.Encode(out);
    for (const auto& r : records) {
      auto record = EncodeRecord(r);
      if (header.DocType == DocTypeOld) record.resize(TSyscalRecord::OldSize);
      bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
  }

  std::size_t MeasurementStart() const {
    return SyscalHeadersSize + electrodes.size() * TElectrode::Size + quads.size() * TQuadripole::Size;
  }
};

constexpr int LineElectrodes = 24;
constexpr float ElectrodeSpacing = 2.0f;

// A Wenner survey on 24 electrodes 2 m apart: spacings 1, 2, 3... electrodes
// along the line, repeated from the start when more quadripoles are asked
// for than the ladder holds. Every record carries distinct values.
SyscalFile WennerFile(int quadCount, std::int16_t docType = DocTypeCurrent) {
  SyscalFile f;
  std::copy(TFileHeader::MagicText.begin(), TFileHeader::MagicText.end(), f.header.Magic.begin());
  f.header.SetOperatorText("crew 2");
  f.header.SetCommentsText("north line");
  f.header.Alpha = 512;
  f.header.DocType = docType;
  f.header.Reserved5[3] = 0x5A;
  f.seq.ElectrodeTotal = LineElectrodes;
  f.seq.QuadCount = static_cast<std::int16_t>(quadCount);
  f.seq.SetTitleText("WennerA");
  f.seq.Area = 4;
  f.seq.Line = 7;

  for (int n = 1; n <= LineElectrodes; ++n) {
    TElectrode e;
    e.Number = static_cast<std::int16_t>(n);
    e.X = static_cast<float>(n - 1) * ElectrodeSpacing;
    e.Reserved14 = {static_cast<std::uint8_t>(n), 0xA5};
    f.electrodes.push_back(e);
  }

  std::vector<TQuadripole> ladder;
  for (int s = 1; 3 * s < LineElectrodes; ++s) {
    for (int a = 1; a + 3 * s <= LineElectrodes; ++a) {
      const auto k = static_cast<float>(TwoPi * s * ElectrodeSpacing);
      ladder.push_back(TQuadripole{static_cast<std::int16_t>(a), static_cast<std::int16_t>(a + 3 * s),
                                   static_cast<std::int16_t>(a + s), static_cast<std::int16_t>(a + 2 * s), 1, k});
    }
  }
  for (int i = 0; i < quadCount; ++i) {
    f.quads.push_back(ladder[static_cast<std::size_t>(i) % ladder.size()]);
    TSyscalRecord r;
    r.V = 10.0f + static_cast<float>(i);
    r.I = 2.0f + 0.5f * static_cast<float>(i % 3);
    r.Dev = static_cast<std::int16_t>(i % 2);
    r.Reserved10 = {static_cast<std::uint8_t>(i), 1, 2, 3, 4, 5, 6, 0xEE};
    f.records.push_back(r);
  }
  return f;
}

// One quadripole (pole-pole on two electrodes) with one measurement record.
SyscalFile SingleMeasurementFile(float k, const TSyscalRecord& record, std::uint8_t absValues) {
  SyscalFile f = WennerFile(1);
  f.header.AbsValues = absValues;
  f.quads = {TQuadripole{1, 0, 2, 0, 1, k}};
  f.records = {record};
  return f;
}

class SyscalReaderTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  const fs::path dir = scratch.Path();
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};

  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  void Read(const std::string& path) {
    ReadIntoDataset(ds, ReadInstrumentFile, {path}, env);
  }

  // Starts from a dataset that holds a complete data file, so that a failed
  // read has something to leave behind.
  void StartFromLoadedData() {
    ds = TDataset{};
    Read(Write("loaded.001", WennerFile(12).Bytes()));
    ASSERT_EQ(ds.DataKind, DataKindInstrument);
    messenger.entries.clear();
  }

  void ExpectEmpty() const {
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_TRUE(ds.Points.Empty());
    EXPECT_TRUE(ds.Quads.Empty());
    EXPECT_TRUE(ds.SyscalRaw.Empty());
  }
};

TEST_F(SyscalReaderTest, ExtensionDecidesBetweenSequenceAndData) {
  const SyscalFile file = WennerFile(30);
  const auto bytes = file.Bytes();
  struct Case {
    const char* name;
    bool data;
  };
  for (const Case c : {Case{"line.seq", false}, Case{"LINE.SEQ", false}, Case{"line.001", true},
                       Case{"line.mod", true}}) {
    SCOPED_TRACE(c.name);
    ds = TDataset{};
    messenger.entries.clear();
    Read(Write(c.name, bytes));

    EXPECT_TRUE(messenger.entries.empty());
    EXPECT_EQ(ds.DataKind, c.data ? DataKindInstrument : DataKindSequence);
    ASSERT_EQ(ds.PointCount, 30);
    EXPECT_EQ(ds.FileHeader, file.header);
    EXPECT_EQ(ds.SeqHeader, file.seq);
    EXPECT_EQ(ds.Quads.Storage(), file.quads);
    for (int n = 1; n <= LineElectrodes; ++n) EXPECT_EQ(ds.Electrodes[n], file.electrodes[n - 1]);
    EXPECT_EQ(ds.ArrayType, Wenner);
    EXPECT_EQ(ds.SyscalRaw.Size(), c.data ? 30 : 0);

    for (int i = 1; i <= ds.PointCount; ++i) {
      const TDataPoint& p = ds.Points[i];
      const TSyscalRecord& r = file.records[static_cast<std::size_t>(i - 1)];
      const float k = file.quads[static_cast<std::size_t>(i - 1)].K;
      if (c.data) {
        EXPECT_EQ(p.Q, r.Dev);
        EXPECT_FLOAT_EQ(p.Rho, r.V / r.I * k);
        EXPECT_EQ(p.V, r.V);
        EXPECT_EQ(p.I, r.I);
      } else {
        EXPECT_EQ(p.Q, 255);
        EXPECT_EQ(p.Rho, k);
      }
    }
  }
}

TEST_F(SyscalReaderTest, RawRecordsHoldTheFileMeasurementBlockByteForByte) {
  const SyscalFile file = WennerFile(25);
  const auto bytes = file.Bytes();
  Read(Write("raw.002", bytes));
  ASSERT_EQ(ds.DataKind, DataKindInstrument);

  std::vector<std::uint8_t> raw;
  ByteWriter out(raw);
  for (int i = 1; i <= ds.SyscalRaw.Size(); ++i) ds.SyscalRaw[i].Encode(out);
  EXPECT_EQ(raw, std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(file.MeasurementStart()),
                                           bytes.end()));
}

TEST_F(SyscalReaderTest, OldLayoutIsReadWithTenByteRecordsAndHeldAsCurrent) {
  const SyscalFile file = WennerFile(20, DocTypeOld);
  const auto bytes = file.Bytes();
  ASSERT_EQ(bytes.size(), file.MeasurementStart() + 20 * TSyscalRecord::OldSize);
  Read(Write("old.001", bytes));

  EXPECT_TRUE(messenger.entries.empty());
  ASSERT_EQ(ds.DataKind, DataKindInstrument);
  EXPECT_EQ(ds.FileHeader.DocType, DocTypeCurrent);
  ASSERT_EQ(ds.PointCount, 20);
  for (int i = 1; i <= 20; ++i) {
    const TSyscalRecord& r = file.records[static_cast<std::size_t>(i - 1)];
    EXPECT_EQ(ds.SyscalRaw[i].V, r.V);
    EXPECT_EQ(ds.SyscalRaw[i].I, r.I);
    EXPECT_EQ(ds.SyscalRaw[i].Dev, r.Dev);
    EXPECT_EQ(ds.SyscalRaw[i].Reserved10, (std::array<std::uint8_t, 8>{}));
    EXPECT_FLOAT_EQ(ds.Points[i].Rho, r.V / r.I * file.quads[static_cast<std::size_t>(i - 1)].K);
  }
}

TEST_F(SyscalReaderTest, MeasurementValuesFollowTheRecord) {
  constexpr float K = 10;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    float v, i;
    std::int16_t dev;
    std::uint8_t absValues;
    int q;
    float rho, vOut, iOut;
  };
  const Case cases[] = {
      {"plain", 5, 2, 3, 0, 3, 25, 5, 2},
      {"zero current", 5, 0, 3, 0, 100, -1, -1, -1},
      {"current below the limit", 5, 5e-8f, 3, 0, 100, -1, -1, -1},
      {"small current above the limit", 1e-5f, 1e-6f, 0, 0, 0, 100, 1e-5f, 1e-6f},
      {"negative ratio", -5, 2, 3, 0, 100, -25, -5, 2},
      {"negative ratio made positive", -5, 2, 3, 1, 3, 25, -5, 2},
      {"resistivity below 0.001", 5e-5f, 1, 0, 0, 100, 5e-4f, 5e-5f, 1},
      {"large deviation kept", 5, 2, 150, 0, 150, 25, 5, 2},
      {"failed measurement keeps K", 5, 2, 256, 0, 100, K, 0, 0},
      {"failed measurement without current", 5, 0, 300, 0, 100, -1, -1, -1},
      {"negative deviation", 5, 2, -3, 0, 100, 25, 5, 2},
      {"voltage not a number", nan, 2, 3, 0, 100, -1, -1, -1},
  };
  int fileNo = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TSyscalRecord r;
    r.V = c.v;
    r.I = c.i;
    r.Dev = c.dev;
    ds = TDataset{};
    Read(Write("case." + std::to_string(++fileNo), SingleMeasurementFile(K, r, c.absValues).Bytes()));
    ASSERT_EQ(ds.DataKind, DataKindInstrument);
    ASSERT_EQ(ds.PointCount, 1);
    const TDataPoint& p = ds.Points[1];
    EXPECT_EQ(p.Q, c.q);
    EXPECT_FLOAT_EQ(p.Rho, c.rho);
    EXPECT_FLOAT_EQ(p.V, c.vOut);
    EXPECT_FLOAT_EQ(p.I, c.iOut);
  }
}

TEST_F(SyscalReaderTest, AbsoluteValueSwitchRecomputesAndRecountsBadPoints) {
  SyscalFile file = WennerFile(3);
  for (auto& r : file.records) r.Dev = 0;
  file.records[1].V = -file.records[1].V;
  Read(Write("abs.001", file.Bytes()));
  ASSERT_EQ(ds.DataKind, DataKindInstrument);
  EXPECT_EQ(ds.Points[2].Q, 100);
  EXPECT_EQ(ds.BadCount, 1);

  ds.FileHeader.AbsValues = 1;
  SyscalToValues(ds);
  EXPECT_EQ(ds.Points[2].Q, 0);
  EXPECT_GT(ds.Points[2].Rho, 0);
  EXPECT_EQ(ds.BadCount, 0);

  ds.FileHeader.AbsValues = 0;
  SyscalToValues(ds);
  EXPECT_LT(ds.Points[2].Rho, 0);
  EXPECT_EQ(ds.BadCount, 1);
}

TEST_F(SyscalReaderTest, DataFileCutShortKeepsTheCompleteMeasurements) {
  struct Case {
    std::int16_t docType;
    int complete;         // complete records in the file
    std::size_t partial;  // bytes of the next record
    const char* message;
  };
  const Case cases[] = {
      {DocTypeCurrent, 40, 7, "Short file 40 (60)"},
      {DocTypeOld, 40, 9, "Short file 40 (60)"},
      {DocTypeCurrent, 59, 17, "Short file 59 (60)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const SyscalFile file = WennerFile(60, c.docType);
    auto bytes = file.Bytes();
    const std::size_t recordSize = c.docType == DocTypeOld ? TSyscalRecord::OldSize : TSyscalRecord::Size;
    bytes.resize(file.MeasurementStart() + static_cast<std::size_t>(c.complete) * recordSize + c.partial);
    ds = TDataset{};
    messenger.entries.clear();
    Read(Write("cut.001", bytes));

    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(ds.DataKind, DataKindInstrument);
    ASSERT_EQ(ds.PointCount, c.complete);
    EXPECT_EQ(ds.SeqHeader.QuadCount, 60);
    for (int i = 1; i <= c.complete; ++i) {
      const TSyscalRecord& r = file.records[static_cast<std::size_t>(i - 1)];
      EXPECT_EQ(ds.SyscalRaw[i].V, r.V);
      EXPECT_EQ(ds.SyscalRaw[i].Dev, r.Dev);
    }
  }
}

TEST_F(SyscalReaderTest, DataFileWithoutAnyMeasurementIsNotLoaded) {
  SyscalFile file = WennerFile(60);
  file.records.clear();
  StartFromLoadedData();
  Read(Write("nodata.001", file.Bytes()));
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Short file 0 (60)"});
  ExpectEmpty();
}

TEST_F(SyscalReaderTest, BrokenFilesLeaveTheDatasetEmpty) {
  using FileEdit = std::function<void(SyscalFile&)>;
  using ByteEdit = std::function<void(std::vector<std::uint8_t>&)>;
  struct Case {
    const char* what;
    FileEdit fileEdit;  // on the records, before encoding
    ByteEdit byteEdit;  // on the encoded bytes
    std::string message;
  };
  const auto cutAt = [](std::size_t size) { return [size](std::vector<std::uint8_t>& b) { b.resize(size); }; };
  const std::size_t electrodesEnd = SyscalHeadersSize + LineElectrodes * TElectrode::Size;
  const Case cases[] = {
      {"foreign file", {}, [](std::vector<std::uint8_t>& b) { b[2] = 'X'; }, "Bad input SysCal file"},
      {"empty file", {}, cutAt(0), "Bad input SysCal file"},
      {"cut inside the headers", {}, cutAt(SyscalHeadersSize - 1), "Short file: incomplete headers"},
      {"negative electrode count", [](SyscalFile& f) { f.seq.ElectrodeTotal = -1; }, {},
       "Bad number of electrodes -1"},
      {"too many electrodes", [](SyscalFile& f) { f.seq.ElectrodeTotal = MaxElectrodes + 1; }, {},
       "Too many electrodes " + std::to_string(MaxElectrodes + 1) + "\r\nMaximal number is " +
           std::to_string(MaxElectrodes)},
      {"cut inside the electrodes", {}, cutAt(electrodesEnd - 3), "Short file: incomplete electrode records (24)"},
      {"negative quadripole count", [](SyscalFile& f) { f.seq.QuadCount = -2; }, {},
       "Bad number of quadripoles -2"},
      // The file counts its quadripoles in 16 bits, below the capacity: the
      // largest count a small file can declare is refused by the file's size.
      {"largest count in a small file", [](SyscalFile& f) { f.seq.QuadCount = MaxSyscalFileQuadripoles; }, {},
       "Short file: incomplete quadripole records (" + std::to_string(MaxSyscalFileQuadripoles) + ")"},
      {"cut inside the quadripoles", {}, cutAt(electrodesEnd + 3 * TQuadripole::Size + 5),
       "Short file: incomplete quadripole records (30)"},
      {"undefined quadripole", [](SyscalFile& f) { f.quads[2].Flag = 0; }, {}, "Undefined array in Syscal data"},
      {"electrode beyond the layout", [](SyscalFile& f) { f.quads[0].M = LineElectrodes + 1; }, {},
       "Bad electrode number in Syscal data.\r\nQuadripole number - 1"},
      // Coordinates and factors that are no numbers.
      {"coordinate not a number", [](SyscalFile& f) { f.electrodes[4].X = std::nanf(""); }, {},
       "Bad electrode coordinate in Syscal data.\r\nElectrode number - 5"},
      {"infinite elevation", [](SyscalFile& f) { f.electrodes[23].Z = -HUGE_VALF; }, {},
       "Bad electrode coordinate in Syscal data.\r\nElectrode number - 24"},
      {"factor not a number", [](SyscalFile& f) { f.quads[6].K = std::nanf(""); }, {},
       "Bad geometric factor in Syscal data.\r\nQuadripole number - 7"},
      {"infinite factor", [](SyscalFile& f) { f.quads[0].K = HUGE_VALF; }, {},
       "Bad geometric factor in Syscal data.\r\nQuadripole number - 1"},
      // Each abscissa fits a float, the spacing between them does not.
      {"spacing beyond the float range",
       [](SyscalFile& f) {
         f.quads[0] = TQuadripole{1, 0, 2, 0, 1, 10};  // pole-pole: the spacing is AM
         f.electrodes[0].X = -3e38f;
         f.electrodes[1].X = 3e38f;
       },
       {}, "Bad electrode coordinates in Syscal data.\r\nQuadripole number - 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SyscalFile file = WennerFile(30);
    if (c.fileEdit) c.fileEdit(file);
    auto bytes = file.Bytes();
    if (c.byteEdit) c.byteEdit(bytes);

    StartFromLoadedData();
    Read(Write("broken.001", bytes));
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{c.message});
    ExpectEmpty();
  }
}

// A measured value that is no number makes its point bad, with finite
// values in place of it; the other points keep theirs.
TEST_F(SyscalReaderTest, MeasurementsThatAreNoNumbersAreBadPoints) {
  SyscalFile file = WennerFile(6);
  file.records[1].V = std::nanf("");
  file.records[2].I = HUGE_VALF;
  file.records[3].V = -HUGE_VALF;
  Read(Write("values.001", file.Bytes()));
  ASSERT_EQ(ds.DataKind, DataKindInstrument);
  ASSERT_EQ(ds.PointCount, 6);
  for (int i = 1; i <= 6; ++i) {
    SCOPED_TRACE(i);
    const TDataPoint& p = ds.Points[i];
    EXPECT_TRUE(std::isfinite(p.Rho) && std::isfinite(p.V) && std::isfinite(p.I));
    EXPECT_EQ(IsBad(ds, i), i >= 2 && i <= 4);
  }
}

// Only regular files are read: a pipe without a writer would never give an
// end of file, a device might give no end at all.
TEST_F(SyscalReaderTest, OnlyRegularFilesAreRead) {
  const std::string fifo = (dir / "pipe.001").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    StartFromLoadedData();
    Read(path);
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Cannot read " + path + "\r\nNot a regular file"});
    ExpectEmpty();
  }
}

TEST_F(SyscalReaderTest, ReadOnlyFileIsRefused) {
  const std::string path = Write("locked.001", WennerFile(10).Bytes());
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  StartFromLoadedData();
  Read(path);
  EXPECT_EQ(messenger.Texts(),
            std::vector<std::string>{path + " is read-only file!\r\nClear this attribute for work with this file!"});
  ExpectEmpty();
}

TEST_F(SyscalReaderTest, MissingFileIsReportedWithThePlatformMessage) {
  const std::string path = (dir / "absent.001").string();
  StartFromLoadedData();
  Read(path);
  ASSERT_EQ(messenger.entries.size(), 1u);
  EXPECT_EQ(messenger.entries[0].text.rfind("Cannot read " + path + "\r\n", 0), 0u) << messenger.entries[0].text;
  EXPECT_GT(messenger.entries[0].text.size(), ("Cannot read " + path + "\r\n").size());
  ExpectEmpty();
}

TEST_F(SyscalReaderTest, AbemFilesAreHandedOverByTheLastLetter) {
  // Valid Syscal bytes, so only the name can send the file elsewhere: the
  // ABEM readers refuse them exactly as when they are called directly.
  const auto bytes = WennerFile(10).Bytes();
  struct Case {
    const char* name;
    ReaderFunction reader;
  };
  for (const Case c : {Case{"survey.amp", ReadAmp}, Case{"SURVEY.AMP", ReadAmp}, Case{"plan.org", ReadProtocol},
                       Case{"PLAN.ORG", ReadProtocol}}) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(c.name, bytes);

    TDataset direct;
    RecordingMessenger directMessenger;
    ReadEnvironment directEnv{directMessenger, "", nullptr};
    ReadIntoDataset(direct, c.reader, {path}, directEnv);
    ASSERT_FALSE(directMessenger.entries.empty());

    StartFromLoadedData();
    Read(path);
    EXPECT_EQ(messenger.Texts(), directMessenger.Texts());
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
  }
}

TEST_F(SyscalReaderTest, ShippedTemplateGivesCurrentHeadersAndASequence) {
  const auto bytes = MakeTemplateBytes();
  ASSERT_EQ(bytes.size(), SyscalHeadersSize);
  const std::string path = Write(TemplateFileName, bytes);
  ds.FileHeader.SetOperatorText("previous");
  ds.SeqHeader.QuadCount = 9;

  ASSERT_TRUE(LoadTemplate(ds, path, messenger));
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(ds.DataKind, DataKindSequence);
  EXPECT_TRUE(ds.FileHeader.HasMagic());
  EXPECT_EQ(ds.FileHeader.DocType, DocTypeCurrent);
  EXPECT_EQ(ds.FileHeader.OperatorText(), "");
  EXPECT_EQ(ds.FileHeader.CommentsText(), "");
  EXPECT_EQ(ds.FileHeader.AbsValues, 0);
  EXPECT_EQ(ds.FileHeader.Alpha, 0);
  EXPECT_EQ(ds.SeqHeader, TSeqHeader{});
}

TEST_F(SyscalReaderTest, UnusableTemplateChangesNothing) {
  std::vector<std::uint8_t> shortTemplate = MakeTemplateBytes();
  shortTemplate.resize(TFileHeader::Size + 4);
  const std::string foreign(200, 'x');
  const std::string missing = (dir / "nowhere" / TemplateFileName).string();
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {missing, "File \"" + missing + "\" not found"},
      {Write("foreign.bin", std::vector<std::uint8_t>(foreign.begin(), foreign.end())), "Bad input SysCal file"},
      {Write("short.bin", shortTemplate), "Bad input SysCal file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ds = TDataset{};
    messenger.entries.clear();
    ds.FileHeader.SetOperatorText("kept");
    EXPECT_FALSE(LoadTemplate(ds, c.path, messenger));
    EXPECT_EQ(messenger.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.FileHeader.OperatorText(), "kept");
  }
}

}  // namespace
}  // namespace tarvo
