#include "engine/import/file_type.h"

#include <filesystem>
#include <fstream>

namespace tarvo {

namespace {

// The first line of a file without its leading blanks and tabs. Only the
// start of the file is looked at, whatever its size.
std::string FirstLine(const std::string& path) {
  constexpr std::streamsize MaxLine = 4096;
  // A pipe or a device is never opened: it could keep the read waiting.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::string line(static_cast<std::size_t>(MaxLine), '\0');
  in.getline(line.data(), MaxLine);
  line.resize(static_cast<std::size_t>(in.gcount()));
  while (!line.empty() && (line.back() == '\0' || line.back() == '\r')) line.pop_back();
  const auto start = line.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : line.substr(start);
}

}  // namespace

const OpenFilter* FilterByContent(const std::string& path, bool syscalPro) {
  const std::string title = FirstLine(path);
  if (title.find("Spa.") != std::string::npos) return FilterByTypeName(syscalPro ? "syscal-pro" : "prosys");
  if (title.rfind('#', 0) == 0) return FilterByTypeName("electre2");
  return nullptr;
}

const OpenFilter* FilterForFile(const std::string& path, bool syscalPro) {
  const OpenFilter* f = FilterByExtension(path);
  return f != nullptr ? f : FilterByContent(path, syscalPro);
}

}  // namespace tarvo
