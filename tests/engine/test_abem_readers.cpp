#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/core/numbers.h"
#include "engine/core/syscal_records.h"
#include "engine/import/abem_amp_reader.h"
#include "engine/import/abem_protocol_reader.h"
#include "engine/import/read_environment.h"
#include "engine/import/syscal_reader.h"
#include "test_files.h"

namespace tarvo {
namespace {

// A sequence template whose headers show what the readers change: a
// document type neither reader keeps, an area and line to be cleared, and
// a sequence-header byte 1 to be cleared next to a byte 0 to be kept.
std::string WriteTemplate(const test::ScratchFolder& folder) {
  TFileHeader file;
  std::copy(TFileHeader::MagicText.begin(), TFileHeader::MagicText.end(), file.Magic.begin());
  file.DocType = 512;
  TSeqHeader seq;
  seq.Reserved0 = {7, 9};
  seq.Area = 5;
  seq.Line = 6;
  const auto a = EncodeRecord(file);
  const auto b = EncodeRecord(seq);
  return folder.Write("tarvo.bin", std::string(a.begin(), a.end()) + std::string(b.begin(), b.end()));
}

struct Reading {
  TDataset ds;
  RecordingMessenger messenger;
};

void ExpectNothingLoaded(const Reading& r) {
  EXPECT_EQ(r.ds.DataKind, DataKindNone);
  EXPECT_EQ(r.ds.PointCount, 0);
  EXPECT_TRUE(r.ds.Quads.Empty());
  EXPECT_TRUE(r.ds.SyscalRaw.Empty());
}

void ExpectTemplateHeadersAdjusted(const TDataset& ds) {
  EXPECT_EQ(ds.SeqHeader.Area, 0.0f);
  EXPECT_EQ(ds.SeqHeader.Line, 0.0f);
  EXPECT_EQ(ds.SeqHeader.Reserved0[0], 7);
  EXPECT_EQ(ds.SeqHeader.Reserved0[1], 0);
}

// ---------------------------------------------------------------- AMP data

std::string HeaderLine(std::string label, const std::string& value) {
  label.resize(31, ' ');
  return label + value + "\r\n";
}

std::string AmpHeader(const std::string& mode, const std::string& arrayCode, const std::string& coordinates,
                      const std::string& comment = "Quarry line 3") {
  return HeaderLine("Filename:", comment) + HeaderLine("Instrument ID:", "SAS4000") +
         HeaderLine("Date & Time:", "2019-05-02 10:31") + HeaderLine("Base station:", "0.00    0.00") +
         HeaderLine("Rows header/data/topography:", "12  6  0") + HeaderLine("Acquisition mode:", mode) +
         HeaderLine("Measurement method:", "Section") + HeaderLine("Electrode layout:", arrayCode) +
         HeaderLine("Co-ordinate type:", coordinates);
}

// A measurement-like line in the header part, which must not be read.
constexpr const char* DecoyLine = "9 0 0 10 4 6 100 0.5 94.25 0.4\r\n";

// Schlumberger quadripoles (the first decides the type), a line with an
// unreadable resistivity, a line numbered 0, a pole whose A column is empty,
// and a measurement too small to be kept.
constexpr const char* AmpData =
    "1 0 0 10 4 6 100 0.5 94.25 0.4\r\n"
    "2 0 2 8 4 6 100 1.0 125.66 2.6\r\n"
    "3 0 0 10 4 6 100 0.5 * 0.3\r\n"
    "0 0 0 10 4 6 100 0.5 94.25 0.4\r\n"
    "4 0 - 10 4 6 100 0.5 30 0.2\r\n"
    "5 0 1 9 4 6 100 0.0000001 0.0000002 0.1";

Reading ReadAmpText(const test::ScratchFolder& folder, const std::string& text, const std::string& name = "line.amp") {
  Reading r;
  ReadEnvironment env{r.messenger, WriteTemplate(folder), nullptr};
  ReadIntoDataset(r.ds, ReadAmp, {folder.Write(name, text)}, env);
  return r;
}

TEST(ReadAmp, BuildsAnInstrumentDatasetFromTheMeasurements) {
  // Both ways of finding the data part: one line after the coordinate type,
  // or the line after the first blank line.
  const std::string layouts[] = {
      AmpHeader("2", "10", "XYZ:1") + DecoyLine,
      AmpHeader("2", "10", "-") + "Smallest electrode spacing:    1.00\r\n" + DecoyLine + "\r\n" +
          "No. Time A(x) B(x) M(x) N(x) I(mA) Voltage(V) App.R.(ohmm) Error(%)\r\n",
  };
  for (const auto& header : layouts) {
    test::ScratchFolder folder;
    Reading r = ReadAmpText(folder, header + AmpData);
    const TDataset& ds = r.ds;

    EXPECT_TRUE(r.messenger.entries.empty());
    ASSERT_EQ(ds.DataKind, DataKindInstrument);
    ASSERT_EQ(ds.PointCount, 4);
    EXPECT_EQ(ds.ArrayType, Schlumberger);
    EXPECT_EQ(ds.SeqHeader.TitleText(), "AMNB");
    EXPECT_EQ(ds.SeqHeader.QuadCount, 4);
    EXPECT_EQ(ds.FileHeader.OperatorText(), "ABEM");
    EXPECT_EQ(ds.FileHeader.CommentsText(), "Quarry line 3");
    EXPECT_EQ(ds.FileHeader.DocType, DocTypeCurrent);
    EXPECT_FALSE(ds.HasIP);
    ExpectTemplateHeadersAdjusted(ds);

    // The distinct abscissas, ascending, are the electrode table.
    const float positions[] = {0, 1, 2, 4, 6, 8, 9, 10};
    ASSERT_EQ(ds.SeqHeader.ElectrodeTotal, 8);
    for (int i = 1; i <= 8; ++i) {
      EXPECT_EQ(ds.Electrodes[i].Number, i);
      EXPECT_FLOAT_EQ(ds.Electrodes[i].X, positions[i - 1]);
    }

    // Values come back from the raw records: V in mV, Rho = K V / I.
    EXPECT_NEAR(ds.Points[1].Rho, 94.25, 1e-3);
    EXPECT_FLOAT_EQ(ds.Points[1].V, 500.0f);
    EXPECT_FLOAT_EQ(ds.Points[1].I, 100.0f);
    EXPECT_EQ(ds.Points[1].Q, 0);
    EXPECT_NEAR(ds.Quads[1].K, 3 * TwoPi, 1e-3);  // 2 pi / (1/4 - 1/6 - 1/6 + 1/4)
    EXPECT_NEAR(ds.Points[2].Rho, 125.66, 1e-3);
    EXPECT_EQ(ds.Points[2].Q, 3);

    // The pole: A at the B abscissa, B absent.
    const TQuadripole& pole = ds.Quads[3];
    EXPECT_EQ(pole.A, 8);
    EXPECT_EQ(pole.B, 0);
    EXPECT_FLOAT_EQ(ds.Points[3].XA, 10.0f);
    EXPECT_FLOAT_EQ(ds.Points[3].XB, 10.0f);
    EXPECT_NEAR(ds.Points[3].Rho, 30, 1e-3);

    // Below 0.001 Ohm.m the measurement is rejected.
    EXPECT_EQ(ds.Points[4].Q, QRejected);
    EXPECT_EQ(ds.SyscalRaw[4].Dev, 256);
    EXPECT_TRUE(IsBad(ds, 4));
  }
}

TEST(ReadAmp, ChargeabilityAndLongComment) {
  test::ScratchFolder folder;
  const std::string comment = "C:\\Field data\\2019\\Quarry north extension\\LINE3_LONG.AMP";
  Reading r = ReadAmpText(folder, AmpHeader("3", "1", "XYZ:1", comment) + "No. Time ...\r\n" +
                                      "1 0 0 3 1 2 50 0.2 37.7 0.1 0 10 20 5.5\r\n"
                                      "2 0 1 4 2 3 50 0.2 37.7 0.1 0 10 20\r\n");
  ASSERT_EQ(r.ds.DataKind, DataKindInstrument);
  ASSERT_EQ(r.ds.PointCount, 2);
  EXPECT_EQ(r.ds.ArrayType, Wenner);
  EXPECT_TRUE(r.ds.HasIP);
  EXPECT_FLOAT_EQ(r.ds.Points[1].IP, 5.5f);
  EXPECT_FLOAT_EQ(r.ds.Points[2].IP, 0.0f);  // missing chargeability
  EXPECT_EQ(r.ds.FileHeader.CommentsText(), comment.substr(comment.size() - 47));
}

TEST(ReadAmp, ANamedFormatWinsOverTheLastLetterOfTheName) {
  // An AMP file whose name does not end in "p": by name it would be read as
  // a Syscal file and refused.
  const std::string text = AmpHeader("2", "10", "XYZ:1") + DecoyLine + AmpData;
  for (const InstrumentFormat format : {InstrumentFormat::ByName, InstrumentFormat::AbemAmp}) {
    test::ScratchFolder folder;
    Reading r;
    ReadEnvironment env{r.messenger, WriteTemplate(folder), nullptr};
    ReadIntoDataset(r.ds, ReadInstrumentFile, {folder.Write("line.ohm", text), 0, format}, env);
    if (format == InstrumentFormat::ByName) {
      ExpectNothingLoaded(r);
      EXPECT_EQ(r.messenger.Texts(), std::vector<std::string>{"Bad input SysCal file"});
    } else {
      EXPECT_TRUE(r.messenger.entries.empty());
      EXPECT_EQ(r.ds.DataKind, DataKindInstrument);
      EXPECT_EQ(r.ds.PointCount, 4);
    }
  }
}

TEST(ReadAmp, MalformedInputIsRefused) {
  const std::string xyz = AmpHeader("2", "10", "XYZ:1") + "No. Time ...\r\n";
  std::string manyLines = xyz;
  for (int i = 1; i <= MaxPoints + 1; ++i) manyLines += std::to_string(i) + " 0 0 10 4 6 100 0.5 94.25 0.4\r\n";
  std::string manyElectrodes = xyz;
  for (int k = 1; k <= MaxElectrodePositions; ++k) {
    manyElectrodes += std::to_string(k) + " 0 0 - " + std::to_string(k) + " - 100 0.5 10 0\r\n";
  }
  const std::string fileMarker = "{file}";
  struct Case {
    const char* name;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"unsupported array", AmpHeader("2", "11", "XYZ:1") + "x\r\n" + AmpData, "Unsupported type of file !!!"},
      {"unreadable mode", AmpHeader("two", "10", "XYZ:1") + "x\r\n" + AmpData, "Unsupported type of file !!!"},
      {"empty file", "", "Unsupported type of file !!!"},
      {"binary garbage", std::string("\x00\x13\xff\xfe\r\n\x01", 7), "Unsupported type of file !!!"},
      {"no measurements", xyz, "No data in file\r\n" + fileMarker},
      {"deviation beyond 255", xyz + "1 0 0 10 4 6 100 0.5 94.25 300\r\n",
       "Bad deviation 300\r\nLine number - 11\r\nMaximal deviation is 255"},
      {"too many data", manyLines, "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
      {"too many electrodes", manyElectrodes, "Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchFolder folder;
    Reading r = ReadAmpText(folder, c.text);
    std::string message = c.message;
    if (const auto at = message.find(fileMarker); at != std::string::npos) {
      message.replace(at, fileMarker.size(), folder.PathOf("line.amp"));
    }
    EXPECT_EQ(r.messenger.Texts(), std::vector<std::string>{message});
    // The unsupported file is a plain message, without an icon; the others are errors.
    if (!r.messenger.entries.empty()) {
      EXPECT_EQ(r.messenger.entries[0].kind,
                message == "Unsupported type of file !!!" ? MessageKind::Plain : MessageKind::Error);
    }
    ExpectNothingLoaded(r);
  }
}

TEST(ReadAmp, MissingTemplateLoadsNothing) {
  test::ScratchFolder folder;
  Reading r;
  const std::string missing = folder.PathOf("tarvo.bin");
  ReadEnvironment env{r.messenger, missing, nullptr};
  ReadIntoDataset(r.ds, ReadAmp, {folder.Write("line.amp", AmpHeader("2", "10", "XYZ:1") + "x\r\n" + AmpData)}, env);
  EXPECT_EQ(r.messenger.Texts(), std::vector<std::string>{"File \"" + missing + "\" not found"});
  ExpectNothingLoaded(r);
}

// ---------------------------------------------------------- protocol files

Reading ReadProtocolText(const test::ScratchFolder& folder, const std::string& text, TDataset ds = {}) {
  Reading r;
  r.ds = std::move(ds);
  ReadEnvironment env{r.messenger, WriteTemplate(folder), nullptr};
  ReadIntoDataset(r.ds, ReadProtocol, {folder.Write("protocol.org", text)}, env);
  return r;
}

TEST(ReadProtocol, StandardLayoutSequence) {
  test::ScratchFolder folder;
  Reading r = ReadProtocolText(folder,
                               "ABEM protocol\r\nWen32\r\nA B M N\r\n1 4 2 3\r\n2 5 3 4\r\n1 2 x 4\r\n\r\n");
  const TDataset& ds = r.ds;
  EXPECT_TRUE(r.messenger.entries.empty());
  ASSERT_EQ(ds.DataKind, DataKindSequence);
  ASSERT_EQ(ds.PointCount, 2);
  EXPECT_EQ(ds.ArrayType, Wenner);
  EXPECT_EQ(ds.SeqHeader.TitleText(), "WennerA");
  EXPECT_EQ(ds.FileHeader.OperatorText(), "0RG Wen32");
  const std::string file = ds.FileName;
  EXPECT_EQ(ds.FileHeader.CommentsText(), file.size() > 47 ? file.substr(file.size() - 47) : file);
  EXPECT_EQ(ds.FileHeader.DocType, DocTypeOld);
  ExpectTemplateHeadersAdjusted(ds);

  ASSERT_EQ(ds.SeqHeader.ElectrodeTotal, 5);
  for (int i = 1; i <= 5; ++i) EXPECT_FLOAT_EQ(ds.Electrodes[i].X, 10.0f * static_cast<float>(i - 1) - 200.0f);
  for (int i = 1; i <= 2; ++i) {
    EXPECT_EQ(ds.Points[i].Q, QPlanned);
    EXPECT_NEAR(ds.Points[i].Rho, TwoPi * 10, 1e-3);  // Wenner K = 2 pi a
    EXPECT_EQ(ds.Quads[i].Flag, 1);
  }
}

TEST(ReadProtocol, LongLayoutAndLongName) {
  test::ScratchFolder folder;
  const std::string name = "Long layout protocol of the north line";
  Reading r = ReadProtocolText(folder, "ABEM protocol\r\n" + name + "\r\n1 41 20 22\r\n");
  ASSERT_EQ(r.ds.DataKind, DataKindSequence);
  EXPECT_EQ(r.ds.ArrayType, Schlumberger);
  EXPECT_FLOAT_EQ(r.ds.Electrodes[1].X, -400.0f);
  EXPECT_FLOAT_EQ(r.ds.Electrodes[41].X, 400.0f);
  const std::string operatorText = "0RG " + name;
  EXPECT_EQ(r.ds.FileHeader.OperatorText(), operatorText.substr(operatorText.size() - 31));
}

TEST(ReadProtocol, LargeProtocolTakesThePositionsOfTheLoadedData) {
  TDataset loaded;
  loaded.ElectrodePosCount = 50;
  for (int i = 1; i <= 50; ++i) loaded.ElectrodePos[i] = 2.0f * static_cast<float>(i - 1);
  const std::string text = "ABEM protocol\r\nWen64\r\n1 4 2 3\r\n42 45 43 44\r\n";
  {
    test::ScratchFolder folder;
    Reading r = ReadProtocolText(folder, text, loaded);
    ASSERT_EQ(r.ds.DataKind, DataKindSequence);
    EXPECT_FLOAT_EQ(r.ds.Electrodes[45].X, 88.0f);
    EXPECT_NEAR(r.ds.Points[2].Rho, TwoPi * 2, 1e-3);
  }
  {
    // Nothing loaded before: the positions are not known.
    test::ScratchFolder folder;
    Reading r = ReadProtocolText(folder, text);
    EXPECT_EQ(r.messenger.Texts(),
              std::vector<std::string>{"Electrode positions are not known for 45 electrodes.\r\n"
                                       "Known electrode positions - 0"});
    ExpectNothingLoaded(r);
  }
}

TEST(ReadProtocol, MalformedInputIsRefused) {
  std::string manyQuads = "ABEM protocol\r\nWen32\r\n";
  for (int i = 0; i <= MaxPoints; ++i) manyQuads += "1 4 2 3\r\n";
  const std::string noData = "No data in file\r\n{file}";
  struct Case {
    const char* name;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"electrode beyond capacity",
       "ABEM protocol\r\nWen\r\n1 4 2 3\r\n1 " + std::to_string(MaxElectrodes + 1) + " 2 3\r\n",
       "Too many electrodes " + std::to_string(MaxElectrodes + 1) + "\r\nMaximal number is " +
           std::to_string(MaxElectrodes)},
      {"too many quadripoles", manyQuads, "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints)},
      {"empty file", "", noData},
      {"no quadripole", "ABEM protocol\r\nWen32\r\n-1 4 2 3\r\n0 0 2 3\r\n1 4 0 0\r\n", noData},
      {"binary garbage", std::string("\x00\x13\xff\xfe\r\n\x01\r\n\x02\x03", 11), noData},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchFolder folder;
    Reading r = ReadProtocolText(folder, c.text);
    std::string message = c.message;
    if (const auto at = message.find("{file}"); at != std::string::npos) {
      message.replace(at, 6, folder.PathOf("protocol.org"));
    }
    EXPECT_EQ(r.messenger.Texts(), std::vector<std::string>{message});
    ExpectNothingLoaded(r);
  }
}

}  // namespace
}  // namespace tarvo
