#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/numbers.h"

// The number formatter rounds in integer arithmetic and writes into a small
// buffer. These tests hold it to the texts of the formatter it replaced,
// which rounded on decimal expansions made by the standard library: that
// formatter is kept below, unchanged, as the reference, and every value of
// the tables and sweeps must give the same bytes from both.
namespace tarvo {
namespace {

namespace reference {


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

std::string FormatFixed(double x, int decimals) {
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
std::string FormatExponent(double x, int significantDigits) {
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

std::string FormatValue(double x, int extraDigits) {
  const int p = extraDigits > 3 ? 3 : (extraDigits < 0 ? 0 : extraDigits);
  const double magnitude = std::fabs(x);

  // Not a number and the infinities have words of their own; no order of
  // magnitude is taken of them.
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";

  std::string s;
  if (magnitude <= 1e-8) {
    s = "0";
  } else {
    // The order of magnitude comes from a single-precision logarithm; the
    // small bias puts exact powers of ten into the decade below. A magnitude
    // beyond the float range takes its logarithm in double precision.
    const double l = magnitude <= std::numeric_limits<float>::max()
                         ? static_cast<double>(std::log10(static_cast<float>(magnitude)))
                         : std::log10(magnitude);
    int e = static_cast<int>(std::trunc(l - 1e-10));
    if (l < 0) e -= 1;

    if (e < -3 || e > 4) {
      s = FormatExponent(x, p > 0 ? 3 : 2);
    } else {
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
      s = FormatFixed(x, decimals);
      if (e < 2 || (e == 2 && p > 0) || (e == 3 && p > 1)) StripTrailingZeros(s);
    }
  }

  const auto first = s.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : s.substr(first);
}

}  // namespace reference

struct TextCase {
  double value;
  int extraDigits;
  const char* expected;
};

// Values with their texts, written out so that the reference itself is
// checked too: zero and negative zero, the edges of the zero rule, every
// decade of the fixed form with every precision, the decade changes a
// rounding carry makes, ties at every rounding place, exponents of one, two
// and three digits, and the float range's end.
TEST(NumberText, TableOfTexts) {
  const double negativeZero = -0.0;
  const TextCase cases[] = {
      {0.0, 0, "0"},
      {negativeZero, 2, "0"},
      {1e-8, 2, "0"},
      {-1e-8, 2, "0"},
      {1.0000001e-8, 2, "1.00E-8"},
      {-1.5e-8, 0, "-1.5E-8"},
      {0.001, 0, "1.0E-3"},
      {0.0012, 0, "0.0012"},
      {0.0012, 3, "0.0012"},
      {0.00123456789, 3, "0.0012346"},
      {0.0123456789, 0, "0.0123"},
      {0.0123456789, 3, "0.0123457"},
      {0.123456789, 1, "0.1235"},
      {0.123456789, 3, "0.123457"},
      {1.23456789, 0, "1.23"},
      {1.23456789, 3, "1.23457"},
      {12.3456789, 0, "12.3"},
      {12.3456789, 3, "12.3457"},
      {123.456789, 0, "123"},
      {123.456789, 3, "123.457"},
      {1234.56789, 1, "1235"},
      {1234.56789, 3, "1234.57"},
      {12345.6789, 0, "12346"},
      {12345.6789, 3, "12346"},  // no decimals from 10000 up
      {99999.9, 3, "100000"},
      {-99999.9, 2, "-100000"},
      {9999.95, 3, "9999.95"},
      {100000.0, 2, "100000"},
      {100010.0, 2, "1.00E+5"},
      // trailing zeros: dropped below 100, kept from 100 up without extra digits
      {2.5, 2, "2.5"},
      {2.0, 3, "2"},
      {20.0, 0, "20"},
      {200.0, 0, "200"},
      {200.0, 1, "200"},
      {2000.0, 2, "2000"},
      {2000.0, 1, "2000"},
      {20000.0, 3, "20000"},
      {200.5, 0, "201"},
      {2000.5, 1, "2001"},
      // carries into a new digit
      {9.999999, 0, "10"},
      {99.96, 0, "100"},
      {0.099996, 0, "0.1"},
      {0.0099999, 0, "0.01"},
      {999.96, 1, "1000"},
      {9999.6, 0, "10000"},
      {-9.999999, 2, "-10"},
      // ties at the rounding place go away from zero
      {0.5, 0, "0.5"},
      {0.125, 0, "0.125"},
      {0.0625, 0, "0.0625"},
      {0.03125, 0, "0.0313"},
      {-0.03125, 0, "-0.0313"},
      {1.125, 0, "1.13"},
      {-1.125, 0, "-1.13"},
      {2.5, 0, "2.5"},
      {12.25, 0, "12.3"},
      {12.75, 1, "12.75"},
      {150.5, 0, "151"},
      {-150.5, 0, "-151"},
      {151.5, 0, "152"},
      {1000.5, 1, "1001"},
      {1234.25, 2, "1234.3"},
      {1234.125, 3, "1234.13"},
      {2.675, 0, "2.67"},
      {1.005, 0, "1"},
      {0.045, 0, "0.045"},
      // exponent form
      {123456.0, 0, "1.2E+5"},
      {125000.0, 0, "1.3E+5"},
      {135000.0, 0, "1.4E+5"},
      {1125000.0, 1, "1.13E+6"},
      {995000.0, 0, "1.0E+6"},
      {9995000.0, 2, "1.00E+7"},
      {0.00099999, 2, "1.00E-3"},
      {0.00045, 0, "4.5E-4"},
      {0.000455, 0, "4.6E-4"},
      {-0.000455, 3, "-4.55E-4"},
      {1.5e12, 0, "1.5E+0012"},
      {9.87654e99, 2, "9.88E+0099"},
      {1e100, 2, "1.00E+010"},
      {1.23e123, 1, "1.23E+0123"},
      {-1.23e-300, 1, "0"},
      {1.7e308, 0, "1.7E+038"},
      {-1.7e308, 2, "-1.70E+038"},
      {static_cast<double>(std::numeric_limits<float>::max()), 2, "3.40E+0038"},
      {static_cast<double>(std::numeric_limits<float>::min()), 2, "0"},
      {std::numeric_limits<double>::max(), 3, "1.80E+038"},
      {std::numeric_limits<double>::infinity(), 0, "INF"},
      {-std::numeric_limits<double>::infinity(), 0, "-INF"},
      {std::numeric_limits<double>::quiet_NaN(), 0, "NAN"},
      // precision out of range acts as its nearest end
      {1.23456789, -4, "1.23"},
      {1.23456789, 9, "1.23457"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(reference::FormatValue(c.value, c.extraDigits), c.expected)
        << "reference, value " << c.value << " P " << c.extraDigits;
    EXPECT_EQ(FormatValue(c.value, c.extraDigits), c.expected) << "value " << c.value << " P " << c.extraDigits;
    std::string appended = "x";
    AppendValue(appended, c.value, c.extraDigits);
    EXPECT_EQ(appended, std::string("x") + c.expected);
  }
}

// Compares the formatter with the reference on a list of values, every
// precision, both signs; reports the first few differences.
void ExpectSameTexts(const std::vector<double>& values, const char* what) {
  int differences = 0;
  for (const double v : values) {
    for (const double x : {v, -v}) {
      for (int p = 0; p <= 4; ++p) {
        const std::string expected = reference::FormatValue(x, p);
        const std::string actual = FormatValue(x, p);
        if (actual != expected && ++differences <= 10) {
          ADD_FAILURE() << what << ": value " << std::hexfloat << x << std::defaultfloat << " (" << x << ") P " << p
                        << ": \"" << actual << "\", reference \"" << expected << "\"";
        }
      }
    }
  }
  EXPECT_EQ(differences, 0) << what;
}

// The values a dataset holds are 32-bit floats: random floats over every
// decade the formatter distinguishes, and beyond into both exponent forms.
TEST(NumberText, SameAsReferenceOnRandomFloats) {
  std::mt19937_64 random(20261210);
  std::uniform_real_distribution<double> exponent(-12.0, 40.0);
  std::vector<double> values;
  for (int i = 0; i < 20000; ++i) values.push_back(static_cast<float>(std::pow(10.0, exponent(random))));
  ExpectSameTexts(values, "random floats");
}

// Computed values are doubles (error estimates, factors, positions shifted):
// random doubles, including those beyond the float range.
TEST(NumberText, SameAsReferenceOnRandomDoubles) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-12.0, 308.0);
  std::uniform_real_distribution<double> near(-4.0, 6.0);
  std::vector<double> values;
  for (int i = 0; i < 5000; ++i) values.push_back(std::pow(10.0, exponent(random)));
  for (int i = 0; i < 15000; ++i) values.push_back(std::pow(10.0, near(random)));
  ExpectSameTexts(values, "random doubles");
}

// Where rounding is decided: values on a tie of a rounding place and their
// neighbours one step away in double and in float, at every place the fixed
// form rounds to and at the two and three digits of the exponent form; and
// every power of ten with its neighbours, where the decade is chosen.
TEST(NumberText, SameAsReferenceNextToTiesAndPowersOfTen) {
  std::mt19937_64 random(42);
  std::vector<double> values;
  const auto withNeighbours = [&values](double v) {
    values.push_back(v);
    values.push_back(std::nextafter(v, 0.0));
    values.push_back(std::nextafter(v, HUGE_VAL));
    const float f = static_cast<float>(v);
    values.push_back(f);
    values.push_back(std::nextafter(f, 0.0f));
    values.push_back(std::nextafter(f, HUGE_VALF));
  };
  for (int place = -2; place <= 11; ++place) {
    std::uniform_int_distribution<std::int64_t> digits(1, 99999);
    for (int i = 0; i < 300; ++i) {
      withNeighbours((static_cast<double>(digits(random)) + 0.5) / std::pow(10.0, place));
    }
  }
  for (int power = -12; power <= 40; ++power) {
    for (const double mantissa : {1.0, 1.05, 1.15, 1.25, 1.005, 1.015, 1.125, 9.95, 9.995, 9.9995, 9.99995}) {
      withNeighbours(mantissa * std::pow(10.0, power));
    }
  }
  // Binary fractions are exact ties at many places.
  for (int k = 1; k <= 40; ++k) {
    for (int m = 1; m < 64; m += 2) withNeighbours(std::ldexp(static_cast<double>(m), -k) * 1000.0);
  }
  ExpectSameTexts(values, "ties and powers of ten");
}

// Field values as instruments and the program write them: decimals of a
// few digits, the kind a file holds.
TEST(NumberText, SameAsReferenceOnShortDecimals) {
  std::vector<double> values;
  for (int n = 0; n <= 20000; ++n) {
    values.push_back(n / 100.0);
    values.push_back(static_cast<float>(n / 1000.0));
    values.push_back(n * 0.25 + 0.125);
  }
  ExpectSameTexts(values, "short decimals");
}

}  // namespace
}  // namespace tarvo
