#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/core/numbers.h"
#include "engine/core/text_tokens.h"

namespace tarvo {
namespace {

struct FormatCase {
  double value;
  int extraDigits;
  const char* expected;
};

TEST(FormatValue, FollowsTheFiveRules) {
  const FormatCase cases[] = {
      // Rule 1: magnitudes up to 1e-8 are written as zero.
      {0.0, 2, "0"},
      {1e-9, 2, "0"},
      {-1e-9, 0, "0"},
      {1e-8, 3, "0"},
      // The documented examples.
      {1.23456, 2, "1.2346"},
      {10.0, 2, "10"},
      {0.5, 2, "0.5"},
      {123.456, 0, "123"},
      {0.012345, 0, "0.0123"},
      // Decimals by order of magnitude, every extra-digit setting.
      {123.456, 1, "123.5"},
      {123.456, 2, "123.46"},
      {123.456, 3, "123.456"},
      {1234.5678, 0, "1235"},
      {1234.5678, 1, "1235"},
      {1234.5678, 2, "1234.6"},
      {1234.5678, 3, "1234.57"},
      {-1234.5678, 2, "-1234.6"},
      {12345.678, 3, "12346"},
      {99999.0, 2, "99999"},
      {100.0, 2, "100"},
      {1200.0, 2, "1200"},
      {1200.0, 1, "1200"},
      {0.0012346, 2, "0.001235"},
      {0.0012346, 0, "0.0012"},
      {0.25, 0, "0.25"},
      {9.99996, 2, "10"},
      // Values larger than 3 extra digits act as 3.
      {123.4567, 5, "123.457"},
      // Ties round away from zero.
      {150.5, 0, "151"},
      {-150.5, 0, "-151"},
      {150.25, 1, "150.3"},
      // Exponent forms: three significant digits with extra digits, else two.
      {123456.0, 2, "1.23E+5"},
      {123456.0, 0, "1.2E+5"},
      {0.00045, 2, "4.50E-4"},
      {0.001, 2, "1.00E-3"},
      {1e-5, 1, "1.00E-5"},
      {1e9, 3, "1.00E+9"},
      {1.5e12, 1, "1.50E+0012"},  // a two-digit exponent keeps its zeros
      {-2.5e-7, 0, "-2.5E-7"},
      {-3.14159e-6, 3, "-3.14E-6"},
      {999999.0, 2, "1.00E+6"},
      {112500.0, 2, "1.13E+5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatValue(c.value, c.extraDigits), c.expected) << "value " << c.value << " P " << c.extraDigits;
  }
}

TEST(FormatValue, SinglePrecisionValuesKeepTheirShortForm) {
  // Values arrive as 32-bit floats; their binary noise must not show.
  EXPECT_EQ(FormatValue(static_cast<double>(0.1f), 2), "0.1");
  EXPECT_EQ(FormatValue(static_cast<double>(12.3f), 2), "12.3");
  EXPECT_EQ(FormatValue(static_cast<double>(1023.7f), 1), "1024");
}

TEST(FormatValue, RoundsTheExactValueNextToATie) {
  // Ties go away from zero; a value one step either side of a tie, or a
  // decimal that is stored just below its written form, rounds the way its
  // exact binary value says.
  EXPECT_EQ(FormatValue(150.5, 0), "151");
  EXPECT_EQ(FormatValue(std::nextafter(150.5, 0.0), 0), "150");
  EXPECT_EQ(FormatValue(std::nextafter(150.5, 1000.0), 0), "151");
  EXPECT_EQ(FormatValue(-150.5, 0), "-151");
  EXPECT_EQ(FormatValue(2.675, 0), "2.67");  // stored as 2.67499999999999982...
  EXPECT_EQ(FormatValue(1.5e12, 0), "1.5E+0012");
  EXPECT_EQ(FormatValue(1.25e12, 0), "1.3E+0012");
  EXPECT_EQ(FormatValue(std::nextafter(1.25e12, 0.0), 0), "1.2E+0012");
}

// Every value has a text: a value that is not a number, an infinity or a
// magnitude beyond the float range never reaches an integer conversion.
TEST(FormatValue, IsTotal) {
  const double nan = std::nan("");
  const double inf = HUGE_VAL;
  EXPECT_EQ(FormatValue(nan, 2), "NAN");
  EXPECT_EQ(FormatValue(-nan, 0), "NAN");
  EXPECT_EQ(FormatValue(inf, 2), "INF");
  EXPECT_EQ(FormatValue(-inf, 3), "-INF");
  EXPECT_EQ(FormatValue(1e308, 2), "1.00E+038");  // the zero before the last digit goes
  EXPECT_EQ(FormatValue(-4e38, 0), "-4.0E+0038");
  EXPECT_EQ(FormatValue(3.4e38, 1), "3.40E+0038");
  EXPECT_EQ(FormatValue(std::numeric_limits<double>::denorm_min(), 2), "0");
}

TEST(ApproxEqual, ToleranceIsOneHundredth) {
  EXPECT_TRUE(ApproxEqual(10.0, 10.008));
  EXPECT_TRUE(ApproxEqual(10.0, 10.005));
  EXPECT_FALSE(ApproxEqual(10.0, 10.02));
  EXPECT_FALSE(ApproxEqual(-10.0, 10.0));
}

TEST(NumericHelpers, PowerAndLog10) {
  EXPECT_DOUBLE_EQ(Power(2.0, 3.0), 9.0);
  EXPECT_DOUBLE_EQ(Power(5.0, 0.0), 1.0);
  EXPECT_TRUE(std::isnan(Power(2.0, -3.0)));
  EXPECT_NEAR(Log10(1000.0), 3.0, 1e-9);
  EXPECT_TRUE(IsAbsentCoordinate(NoElectrode));
  EXPECT_FALSE(IsAbsentCoordinate(-1e14));
}

TEST(NextToken, SplitsOnBlanksTabsAndCommas) {
  std::string_view line = " \t,;12.5,\t-3e2  abc;def ,x";
  EXPECT_EQ(NextToken(line), "12.5");
  EXPECT_EQ(NextToken(line), "-3e2");
  EXPECT_EQ(NextToken(line), "abc;def");
  EXPECT_EQ(NextToken(line), "x");
  EXPECT_EQ(NextToken(line), "");
  EXPECT_TRUE(line.empty());
}

TEST(NextToken, RemovesOnlyTheSeparatorThatEndedTheToken) {
  std::string_view line = "1,,2";
  EXPECT_EQ(NextToken(line), "1");
  EXPECT_EQ(line, ",2");
}

TEST(ParseNumber, AcceptsOnlyCompleteDecimalNumbers) {
  EXPECT_EQ(ParseNumber("12.5"), 12.5);
  EXPECT_EQ(ParseNumber("+7"), 7.0);
  EXPECT_EQ(ParseNumber("-1E+03"), -1000.0);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  // Beyond the 32-bit float range is no value either: every number is kept in one.
  EXPECT_EQ(ParseNumber("3.4e38"), 3.4e38);
  for (const char* bad : {"", "12,5", "1.2.3", "12a", "abc", "nan", "NaN", "inf", "-inf", "infinity", "+", "++1",
                          "1e999", "1e308", "-1e308", "3.5e38", "1e39"}) {
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
  }
  std::string_view line = "3.5 x";
  EXPECT_EQ(NextNumber(line), 3.5);
  EXPECT_FALSE(NextNumber(line).has_value());
}

// Every spelling a file may use gives the double the general decimal
// conversion gives, bit for bit: short forms, long mantissas, large and small
// exponents, signed zeros and the edges of the float range.
TEST(ParseNumber, GivesTheNearestDoubleForEverySpelling) {
  const auto reference = [](std::string_view token) -> std::optional<double> {
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    if (token.empty() || token.front() == '+') return std::nullopt;
    double value = 0;
    const auto res = std::from_chars(token.data(), token.data() + token.size(), value);
    if (res.ec != std::errc() || res.ptr != token.data() + token.size() || !FitsFloat(value)) return std::nullopt;
    return value;
  };
  std::vector<std::string> tokens = {"0",        "-0",         "0.0",        "-0.000",      "00012.50",
                                     "1.",       "-.5",        "1e5",        "1E-5",        "2.5e+22",
                                     "2.5e23",   "1e-22",      "1e-23",      "123456789012345",
                                     "1234567890123456", "0.1234567890123456789", "9007199254740993",
                                     "3.4028234663852886e38", "3.4028235e38", "1e-45",  "1e-400",
                                     "0e500",    "1e",         "1e+",        "-",           "1.5.",
                                     "0.000000000000000000000001", "100000000000000000000000"};
  std::mt19937_64 random(15);
  for (int i = 0; i < 20000; ++i) {
    // Digits before and after the point, then maybe an exponent.
    std::string t = random() % 3 == 0 ? "-" : "";
    const int before = static_cast<int>(random() % 9), after = static_cast<int>(random() % 12);
    for (int d = 0; d < before; ++d) t += static_cast<char>('0' + random() % 10);
    if (after > 0 || before == 0) t += '.';
    for (int d = 0; d < after; ++d) t += static_cast<char>('0' + random() % 10);
    if (random() % 4 == 0) t += "e" + std::to_string(static_cast<int>(random() % 60) - 30);
    tokens.push_back(t);
  }
  for (const std::string& t : tokens) {
    const std::optional<double> got = ParseNumber(t), expected = reference(t);
    ASSERT_EQ(got.has_value(), expected.has_value()) << t;
    if (!got) continue;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(*expected)) << t;
  }

  // NextNumber reads a line as NextToken and ParseNumber do, token by token,
  // whatever separates the tokens (a semicolon inside a token stays in it).
  const char* separators[] = {" ", "\t", ",", ";", "  ", ",,", " ;"};
  std::string line;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    line += tokens[k];
    line += separators[random() % std::size(separators)];
  }
  std::string_view fused = line, split = line;
  while (!split.empty()) {
    const std::string_view before = split;
    const std::optional<double> got = NextNumber(fused), expected = ParseNumber(NextToken(split));
    ASSERT_EQ(fused, split) << before.substr(0, 40);
    ASSERT_EQ(got.has_value(), expected.has_value()) << before.substr(0, 40);
    if (got) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(*expected));
    }
  }
  EXPECT_FALSE(NextNumber(fused).has_value());
}

}  // namespace
}  // namespace tarvo
