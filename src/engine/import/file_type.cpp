#include "engine/import/file_type.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "engine/core/syscal_records.h"
#include "engine/core/text_tokens.h"
#include "engine/import/prosys_reader.h"

namespace tarvo {

namespace {

// The first lines of a file, without their line ends. Only the start of the
// file is looked at, whatever its size.
std::vector<std::string> FirstLines(const std::string& path, int count) {
  constexpr std::streamsize MaxLine = 4096;
  // A pipe or a device is never opened: it could keep the read waiting.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (int i = 0; i < count && in; ++i) {
    std::string line(static_cast<std::size_t>(MaxLine), '\0');
    in.getline(line.data(), MaxLine);
    if (in.gcount() == 0 && !in) break;
    line.resize(static_cast<std::size_t>(in.gcount()));
    while (!line.empty() && (line.back() == '\0' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
    if (in.fail() && !in.eof()) break;  // a line longer than MaxLine
  }
  return lines;
}

std::string WithoutLeadingBlanks(const std::string& line) {
  const auto start = line.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : line.substr(start);
}

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

bool StartsWithSyscalMagic(const std::string& path) {
  const std::vector<std::string> lines = FirstLines(path, 1);
  return !lines.empty() && lines.front().starts_with(TFileHeader::MagicText);
}

}  // namespace

bool StartsAsUnifiedData(const std::string& path) {
  const std::vector<std::string> lines = FirstLines(path, 2);
  if (lines.size() < 2) return false;
  const std::string& countLine = lines[0];
  const std::size_t hash = countLine.find('#');
  std::string_view count = std::string_view(countLine).substr(0, hash);
  const std::string_view countToken = NextToken(count);
  const std::optional<int> n = ParseInteger(countToken);
  if (!n || *n < 1 || !NextToken(count).empty()) return false;
  const std::string second = WithoutLeadingBlanks(lines[1]);
  if (second.starts_with('#')) {
    std::string_view names = std::string_view(second).substr(1);
    const std::string_view first = NextToken(names);
    return first == "x" || first == "X";
  }
  return hash != std::string::npos;
}

const OpenFilter* FilterByContent(const std::string& path, bool syscalPro) {
  if (StartsAsUnifiedData(path)) return FilterByTypeName("unified");
  const std::vector<std::string> lines = FirstLines(path, 1);
  const std::string title = lines.empty() ? std::string() : WithoutLeadingBlanks(lines.front());
  if (IsProsysTitleLine(title)) return FilterByTypeName(syscalPro ? "syscal-pro" : "prosys");
  if (title.rfind('#', 0) == 0) return FilterByTypeName("electre2");
  return nullptr;
}

const OpenFilter* FilterForFile(const std::string& path, bool syscalPro) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bin" || ext == ".binx") {
    return FilterByTypeName(StartsWithSyscalMagic(path) ? "syscal" : "syscal-pro-bin");
  }
  if ((ext == ".ohm" || ext == ".dat") && StartsAsUnifiedData(path)) return FilterByTypeName("unified");
  const OpenFilter* f = FilterByExtension(path);
  return f != nullptr ? f : FilterByContent(path, syscalPro);
}

}  // namespace tarvo
