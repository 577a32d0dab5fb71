#include <gtest/gtest.h>

#include <numeric>

#include "engine/core/syscal_records.h"

namespace tarvo {
namespace {

// Every byte different, so a field read from the wrong offset shows.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 37 * i);
  return bytes;
}

template <class Record>
void ExpectRoundTrip(std::size_t size, Record (*decode)(ByteReader&)) {
  for (std::uint8_t seed : {std::uint8_t{1}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
    const auto bytes = Pattern(size, seed);
    ByteReader in(bytes);
    const Record r = decode(in);
    EXPECT_EQ(in.Position(), size);
    EXPECT_EQ(EncodeRecord(r), bytes);
  }
}

TEST(SyscalRecords, EveryRecordSurvivesARoundTripByteForByte) {
  ExpectRoundTrip<TFileHeader>(TFileHeader::Size, &TFileHeader::Decode);
  ExpectRoundTrip<TSeqHeader>(TSeqHeader::Size, &TSeqHeader::Decode);
  ExpectRoundTrip<TElectrode>(TElectrode::Size, &TElectrode::Decode);
  ExpectRoundTrip<TQuadripole>(TQuadripole::Size, &TQuadripole::Decode);
  ExpectRoundTrip<TSyscalRecord>(TSyscalRecord::Size, &TSyscalRecord::Decode);
}

TEST(SyscalRecords, FieldsSitAtTheirOffsetsLittleEndian) {
  std::vector<std::uint8_t> bytes(TFileHeader::Size, 0);
  const char magic[] = "_DOC_";
  std::copy(magic, magic + 5, bytes.begin());
  bytes[47] = 'J';
  bytes[79] = 'c';
  bytes[127] = 1;
  bytes[128] = 0x00; bytes[129] = 0x01; bytes[130] = 0; bytes[131] = 0;  // Alpha 256
  bytes[142] = 0x00; bytes[143] = 0x03;                                  // DocType 768
  bytes[144] = 0x02; bytes[146] = 0x05;
  ByteReader in(bytes);
  const TFileHeader h = TFileHeader::Decode(in);
  EXPECT_TRUE(h.HasMagic());
  EXPECT_EQ(h.OperatorText(), "J");
  EXPECT_EQ(h.CommentsText(), "c");
  EXPECT_EQ(h.AbsValues, 1);
  EXPECT_EQ(h.Alpha, 256);
  EXPECT_EQ(h.DocType, DocTypeOld);
  EXPECT_EQ(h.VueType, 2);
  EXPECT_EQ(h.FileStatus, 5);

  TQuadripole q{1, -2, 300, 4, 1, 12.5f};
  const auto qb = EncodeRecord(q);
  ASSERT_EQ(qb.size(), TQuadripole::Size);
  EXPECT_EQ(qb[2], 0xFE);  // -2
  EXPECT_EQ(qb[3], 0xFF);
  EXPECT_EQ(qb[4], 0x2C);  // 300
  EXPECT_EQ(qb[5], 0x01);
  EXPECT_EQ(qb[13], 0x41);  // 12.5f = 0x41480000
  EXPECT_EQ(qb[12], 0x48);
}

TEST(SyscalRecords, TextFieldsArePaddedWithZerosAndCut) {
  TFileHeader h;
  h.SetCommentsText(std::string(60, 'x'));
  EXPECT_EQ(h.CommentsText().size(), TFileHeader::CommentsLimit);
  EXPECT_EQ(h.Comments[47], 0);
  TSeqHeader s;
  s.SetTitleText("WennerA");
  EXPECT_EQ(s.TitleText(), "WennerA");
  EXPECT_EQ(s.Title[7], 0);
}

TEST(SyscalRecords, OldMeasurementRecordHasNoTrailingBlock) {
  const auto bytes = Pattern(TSyscalRecord::OldSize, 3);
  ByteReader in(bytes);
  const TSyscalRecord r = TSyscalRecord::DecodeOld(in);
  EXPECT_EQ(in.Position(), TSyscalRecord::OldSize);
  const auto encoded = EncodeRecord(r);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), encoded.begin()));
}

}  // namespace
}  // namespace tarvo
