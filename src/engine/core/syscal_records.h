#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/byte_io.h"

// The records of the Syscal binary formats: document header, sequence header,
// electrode, quadripole and measurement record. Each one keeps the bytes the
// program does not interpret, so a file read and written again is unchanged.
namespace tarvo {

// Document header, 149 bytes.
struct TFileHeader {
  static constexpr std::size_t Size = 149;
  static constexpr std::string_view MagicText = "_DOC_";
  static constexpr std::size_t CommentsLimit = 47;  // characters that fit before the closing zero

  std::array<std::uint8_t, 5> Magic{};       // +0 "_DOC_"
  std::array<std::uint8_t, 42> Reserved5{};  // +5 carried unchanged
  std::array<std::uint8_t, 32> Operator{};   // +47 zero padded
  std::array<std::uint8_t, 48> Comments{};   // +79 up to 47 characters, zero padded
  std::uint8_t AbsValues = 0;                // +127 non-zero: resistivities made positive
  std::int32_t Alpha = 0;                    // +128 shown divided by 256
  std::array<std::uint8_t, 10> Reserved132{};// +132 carried unchanged
  std::int16_t DocType = 0;                  // +142 768 old layout, 256 current layout
  std::int16_t VueType = 0;                  // +144
  std::int16_t FileStatus = 0;               // +146
  std::uint8_t Reserved148 = 0;              // +148 carried unchanged

  bool HasMagic() const { return FieldText(Magic).substr(0, 5) == MagicText; }
  std::string OperatorText() const { return FieldText(Operator); }
  std::string CommentsText() const { return FieldText(Comments); }
  void SetOperatorText(std::string_view text) { SetFieldText(Operator, text); }
  void SetCommentsText(std::string_view text) { SetFieldText(Comments, text, CommentsLimit); }

  static TFileHeader Decode(ByteReader& in);
  void Encode(ByteWriter& out) const;
  bool operator==(const TFileHeader&) const = default;
};

inline constexpr std::int16_t DocTypeOld = 768;      // 10-byte measurement records
inline constexpr std::int16_t DocTypeCurrent = 256;  // 18-byte measurement records

// Sequence header, 30 bytes. The instrument documents a 16-bit field at +28,
// which overlaps the last two bytes of Line; the bytes travel with Line.
struct TSeqHeader {
  static constexpr std::size_t Size = 30;

  std::array<std::uint8_t, 2> Reserved0{};  // +0 carried unchanged (byte 1 cleared for text data)
  std::int16_t ElectrodeTotal = 0;          // +2 electrode records that follow
  std::array<std::uint8_t, 6> Reserved4{};  // +4 carried unchanged
  std::int32_t QuadCount = 0;               // +10 quadripole records (16 bits in the file: MaxSyscalFileQuadripoles)
  std::array<std::uint8_t, 10> Title{};     // +12 zero padded
  float Area = 0;                           // +22
  float Line = 0;                           // +26

  std::string TitleText() const { return FieldText(Title); }
  void SetTitleText(std::string_view text) { SetFieldText(Title, text); }

  static TSeqHeader Decode(ByteReader& in);
  void Encode(ByteWriter& out) const;
  bool operator==(const TSeqHeader&) const = default;
};

// Electrode of an instrument layout, 16 bytes.
struct TElectrode {
  static constexpr std::size_t Size = 16;

  std::int16_t Number = 0;
  float X = 0;
  float Y = 0;
  float Z = 0;
  std::array<std::uint8_t, 2> Reserved14{};

  static TElectrode Decode(ByteReader& in);
  void Encode(ByteWriter& out) const;
  bool operator==(const TElectrode&) const = default;
};

// Quadripole of an instrument sequence, 14 bytes. Electrode numbers are
// 1-based; 0 means the electrode is absent (at infinity).
struct TQuadripole {
  static constexpr std::size_t Size = 14;

  std::int16_t A = 0;
  std::int16_t B = 0;
  std::int16_t M = 0;
  std::int16_t N = 0;
  std::int16_t Flag = 0;  // 1 defined; 0 marks an undefined entry
  float K = 0;            // geometric factor (m)

  static TQuadripole Decode(ByteReader& in);
  void Encode(ByteWriter& out) const;
  bool operator==(const TQuadripole&) const = default;
};

// Measurement record of a Syscal data file: 18 bytes in the current layout,
// 10 bytes (no trailing block) in the old one.
struct TSyscalRecord {
  static constexpr std::size_t Size = 18;
  static constexpr std::size_t OldSize = 10;

  float V = 0;              // mV
  float I = 0;              // mA
  std::int16_t Dev = 0;     // deviation, percent
  std::array<std::uint8_t, 8> Reserved10{};

  static TSyscalRecord Decode(ByteReader& in);
  static TSyscalRecord DecodeOld(ByteReader& in);
  void Encode(ByteWriter& out) const;
  bool operator==(const TSyscalRecord&) const = default;
};

// Convenience for whole-record byte blocks (tests and writers).
template <class Record>
std::vector<std::uint8_t> EncodeRecord(const Record& r) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(Record::Size);
  ByteWriter out(bytes);
  r.Encode(out);
  return bytes;
}

}  // namespace tarvo
