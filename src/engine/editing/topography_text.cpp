#include "engine/editing/topography_text.h"

#include "engine/core/text_tokens.h"

namespace tarvo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == ';' || c == '\f' || c == '\v'; }

// Adds a point unless its position does not increase; false once the
// profile is full.
bool AddPoint(TopographyTable& t, double x, double z, int capacity) {
  if (!t.points.empty() && !(x > t.points.back().x)) {
    ++t.dropped;
    return true;
  }
  if (static_cast<int>(t.points.size()) >= capacity) {
    t.cut = true;
    return false;
  }
  t.points.push_back({x, z});
  return true;
}

bool BlankLine(std::string_view line) {
  for (char c : line) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

// The topography block of a Res2dInv data file: its flag line, count line
// and exactly two numbers on each of its point lines (data lines carry
// three or more).
std::optional<TopographyTable> Res2dInvBlock(const std::vector<std::string_view>& lines, int capacity) {
  for (std::size_t j = 0; j + 2 < lines.size(); ++j) {
    const auto flag = TableNumbers(lines[j]);
    if (flag.size() != 1 || TableFields(lines[j]).size() != 1 || (flag[0] != 1 && flag[0] != 2)) continue;
    const auto count = TableNumbers(lines[j + 1]);
    if (count.size() != 1 || TableFields(lines[j + 1]).size() != 1 || count[0] < 2 || count[0] != static_cast<int>(count[0])) {
      continue;
    }
    const auto n = static_cast<std::size_t>(count[0]);
    if (j + 2 + n > lines.size()) continue;
    TopographyTable t;
    bool block = true;
    for (std::size_t k = 0; k < n && block; ++k) {
      const std::string_view line = lines[j + 2 + k];
      const auto v = TableNumbers(line);
      block = v.size() == 2 && TableFields(line).size() == 2;
      if (block && !AddPoint(t, v[0], v[1], capacity)) break;
    }
    if (block && t.points.size() >= 2) return t;
  }
  return std::nullopt;
}

// The third and fourth lines of a Res2dInv data file are the array type and
// the number of points, each a whole number alone on its line.
bool LooksLikeRes2dInv(const std::vector<std::string_view>& lines) {
  if (lines.size() < 4) return false;
  for (std::size_t j : {std::size_t{2}, std::size_t{3}}) {
    const auto v = TableNumbers(lines[j]);
    if (v.size() != 1 || TableFields(lines[j]).size() != 1 || v[0] != static_cast<int>(v[0])) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> TableFields(std::string_view line) {
  int fields = 0;
  bool inField = false;
  for (char c : line) {
    const bool separator = IsBlank(c) || c == '\r' || c == '\n';
    if (!separator && !inField) ++fields;
    inField = !separator;
  }
  // Several fields separated by blanks, tabs or semicolons: a comma is a
  // decimal comma or trails a field. One field alone: commas separate.
  const bool commaSeparates = fields <= 1;
  std::vector<std::string> out;
  std::string field;
  const auto flush = [&] {
    while (!field.empty() && field.back() == ',') field.pop_back();
    while (!field.empty() && field.front() == ',') field.erase(field.begin());
    if (!field.empty()) out.push_back(field);
    field.clear();
  };
  for (char c : line) {
    if (IsBlank(c) || c == '\r' || c == '\n' || (commaSeparates && c == ',')) {
      flush();
    } else {
      field.push_back(c);
    }
  }
  flush();
  return out;
}

std::optional<double> TableNumber(std::string_view field) {
  std::string s(field);
  int commas = 0;
  bool point = false;
  for (char& c : s) {
    if (c == ',') {
      ++commas;
      c = '.';
    } else if (c == '.') {
      point = true;
    }
  }
  if (commas > 1 || (commas == 1 && point)) return std::nullopt;
  return ParseNumber(s);
}

std::vector<double> TableNumbers(std::string_view line) {
  std::vector<double> out;
  for (const std::string& f : TableFields(line)) {
    const auto v = TableNumber(f);
    if (!v) break;
    out.push_back(*v);
  }
  return out;
}

std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

TopographyTable ParsePastedTopography(std::string_view text, int capacity) {
  TopographyTable t;
  const auto lines = TextLines(text);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (BlankLine(lines[k])) break;
    const auto v = TableNumbers(lines[k]);
    if (v.size() < 2) {
      if (k == 0) continue;  // a header
      break;
    }
    if (!AddPoint(t, v[0], v[1], capacity)) break;
  }
  return t;
}

std::optional<TopographyTable> ParseTopographyFile(std::string_view text, int capacity, std::string& error) {
  const auto lines = TextLines(text);
  if (auto block = Res2dInvBlock(lines, capacity)) return block;
  if (LooksLikeRes2dInv(lines)) {
    error = "The Res2dInv file holds no topography.";
    return std::nullopt;
  }
  TopographyTable t;
  bool started = false;
  for (std::string_view line : lines) {
    if (BlankLine(line)) {
      if (started) break;
      continue;
    }
    const auto v = TableNumbers(line);
    if (v.size() < 2) {
      if (started) break;
      continue;  // header lines before the table
    }
    started = true;
    const double z = v.size() >= 3 ? v[2] : v[1];
    if (!AddPoint(t, v[0], z, capacity)) break;
  }
  if (t.points.size() < 2) {
    error = "No topography profile of two points or more in the file.";
    return std::nullopt;
  }
  return t;
}

}  // namespace tarvo
