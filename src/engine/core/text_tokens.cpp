#include "engine/core/text_tokens.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/core/numbers.h"

namespace tarvo {

namespace {
// What each character is to the tokeniser: skipped in front of a token
// (blank, tab, comma, semicolon), and ending one (the same but semicolon).
constexpr unsigned char Skipped = 1, Ends = 2;
constexpr std::array<unsigned char, 256> CharacterClasses = [] {
  std::array<unsigned char, 256> c{};
  for (const char s : {' ', '\t', ','}) c[static_cast<unsigned char>(s)] = Skipped | Ends;
  c[static_cast<unsigned char>(';')] = Skipped;
  return c;
}();
bool Is(char c, unsigned char what) { return (CharacterClasses[static_cast<unsigned char>(c)] & what) != 0; }
}  // namespace

std::string_view NextToken(std::string_view& line) {
  const char* start = line.data();
  const char* const end = start + line.size();
  while (start != end && Is(*start, Skipped)) ++start;
  const char* stop = start;
  while (stop != end && !Is(*stop, Ends)) ++stop;
  const std::string_view token(start, static_cast<std::size_t>(stop - start));
  // The separator that ended the token goes with it.
  const char* const rest = stop != end ? stop + 1 : stop;
  line = std::string_view(rest, static_cast<std::size_t>(end - rest));
  return token;
}

namespace {

// Powers of ten that a double holds exactly.
constexpr double ExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common short decimal: [-]digits[.digits][(e|E)[+|-]digits] with at
// most 15 significant digits and a power of ten a double holds exactly. Its
// digits then form an exact integer and one multiplication or division by an
// exact power of ten rounds once, to the nearest double, which is what
// from_chars gives. Reads from c on and returns where the number ends;
// nullptr for anything else (more digits, a large exponent, another
// spelling), which then goes the general way.
bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

const char* ParseShortDecimal(const char* c, const char* const end, double& value) {
  const bool negative = c != end && *c == '-';
  if (negative) ++c;
  const char* const start = c;
  while (c != end && *c == '0') ++c;  // leading zeros carry no digit
  std::uint64_t digits = 0;
  const char* first = c;  // the first significant digit, once there is one
  for (; c != end && IsDigit(*c); ++c) digits = digits * 10 + static_cast<unsigned>(*c - '0');
  std::ptrdiff_t significant = c - first;
  if (c == start) return nullptr;  // no digit before the point
  int scale = 0;  // power of ten of the last digit
  if (c != end && *c == '.') {
    const char* const fraction = ++c;
    if (significant == 0) {
      while (c != end && *c == '0') ++c;
      first = c;
    }
    for (; c != end && IsDigit(*c); ++c) digits = digits * 10 + static_cast<unsigned>(*c - '0');
    if (c == fraction) return nullptr;
    scale = -static_cast<int>(c - fraction);
    significant = c - first;
    if (first < fraction) --significant;  // the point between them
  }
  if (significant > 15) return nullptr;
  if (c != end && (*c == 'e' || *c == 'E')) {
    ++c;
    bool minus = false;
    if (c != end && (*c == '+' || *c == '-')) minus = *c++ == '-';
    if (c == end || !IsDigit(*c)) return nullptr;
    int exponent = 0;
    for (; c != end && IsDigit(*c); ++c) {
      exponent = exponent * 10 + (*c - '0');
      if (exponent > 400) return nullptr;
    }
    scale += minus ? -exponent : exponent;
  }
  double v = static_cast<double>(digits);
  if (digits != 0) {
    if (scale > 22 || scale < -22) return nullptr;
    v = scale >= 0 ? v * ExactPowersOfTen[scale] : v / ExactPowersOfTen[-scale];
  }
  value = negative ? -v : v;
  return c;
}

// The plainest and most frequent form, [-]digits[.digits] with at most 15
// digits in all, read in one tight pass: the rule is that of
// ParseShortDecimal. Returns where the number ends, nullptr when the text
// does not start with that form.
inline const char* ParsePlainDecimal(const char* c, const char* const end, double& value) {
  const bool negative = c != end && *c == '-';
  if (negative) ++c;
  const char* const whole = c;
  std::uint64_t digits = 0;
  for (; c != end; ++c) {
    const unsigned d = static_cast<unsigned char>(*c) - unsigned{'0'};
    if (d > 9) break;
    digits = digits * 10 + d;
  }
  std::ptrdiff_t count = c - whole;
  if (count == 0) return nullptr;
  std::ptrdiff_t decimals = 0;
  if (c != end && *c == '.') {
    const char* const fraction = ++c;
    for (; c != end; ++c) {
      const unsigned d = static_cast<unsigned char>(*c) - unsigned{'0'};
      if (d > 9) break;
      digits = digits * 10 + d;
    }
    decimals = c - fraction;
    if (decimals == 0) return nullptr;
    count += decimals;
  }
  if (count > 15) return nullptr;
  const double v = decimals == 0 ? static_cast<double>(digits) : static_cast<double>(digits) / ExactPowersOfTen[decimals];
  value = negative ? -v : v;
  return c;
}

// Kept out of line, so that the short forms take no part of its cost.
[[gnu::noinline]] std::optional<double> GeneralNumber(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return std::nullopt;
  double value = 0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value);
  if (res.ec != std::errc() || res.ptr != token.data() + token.size() || !FitsFloat(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view token) {
  const char* const end = token.data() + token.size();
  double quick = 0;
  const char* stop = ParsePlainDecimal(token.data(), end, quick);
  if (stop != end) stop = ParseShortDecimal(token.data(), end, quick);
  if (stop != nullptr && stop == end) {
    if (!FitsFloat(quick)) return std::nullopt;
    return quick;
  }
  return GeneralNumber(token);
}

bool ParsePlainNumber(const char*& c, const char* end, double& value) {
  // At most 15 digits: the value is below 1e15 and always fits a float.
  const char* const stop = ParsePlainDecimal(c, end, value);
  if (stop == nullptr) return false;
  c = stop;
  return true;
}

std::optional<int> ParseInteger(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return std::nullopt;
  int value = 0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value);
  if (res.ec != std::errc() || res.ptr != token.data() + token.size()) return std::nullopt;
  return value;
}

std::optional<double> NextNumber(std::string_view& line) {
  // The token is read and parsed in one pass when it is a short decimal
  // ending at a separator or at the end of the line.
  const char* c = line.data();
  const char* const end = c + line.size();
  while (c != end && Is(*c, Skipped)) ++c;
  double quick = 0;
  const char* const stop = ParsePlainDecimal(c, end, quick);
  if (stop == nullptr || (stop != end && !Is(*stop, Ends))) return ParseNumber(NextToken(line));
  const char* const rest = stop != end ? stop + 1 : stop;
  line = std::string_view(rest, static_cast<std::size_t>(end - rest));
  if (!FitsFloat(quick)) return std::nullopt;
  return quick;
}

std::optional<float> NextFloat(std::string_view& line) {
  const auto value = NextNumber(line);
  if (!value) return std::nullopt;
  return static_cast<float>(*value);
}

}  // namespace tarvo
