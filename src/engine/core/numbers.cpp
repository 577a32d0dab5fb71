#include "engine/core/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace tarvo {

namespace {


// The exact path. It rounds on a decimal expansion of the value made by the
// standard library; the fast path below hands it every value that lies so
// close to a rounding tie that the expansion decides the direction.

// The decimal digits of a non-negative value: value = 0.d1 d2 d3 ... x 10^exponent.
struct DecimalDigits {
  std::string digits;
  int exponent = 0;
};

// Seventeen significant digits are the short expansion: enough to round
// almost every value exactly. Sixty hold every single-precision value
// exactly, so rounding on them decides ties the way a person would (half
// away from zero) instead of by the binary rounding of the standard library.
constexpr int ShortDigits = 17;
constexpr int ExactDigits = 60;

DecimalDigits Expand(double magnitude, int significant) {
  char buf[128];
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, significant - 1);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const auto ePos = text.find('e');
  DecimalDigits d;
  d.digits.push_back(text[0]);
  if (ePos > 2) d.digits.append(text.substr(2, ePos - 2));
  d.exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str()) + 1;
  return d;
}

// True when rounding the short expansion to `keep` digits might differ from
// rounding the exact value: the short expansion is itself rounded, so a tail
// of "5000..." or "4999..." (or no tail at all) leaves the direction open.
bool RoundingUndecided(const DecimalDigits& d, int keep) {
  if (keep < 0) return false;
  const auto k = static_cast<std::size_t>(keep);
  if (k >= d.digits.size()) return true;
  const std::string_view tail = std::string_view(d.digits).substr(k);
  const std::string_view rest = tail.substr(1);
  return (tail[0] == '5' && rest.find_first_not_of('0') == std::string_view::npos) ||
         (tail[0] == '4' && rest.find_first_not_of('9') == std::string_view::npos);
}

// Keeps the first `keep` digits, rounding half away from zero. A carry out of
// the first digit adds a digit in front and raises the exponent.
void RoundDigits(DecimalDigits& d, int keep) {
  if (keep < 0) keep = 0;
  const auto k = static_cast<std::size_t>(keep);
  const bool up = k < d.digits.size() && d.digits[k] >= '5';
  d.digits.resize(k, '0');
  if (!up) return;
  std::size_t i = k;
  while (i > 0) {
    --i;
    if (d.digits[i] != '9') {
      ++d.digits[i];
      return;
    }
    d.digits[i] = '0';
  }
  d.digits.insert(d.digits.begin(), '1');
  d.digits.pop_back();
  ++d.exponent;
}

std::string ExactFixed(double x, int decimals) {
  const auto expand = [x](int significant) {
    DecimalDigits d = Expand(std::fabs(x), significant);
    // A leading zero takes any carry, so the digit count stays exact.
    d.digits.insert(d.digits.begin(), '0');
    ++d.exponent;
    return d;
  };
  DecimalDigits d = expand(ShortDigits);
  if (RoundingUndecided(d, d.exponent + decimals)) d = expand(ExactDigits);
  RoundDigits(d, d.exponent + decimals);

  std::string intPart;
  std::string fracPart;
  for (int i = 0; i < d.exponent + decimals; ++i) {
    const char c = i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(i)] : '0';
    if (i < d.exponent) intPart.push_back(c); else fracPart.push_back(c);
  }
  if (d.exponent < 0) fracPart.insert(0, static_cast<std::size_t>(-d.exponent), '0');
  fracPart.resize(static_cast<std::size_t>(decimals), '0');
  const auto nonZero = intPart.find_first_not_of('0');
  intPart = nonZero == std::string::npos ? "0" : intPart.substr(nonZero);

  std::string s = intPart;
  if (decimals > 0) s += "." + fracPart;
  if (x < 0 && s.find_first_not_of("0.") != std::string::npos) s.insert(s.begin(), '-');
  return s;
}

// Exponent form: sign or blank, one digit, ".", the other digits, "E", the
// exponent's sign and four digits; then zeros in front of the exponent's last
// digit are removed one at a time ("E+0005" -> "E+5", "E+0012" stays).
std::string ExactExponent(double x, int significantDigits) {
  DecimalDigits d = Expand(std::fabs(x), ShortDigits);
  if (RoundingUndecided(d, significantDigits)) d = Expand(std::fabs(x), ExactDigits);
  RoundDigits(d, significantDigits);
  const int exponent = d.exponent - 1;

  std::string expDigits = std::to_string(exponent < 0 ? -exponent : exponent);
  while (expDigits.size() < 4) expDigits.insert(expDigits.begin(), '0');

  std::string s(1, x < 0 ? '-' : ' ');
  s += d.digits.substr(0, 1) + "." + d.digits.substr(1) + "E" + (exponent < 0 ? '-' : '+') + expDigits;
  while (s.size() >= 2 && s[s.size() - 2] == '0') s.erase(s.size() - 2, 1);
  return s;
}

void StripTrailingZeros(std::string& s) {
  if (s.find('.') == std::string::npos) return;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
}


// The fast path: the value rounded exactly in integer arithmetic, the text
// written into a small buffer.

// The exact numerator and denominator of the value need 128 bits.
__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t PowersOfTen[20] = {1ULL,
                                           10ULL,
                                           100ULL,
                                           1000ULL,
                                           10000ULL,
                                           100000ULL,
                                           1000000ULL,
                                           10000000ULL,
                                           100000000ULL,
                                           1000000000ULL,
                                           10000000000ULL,
                                           100000000000ULL,
                                           1000000000000ULL,
                                           10000000000000ULL,
                                           100000000000000ULL,
                                           1000000000000000ULL,
                                           10000000000000000ULL,
                                           100000000000000000ULL,
                                           1000000000000000000ULL,
                                           10000000000000000000ULL};

int BitLength(Wide v) {
  const auto high = static_cast<std::uint64_t>(v >> 64);
  if (high != 0) return 128 - __builtin_clzll(high);
  const auto low = static_cast<std::uint64_t>(v);
  return low == 0 ? 0 : 64 - __builtin_clzll(low);
}

// Splits magnitude x 10^scale (magnitude a positive normal double) into its
// integer part and whether rounding half away from zero goes up, from the
// exact binary value. False when the numbers do not fit 128 bits, or when
// the exact value lies within 2^-26 of a unit from a tie (but not on it):
// there the exact
// path, which decides on a decimal expansion good to 17 (or 60) significant
// digits, is asked instead. Its expansion is off by less than 1e-9 of a unit
// for every text this function is used for (at most 8 digits before the
// rounding place), so outside that margin both paths round the same way.
bool RoundScaled(double magnitude, int scale, std::uint64_t& integerPart, bool& up) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  if (biased == 0 || biased == 0x7ff) return false;
  Wide num = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int twoExponent = biased - 1075;  // magnitude = num x 2^twoExponent
  Wide den = 1;
  if (scale >= 0) {
    if (scale > 19) return false;
    num *= PowersOfTen[scale];
  } else {
    if (scale < -19) return false;
    den = PowersOfTen[-scale];
  }
  Wide quotient = 0;
  Wide remainder = 0;
  if (twoExponent >= 0) {
    if (twoExponent > 126 - BitLength(num)) return false;
    num <<= twoExponent;
    quotient = num / den;
    remainder = num % den;
  } else {
    const int shift = -twoExponent;
    if (shift > 126 - BitLength(den)) return false;
    den <<= shift;
    if (scale >= 0) {
      quotient = num >> shift;
      remainder = num & (den - 1);
    } else {
      quotient = num / den;
      remainder = num % den;
    }
  }
  if ((quotient >> 63) != 0) return false;
  const Wide twice = remainder << 1;
  const Wide distance = twice > den ? twice - den : den - twice;
  // An exact tie has so few digits that both expansions hold it exactly,
  // and the exact path rounds it up too.
  if (distance != 0 && distance <= (den >> 25)) return false;
  integerPart = static_cast<std::uint64_t>(quotient);
  up = twice >= den;
  return true;
}

// Writes n as exactly `width` digits with leading zeros.
char* WriteDigits(char* p, std::uint64_t n, int width) {
  for (int i = width - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return p + width;
}

// Fixed form with `decimals` decimals (at most 7); trailing zeros of the
// decimals (and a "." left alone) go when strip is set.
bool FastFixed(double x, double magnitude, int decimals, bool strip, char* out, std::size_t& length) {
  std::uint64_t integerPart = 0;
  bool up = false;
  if (!RoundScaled(magnitude, decimals, integerPart, up)) return false;
  const std::uint64_t n = integerPart + (up ? 1 : 0);
  const std::uint64_t unit = PowersOfTen[decimals];
  std::uint64_t fraction = n % unit;
  char* p = out;
  if (x < 0 && n != 0) *p++ = '-';
  p = std::to_chars(p, p + 24, n / unit).ptr;
  int fractionDigits = decimals;
  if (strip) {
    while (fractionDigits > 0 && fraction % 10 == 0) {
      fraction /= 10;
      --fractionDigits;
    }
  }
  if (fractionDigits > 0) {
    *p++ = '.';
    p = WriteDigits(p, fraction, fractionDigits);
  }
  length = static_cast<std::size_t>(p - out);
  return true;
}

// Exponent form with 2 or 3 significant digits; see ExactExponent.
bool FastExponent(double x, double magnitude, int significantDigits, char* out, std::size_t& length) {
  const std::uint64_t lowest = PowersOfTen[significantDigits - 1];
  const std::uint64_t limit = PowersOfTen[significantDigits];
  int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
  std::uint64_t integerPart = 0;
  bool up = false;
  bool found = false;
  // The logarithm may be one off next to a power of ten; the digits tell.
  for (int attempt = 0; attempt < 3 && !found; ++attempt) {
    if (!RoundScaled(magnitude, significantDigits - 1 - exponent, integerPart, up)) return false;
    if (integerPart < lowest) {
      --exponent;
    } else if (integerPart >= limit) {
      ++exponent;
    } else {
      found = true;
    }
  }
  if (!found) return false;
  std::uint64_t n = integerPart + (up ? 1 : 0);
  if (n == limit) {
    n = lowest;
    ++exponent;
  }
  const int absExponent = exponent < 0 ? -exponent : exponent;
  if (absExponent > 9999) return false;

  char text[32];
  char* p = text;
  *p++ = x < 0 ? '-' : ' ';
  char digits[4];
  WriteDigits(digits, n, significantDigits);
  *p++ = digits[0];
  *p++ = '.';
  for (int i = 1; i < significantDigits; ++i) *p++ = digits[i];
  *p++ = 'E';
  *p++ = exponent < 0 ? '-' : '+';
  p = WriteDigits(p, static_cast<std::uint64_t>(absExponent), 4);
  std::size_t size = static_cast<std::size_t>(p - text);
  // Zeros in front of the exponent's last digit go one at a time, as in
  // ExactExponent.
  while (size >= 2 && text[size - 2] == '0') {
    text[size - 2] = text[size - 1];
    --size;
  }
  const std::size_t first = text[0] == ' ' ? 1 : 0;
  length = size - first;
  std::memcpy(out, text + first, length);
  return true;
}

// Copies the exact path's text without its leading blanks.
std::size_t CopyTrimmed(const std::string& s, char* out) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return 0;
  const std::size_t length = s.size() - first;
  std::memcpy(out, s.data() + first, length);
  return length;
}

// The text of FormatValue written into out (at least ValueTextCapacity
// bytes); returns its length.
constexpr std::size_t ValueTextCapacity = 64;

std::size_t WriteValue(double x, int extraDigits, char* out) {
  const int p = extraDigits > MaxExtraDigits ? MaxExtraDigits : (extraDigits < 0 ? 0 : extraDigits);
  const double magnitude = std::fabs(x);

  // Not a number and the infinities have words of their own; no order of
  // magnitude is taken of them.
  const auto word = [out](std::string_view w) {
    std::memcpy(out, w.data(), w.size());
    return w.size();
  };
  if (std::isnan(x)) return word("NAN");
  if (std::isinf(x)) return word(x < 0 ? "-INF" : "INF");
  if (magnitude <= 1e-8) return word("0");

  // The order of magnitude comes from a single-precision logarithm; the
  // small bias puts exact powers of ten into the decade below. A magnitude
  // beyond the float range takes its logarithm in double precision.
  const double l = magnitude <= std::numeric_limits<float>::max()
                       ? static_cast<double>(std::log10(static_cast<float>(magnitude)))
                       : std::log10(magnitude);
  int e = static_cast<int>(std::trunc(l - 1e-10));
  if (l < 0) e -= 1;

  std::size_t length = 0;
  if (e < -3 || e > 4) {
    const int significantDigits = p > 0 ? 3 : 2;
    if (FastExponent(x, magnitude, significantDigits, out, length)) return length;
    return CopyTrimmed(ExactExponent(x, significantDigits), out);
  }
  int decimals = 0;
  switch (e) {
    case -3:
    case -2: decimals = p + 4; break;
    case -1: decimals = p + 3; break;
    case 0: decimals = p + 2; break;
    case 1: decimals = p + 1; break;
    case 2: decimals = p; break;
    case 3: decimals = p > 1 ? p - 1 : 0; break;
    default: decimals = 0; break;
  }
  const bool strip = e < 2 || (e == 2 && p > 0) || (e == 3 && p > 1);
  if (FastFixed(x, magnitude, decimals, strip, out, length)) return length;
  std::string s = ExactFixed(x, decimals);
  if (strip) StripTrailingZeros(s);
  return CopyTrimmed(s, out);
}

}  // namespace

std::string FormatValue(double x, int extraDigits) {
  char text[ValueTextCapacity];
  return std::string(text, WriteValue(x, extraDigits, text));
}

void AppendValue(std::string& out, double x, int extraDigits) {
  char text[ValueTextCapacity];
  out.append(text, WriteValue(x, extraDigits, text));
}

double Power(double a, double b) {
  if (b == 0) return 1.0;
  if (b < 0) return std::nan("");
  return std::exp(a * std::log(b));
}

double Log10(double x) { return std::log(x) / 2.302585093; }

}  // namespace tarvo
