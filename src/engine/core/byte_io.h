#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Little-endian field-by-field access to byte blocks. The Syscal formats are
// packed little-endian records; they are decoded and encoded one field at a
// time through these helpers, never by overlaying a struct on the bytes.
namespace tarvo {

class ByteReader {
public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return bytes_.size() - pos_; }

  std::uint8_t U8() { return bytes_[pos_++]; }

  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }

  std::uint16_t U16() {
    const auto v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }

  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return v;
  }

  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  float F32() { return std::bit_cast<float>(U32()); }

  std::uint64_t U64() {
    const std::uint64_t low = U32();
    const std::uint64_t high = U32();
    return low | (high << 32);
  }

  double F64() { return std::bit_cast<double>(U64()); }

  template <std::size_t N>
  std::array<std::uint8_t, N> Bytes() {
    std::array<std::uint8_t, N> out{};
    for (auto& b : out) b = bytes_[pos_++];
    return out;
  }

private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

class ByteWriter {
public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void U8(std::uint8_t v) { out_.push_back(v); }
  void U16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void F64(double v) { U64(std::bit_cast<std::uint64_t>(v)); }

  template <std::size_t N>
  void Bytes(const std::array<std::uint8_t, N>& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }

private:
  std::vector<std::uint8_t>& out_;
};

// Text of a zero-padded character field: the characters up to the first zero byte.
template <std::size_t N>
std::string FieldText(const std::array<std::uint8_t, N>& field) {
  std::string s;
  for (auto b : field) {
    if (b == 0) break;
    s.push_back(static_cast<char>(b));
  }
  return s;
}

// Stores text into a zero-padded character field, keeping at most `limit`
// characters (N when not given) and clearing the rest of the field.
template <std::size_t N>
void SetFieldText(std::array<std::uint8_t, N>& field, std::string_view text, std::size_t limit = N) {
  field.fill(0);
  const std::size_t n = std::min({text.size(), limit, N});
  for (std::size_t i = 0; i < n; ++i) field[i] = static_cast<std::uint8_t>(text[i]);
}

}  // namespace tarvo
