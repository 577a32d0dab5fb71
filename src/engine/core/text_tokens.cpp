#include "engine/core/text_tokens.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "engine/core/numbers.h"

namespace tarvo {

namespace {
bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }
bool EndsToken(char c) { return c == ' ' || c == '\t' || c == ','; }
}  // namespace

std::string_view NextToken(std::string_view& line) {
  std::size_t start = 0;
  while (start < line.size() && IsSkipped(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !EndsToken(line[end])) ++end;
  const std::string_view token = line.substr(start, end - start);
  line.remove_prefix(end < line.size() ? end + 1 : end);
  return token;
}

std::optional<double> ParseNumber(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return std::nullopt;
  double value = 0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value);
  if (res.ec != std::errc() || res.ptr != token.data() + token.size() || !FitsFloat(value)) return std::nullopt;
  return value;
}

std::optional<int> ParseInteger(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return std::nullopt;
  int value = 0;
  const auto res = std::from_chars(token.data(), token.data() + token.size(), value);
  if (res.ec != std::errc() || res.ptr != token.data() + token.size()) return std::nullopt;
  return value;
}

std::optional<double> NextNumber(std::string_view& line) { return ParseNumber(NextToken(line)); }

std::optional<float> NextFloat(std::string_view& line) {
  const auto value = NextNumber(line);
  if (!value) return std::nullopt;
  return static_cast<float>(*value);
}

}  // namespace tarvo
