#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/byte_io.h"
#include "engine/core/numbers.h"
#include "engine/import/syscal_pro_binary_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

namespace tarvo {
namespace {

// One reading of a fixture file.
struct Reading {
  std::array<float, 4> x{};  // A, B, M, N
  float z = 0;
  float sp = 0, vp = 0, in = 0, rho = 0, m = 0, dev = 0;
  std::array<float, 3> tm{};       // the first three window times; the others are 0
  std::array<float, 3> windows{};  // their chargeabilities
  std::uint16_t number = 0;
  std::string name = "dd_line1";
  double date = 40771.38371527778;  // 2011-08-16 09:12:33
  int extension = 3;                 // .bin: the optional blocks the record has
};

// Wenner a = 1 at A = first, with a resistivity of 100 + first.
Reading WennerReading(float first, std::uint16_t number) {
  Reading r;
  r.x = {first, first + 3, first + 1, first + 2};
  r.rho = 100 + first;
  r.vp = 50 + first;
  r.in = 200;
  r.dev = 0.4f;
  r.sp = -3.5f;
  r.number = number;
  return r;
}

std::string Bytes(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

// A .bin file in the layout the instruments write: the 1029-byte header,
// then one record per reading, as long as its extension code says.
std::string BinFile(int instrument, const std::vector<Reading>& readings,
                    const std::string& comment = std::string("SYSCAL Pro\0 at 8/26/2011 9:43:19 AM", 35),
                    std::uint32_t version = 0x80000002) {
  std::vector<std::uint8_t> out;
  ByteWriter w(out);
  w.U32(version);
  w.U8(static_cast<std::uint8_t>(instrument));
  for (std::size_t i = 0; i < 1024; ++i) w.U8(i < comment.size() ? static_cast<std::uint8_t>(comment[i]) : 0);
  for (const Reading& r : readings) {
    w.I16(10);  // array code
    w.I16(static_cast<std::int16_t>(r.extension));
    w.F32(2000);  // injection time
    w.F32(120);   // IP delay
    w.I16(1);     // coordinate type
    w.I16(0);
    for (const float x : r.x) w.F32(x);
    for (int e = 0; e < 4; ++e) w.F32(0);  // y
    for (int e = 0; e < 4; ++e) w.F32(r.z);
    for (const float v : {r.sp, r.vp, r.in, r.rho, r.m, r.dev}) w.F32(v);
    for (int k = 0; k < 20; ++k) w.F32(k < 3 ? r.tm[static_cast<std::size_t>(k)] : 0);
    for (int k = 0; k < 20; ++k) w.F32(k < 3 ? r.windows[static_cast<std::size_t>(k)] : 0);
    if (r.extension >= 1) {
      w.U8(0x21);  // channel 1 of 2
      w.U8(2);     // status
      w.U16(r.number);
      for (std::size_t i = 0; i < 12; ++i) w.U8(i < r.name.size() ? static_cast<std::uint8_t>(r.name[i]) : 0);
      for (const float v : {0.0f, 0.0f, 4.0f, 0.0f}) w.F32(v);  // latitude, longitude, stacks, Rs-check
    }
    if (r.extension >= 2) {
      for (const float v : {12.5f, 12.1f, 12.4f, 25.5f}) w.F32(v);
    }
    if (r.extension >= 3) w.F64(r.date);
  }
  return Bytes(out);
}

void BinxString(ByteWriter& w, const std::string& s) {
  w.U32(static_cast<std::uint32_t>(s.size()));
  for (const char c : s) w.U8(static_cast<std::uint8_t>(c));
}

// A .binx container of Prosys III, header version 6, record version 9.
std::string BinxFile(const std::vector<Reading>& readings, std::int32_t recordVersion = 9) {
  std::vector<std::uint8_t> out;
  ByteWriter w(out);
  w.U32(6);
  w.U8(14);
  w.U8(0);
  for (int i = 0; i < 3; ++i) w.I16(0);
  BinxString(w, "SYSCAL Pro");
  BinxString(w, "");
  w.U32(0);
  w.U32(0);
  w.U32(static_cast<std::uint32_t>(readings.size()));
  const auto zeros = [&w](std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) w.U8(0);
  };
  std::int32_t index = 0;
  for (const Reading& r : readings) {
    w.I32(recordVersion);
    w.F64(r.date);
    w.F64(0);
    w.I32(0);
    w.I32(6);
    for (const double v : {r.sp, r.vp, r.in, r.m}) w.F64(v);
    for (int k = 0; k < 20; ++k) w.F64(k < 3 ? r.windows[static_cast<std::size_t>(k)] : 0);
    w.F64(6.28);
    w.F64(r.rho);
    w.F64(r.dev);
    w.F64(0);
    w.F64(0);
    zeros(5 * 4 + 800 * 4);
    BinxString(w, r.name);
    zeros(4 + 8 + 2 + 2 * 4 + 2 * 8);
    w.I32(500);  // injection time
    w.I32(20);   // V delay
    w.I32(120);  // IP delay
    for (int k = 0; k < 20; ++k) w.I32(k < 3 ? static_cast<std::int32_t>(r.tm[static_cast<std::size_t>(k)]) : 0);
    zeros(1 + 2 * 4 + 9 + 4 + 1);
    BinxString(w, "");
    zeros(4 * 4);
    w.I32(index++);
    zeros(5 * 4 + 8 + 2 * 4 + 1 + 2 + 2 * 8);
    for (const float x : r.x) {
      w.F64(x);
      w.F64(0);
      w.F64(r.z);
      zeros(8 + 4 + 2 + 4 + 4 + 4 + 1);
    }
    zeros(4 * 8 + 4 + 2 + 4 + 4 + 4 + 1 + 2 * 8 + 11 + 2 * 8 + 2 + 3 * 4);
    BinxString(w, "");
    BinxString(w, "");
    zeros(3 * 8 + 1 + 6 * 4 + 4 + 54 + 30 + 20 + 8 + 4 + 10);
  }
  return Bytes(out);
}

class SyscalProBinaryReaderTest : public ::testing::Test {
protected:
  test::ScratchFolder scratch;
  TDataset ds;
  RecordingMessenger messenger;
  ReadEnvironment env{messenger, "", nullptr};

  void SetUp() override {
    const auto bytes = MakeTemplateBytes();
    env.templatePath = scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
  }

  void Read(const std::string& bytes, const std::string& name = "line.bin", int firstSet = 0) {
    ds = TDataset{};
    messenger.entries.clear();
    ReadIntoDataset(ds, ReadSyscalProBinary, {scratch.Write(name, bytes), firstSet}, env);
  }

  void ExpectNothingLoaded() const {
    EXPECT_EQ(ds.DataKind, DataKindNone);
    EXPECT_EQ(ds.PointCount, 0);
    EXPECT_TRUE(ds.Points.Empty());
    EXPECT_FALSE(ds.HasIP);
    EXPECT_FALSE(ds.IPWindowTimes.Known);
  }
};

TEST_F(SyscalProBinaryReaderTest, InstrumentRecordsBecomePointsWithTheirValues) {
  std::vector<Reading> readings;
  for (int k = 0; k < 3; ++k) {
    Reading r = WennerReading(static_cast<float>(k), static_cast<std::uint16_t>(k));
    r.m = 4.5f + static_cast<float>(k);
    r.tm = {40, 80, 160};
    r.windows = {6, 4.5f, 3};
    readings.push_back(r);
  }
  readings[1].dev = 150;  // a deviation beyond 100 % rejects the point
  readings[2].in = 0;     // a failed injection as well
  Read(BinFile(8, readings));

  EXPECT_TRUE(messenger.entries.empty()) << messenger.entries.front().text;
  ASSERT_EQ(ds.DataKind, DataKindTextWithVI);
  ASSERT_EQ(ds.PointCount, 3);
  ASSERT_EQ(ds.SetCount, 1);
  EXPECT_EQ(ds.Sets[1], (TSetEntry{1, 3, Wenner}));
  EXPECT_TRUE(ds.ReadOnlyData);
  EXPECT_EQ(ds.FileHeader.OperatorText(), "Syscal Pro");
  // The comment goes on after a zero byte.
  EXPECT_EQ(ds.FileHeader.CommentsText(), "SYSCAL Pro at 8/26/2011 9:43:19 AM");

  const TDataPoint& p = ds.Points[1];
  EXPECT_FLOAT_EQ(p.XA, 0);
  EXPECT_FLOAT_EQ(p.XB, 3);
  EXPECT_FLOAT_EQ(p.XM, 1);
  EXPECT_FLOAT_EQ(p.XN, 2);
  EXPECT_FLOAT_EQ(p.Rho, 100);
  EXPECT_FLOAT_EQ(p.V, 50);
  EXPECT_FLOAT_EQ(p.I, 200);
  EXPECT_FLOAT_EQ(p.Dev, 0.4f);
  EXPECT_EQ(p.Q, 0);
  EXPECT_FLOAT_EQ(p.IP, 4.5f);
  EXPECT_FLOAT_EQ(p.SP, -3.5f);
  EXPECT_FLOAT_EQ(p.M[2], 4.5f);
  EXPECT_EQ(p.Number, 1);
  EXPECT_EQ(ds.Points[3].Number, 3);
  EXPECT_EQ(ds.Points[2].Q, 100);
  EXPECT_EQ(ds.Points[3].Q, 100);

  EXPECT_TRUE(ds.HasIP);
  EXPECT_TRUE(ds.HasSP);
  EXPECT_EQ(ds.IPWindowCount, 3);
  ASSERT_TRUE(ds.IPWindowTimes.Known);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Delay, 120);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Widths[3], 160);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Widths[4], 0);
}

TEST_F(SyscalProBinaryReaderTest, EveryVariantGivesTheSameReadings) {
  std::vector<Reading> readings;
  for (int k = 0; k < 4; ++k) readings.push_back(WennerReading(2.0f * static_cast<float>(k), static_cast<std::uint16_t>(k)));
  // Dipole-dipole readings form a set of their own.
  Reading dd = WennerReading(0, 4);
  dd.x = {0, 2, 6, 8};
  readings.push_back(dd);
  readings.push_back(WennerReading(8, 5));

  std::vector<Reading> older = readings;  // the short records of the older model
  for (Reading& r : older) r.extension = 0;
  std::vector<Reading> mixed = readings;  // record lengths may differ within a file
  mixed[1].extension = 1;
  mixed[2].extension = 2;

  const struct {
    std::string name;
    std::string bytes;
    std::string file;
    bool numbered;
  } cases[] = {
      {"type 8", BinFile(8, readings), "a.bin", true},
      {"type 9", BinFile(9, readings, "export Prosys III"), "b.bin", true},
      {"type 5, base records only", BinFile(5, older, "W3m\r\nArea : 0\r\nLine : 0"), "c.bin", false},
      {"extension codes 1 to 3", BinFile(8, mixed), "d.bin", true},
      {"container", BinxFile(readings), "e.binx", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Read(c.bytes, c.file, 2);
    EXPECT_TRUE(messenger.entries.empty()) << messenger.entries.front().text;
    ASSERT_EQ(ds.DataKind, DataKindTextWithVI);
    ASSERT_EQ(ds.PointCount, 6);
    ASSERT_EQ(ds.SetCount, 2);
    EXPECT_EQ(ds.Sets[3], (TSetEntry{1, 5, Wenner}));
    EXPECT_EQ(ds.Sets[4], (TSetEntry{6, 6, DipoleDipole}));
    EXPECT_FLOAT_EQ(ds.Points[6].XM, 6);
    EXPECT_FLOAT_EQ(ds.Points[6].Rho, 100);
    EXPECT_FLOAT_EQ(ds.Points[5].XA, 8);
    EXPECT_FLOAT_EQ(ds.Points[5].Rho, 108);
    EXPECT_EQ(ds.Points[6].Number, 5);  // the record's own number
    EXPECT_FALSE(ds.HasIP);
    EXPECT_EQ(ds.IPWindowCount, 0);
  }
  EXPECT_EQ(ds.FileHeader.CommentsText(), "SYSCAL Pro");
}

TEST_F(SyscalProBinaryReaderTest, WindowTimesWithoutChargeabilityAreNoIPData) {
  std::vector<Reading> readings = {WennerReading(0, 0), WennerReading(1, 1)};
  for (Reading& r : readings) r.tm = {40, 40, 40};
  readings[1].tm = {40, 40, 80};
  Read(BinFile(9, readings));
  ASSERT_EQ(ds.PointCount, 2);
  EXPECT_FALSE(ds.HasIP);
  EXPECT_EQ(ds.IPWindowCount, 0);
  EXPECT_TRUE(ds.IPWindowTimes.Known);
  EXPECT_FLOAT_EQ(ds.IPWindowTimes.Widths[3], 40);  // the first reading's
  EXPECT_EQ(messenger.Texts(),
            std::vector<std::string>{"The IP windows change within the file; the window times of the first reading "
                                     "are kept."});
}

TEST_F(SyscalProBinaryReaderTest, ReadingsOfAnotherAcquisitionAreReadWithAWarning) {
  std::vector<Reading> readings = {WennerReading(0, 651), WennerReading(1, 0), WennerReading(2, 1)};
  readings[0].name = "old";
  Read(BinFile(8, readings));
  EXPECT_EQ(ds.PointCount, 3);
  ASSERT_EQ(messenger.entries.size(), 2u);
  EXPECT_EQ(messenger.entries[0].kind, MessageKind::Warning);
  EXPECT_EQ(messenger.entries[1].kind, MessageKind::Warning);
}

TEST_F(SyscalProBinaryReaderTest, DamagedOrForeignFilesAreRefusedWithTheirMessage) {
  const std::vector<Reading> two = {WennerReading(0, 0), WennerReading(1, 1)};
  const std::string good = BinFile(8, two);
  const auto patched = [&good](std::size_t at, const std::vector<std::uint8_t>& bytes) {
    std::string s = good;
    for (std::size_t i = 0; i < bytes.size(); ++i) s[at + i] = static_cast<char>(bytes[i]);
    return s;
  };
  const auto f32 = [](float v) {
    std::vector<std::uint8_t> b;
    ByteWriter(b).F32(v);
    return b;
  };
  const auto f64 = [](double v) {
    std::vector<std::uint8_t> b;
    ByteWriter(b).F64(v);
    return b;
  };
  constexpr std::size_t second = 1029 + 304;  // the second record

  std::vector<Reading> tooMany;
  for (int k = 0; k <= MaxPoints; ++k) tooMany.push_back(WennerReading(static_cast<float>(k % 20), 0));
  std::vector<Reading> tooWide;
  for (int k = 0; k <= MaxElectrodePositions; ++k) tooWide.push_back(WennerReading(static_cast<float>(4 * k), 0));
  const std::string binx = BinxFile(two);

  const struct {
    std::string name;
    std::string bytes;
    std::string message;  // after "Syscal Pro file line.bin: "
    std::string file = "line.bin";
  } cases[] = {
      {"empty", "", "The file is shorter than the 1029-byte header of a Syscal Pro binary file."},
      {"short header", good.substr(0, 1028), "The file is shorter than the 1029-byte header of a Syscal Pro binary file."},
      {"older Syscal file", "_DOC_" + good.substr(5),
       "it is a Syscal file of the older kind (it begins with \"_DOC_\"); open it as SysCal data."},
      {"newer version", BinFile(8, two, "", 0x80000003), "Version 0x80000003 of the Syscal Pro binary format is not supported."},
      {"unknown version", BinFile(8, two, "", 0x12345678), "The version word 0x12345678 is not that of a Syscal Pro binary file."},
      {"Syscal Kid", BinFile(7, two), "Records of instrument type 7 are not supported."},
      {"no records", good.substr(0, 1029), "The file holds no measurements."},
      {"record length does not divide the rest", good.substr(0, good.size() - 8),
       "The file is truncated in record 2 (offset 1333): 296 bytes are left of a record of 304."},
      {"a few bytes after the last record", good + std::string(10, '\0'),
       "The file is truncated in record 3 (offset 1637): 10 bytes are left of a record of at least 248."},
      {"bad extension code", patched(second + 2, {7, 0}),
       "The file is damaged: record 2 (offset 1333) has the extension code 7 (0 to 3 expected)."},
      {"coordinate type 0", patched(second + 12, {0, 0}),
       "record 2 (offset 1333) has the coordinate type 0 (1 expected; 0 is a Syscal Kid record): it cannot be read."},
      {"position not a number", patched(second + 20, f32(std::numeric_limits<float>::quiet_NaN())),
       "record 2 (offset 1333) gives an impossible electrode position: the file is damaged."},
      {"position out of any survey", patched(second + 48, f32(3e30f)),
       "record 2 (offset 1333) gives an impossible electrode position: the file is damaged."},
      {"value not a number", patched(second + 72, f32(std::numeric_limits<float>::infinity())),
       "record 2 (offset 1333) holds values that are not numbers: the file is damaged."},
      {"date out of range", patched(second + 296, f64(-5)),
       "record 2 (offset 1333) has a date out of range: the file is damaged."},
      {"date not a number", patched(second + 296, f64(std::numeric_limits<double>::quiet_NaN())),
       "record 2 (offset 1333) has a date out of range: the file is damaged."},
      {"too many records", BinFile(8, tooMany),
       "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
      {"container record version", BinxFile(two, 8),
       "record 1 (offset 42) is of record version 8, which is not supported (only 9).", "line.binx"},
      {"container cut short", binx.substr(0, binx.size() - 100), "The file is truncated in record 2 (offset 4265).",
       "line.binx"},
      {"container with trailing bytes", binx + "xyz",
       "The file has 3 bytes after its last record: it is damaged or not a Prosys III file.", "line.binx"},
      {"container string beyond the end", binx.substr(0, 20), "The file is shorter than the header of a Prosys III file.",
       "line.binx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Read(c.bytes, c.file);
    ExpectNothingLoaded();
    ASSERT_EQ(messenger.entries.size(), 1u);
    EXPECT_EQ(messenger.entries[0].text, "Syscal Pro file " + c.file + ": " + c.message);
    EXPECT_EQ(messenger.entries[0].kind, MessageKind::Error);
  }

  Read(BinFile(8, tooWide));
  ExpectNothingLoaded();
  EXPECT_EQ(messenger.Texts(), std::vector<std::string>{"Too many electrodes in data.\r\nMaximal number - " +
                                                         std::to_string(MaxElectrodePositions)});
}

TEST_F(SyscalProBinaryReaderTest, NoDateIsNoFault) {
  std::vector<Reading> readings = {WennerReading(0, 0)};
  readings[0].date = 0;
  Read(BinFile(8, readings));
  EXPECT_TRUE(messenger.entries.empty());
  EXPECT_EQ(ds.PointCount, 1);
}

}  // namespace
}  // namespace tarvo
