#include "engine/core/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace tarvo {

namespace {

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

}  // namespace

std::string FormatValue(double x, int extraDigits) {
  const int p = extraDigits > MaxExtraDigits ? MaxExtraDigits : (extraDigits < 0 ? 0 : extraDigits);
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

double Power(double a, double b) {
  if (b == 0) return 1.0;
  if (b < 0) return std::nan("");
  return std::exp(a * std::log(b));
}

double Log10(double x) { return std::log(x) / 2.302585093; }

}  // namespace tarvo
