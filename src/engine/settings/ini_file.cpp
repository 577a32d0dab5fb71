#include "engine/settings/ini_file.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "engine/core/text_file.h"

namespace tarvo {

namespace {

// True when a new file can be created next to `file` (tried with a probe
// file of its own, created exclusively so that nothing planted under its
// name, a link included, is ever opened; removed at once).
bool FolderTakesNewFiles(const std::filesystem::path& file) {
  const std::filesystem::path probe = file.parent_path() / ("." + file.filename().string() + ".tarvo-probe");
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(probe, ec))) return true;
  bool created = false;
  {
    std::FILE* f = std::fopen(probe.string().c_str(), "wbx");
    if (f != nullptr) {
      created = true;
      std::fclose(f);
    }
  }
  if (created) std::filesystem::remove(probe, ec);
  return created;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

bool IsBelow33(char c) { return static_cast<unsigned char>(c) < 33; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimLeadingBlanks(std::string_view s) {
  while (!s.empty() && IsBlankOrTab(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && IsBlankOrTab(s.back())) s.remove_suffix(1);
  return s;
}

// A value enclosed in matching double or single quotes loses them.
std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// The text stored for a value so that reading gives the value back: one
// line, and quoted when the reading rules would otherwise trim blanks off an
// end or take enclosing quotes away.
std::string StoredValue(std::string_view value) {
  std::string v(value);
  for (char& c : v) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const bool quote = !v.empty() && (IsBelow33(v.front()) || IsBelow33(v.back()) || Unquote(v).size() != v.size());
  return quote ? '"' + v + '"' : v;
}

std::optional<int> ParseInteger(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    unsigned long long u = 0;
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data() + 2, end, u, 16);
    if (ec != std::errc{} || ptr != end || u > static_cast<unsigned long long>(INT_MAX)) return std::nullopt;
    return static_cast<int>(u);
  }
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (s.empty() || s.front() == '-') return std::nullopt;
  }
  int v = 0;
  const char* end = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(s.data(), end, v, 10);
  if (s.empty() || ec != std::errc{} || ptr != end) return std::nullopt;
  return v;
}

}  // namespace

IniResult IniFile::Load() {
  namespace fs = std::filesystem;
  sections_.clear();
  modified_ = false;
  std::error_code ec;
  const fs::file_status status = fs::status(path_, ec);
  if (status.type() == fs::file_type::not_found) return {};
  std::vector<std::uint8_t> bytes;
  if (ec || !ReadFileBytes(path_, bytes).ok) return {false, "Cannot open file " + path_};
  Parse(std::string(bytes.begin(), bytes.end()));
  return {};
}

void IniFile::Parse(std::string_view text) {
  sections_.clear();
  modified_ = false;
  Section* current = nullptr;
  for (const std::string& raw : SplitLines(std::string(text))) {
    std::string_view line = TrimLeadingBlanks(raw);
    while (!line.empty() && IsBelow33(line.back())) line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;

    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = TrimTrailingBlanks(TrimLeadingBlanks(line.substr(1, line.size() - 2)));
      if (FindSection(name) != nullptr) {
        current = nullptr;
      } else {
        sections_.push_back({std::string(name), {}});
        current = &sections_.back();
      }
      continue;
    }

    const std::size_t eq = line.find('=');
    if (current == nullptr || eq == std::string_view::npos) continue;
    current->lines.push_back({std::string(TrimTrailingBlanks(line.substr(0, eq))),
                              std::string(TrimLeadingBlanks(line.substr(eq + 1)))});
  }
}

std::string IniFile::Text() const {
  std::string text;
  for (const Section& s : sections_) {
    if (s.lines.empty()) continue;
    text += '[' + s.name + "]\r\n";
    for (const Line& l : s.lines) text += l.key + '=' + l.value + "\r\n";
    text += "\r\n";
  }
  return text;
}

IniResult IniFile::UpdateFile() {
  namespace fs = std::filesystem;
  const fs::path file(path_);
  if (file.has_parent_path()) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) return {false, ec.message()};
  }

  const std::string text = Text();
  // The whole file or nothing: a full disk must not leave a cut settings file
  // in place of the good one.
  const FileReadResult whole = WriteFileWhole(path_, text);
  if (whole.ok) {
    modified_ = false;
    return {};
  }
  // A folder that takes no new files may still hold a writable settings
  // file; it can only be rewritten in place then. Any other failure stands.
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || FolderTakesNewFiles(file)) return {false, whole.error};
  errno = 0;
  std::FILE* out = std::fopen(path_.c_str(), "wb");
  if (out == nullptr) return {false, std::strerror(errno != 0 ? errno : EIO)};
  errno = 0;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  int error = errno;
  const bool closed = std::fclose(out) == 0;
  if (error == 0) error = errno;
  if (!written || !closed) return {false, std::strerror(error != 0 ? error : EIO)};
  modified_ = false;
  return {};
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  for (const Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  for (Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

const IniFile::Line* IniFile::FindLine(const Section& section, std::string_view key) {
  for (const Line& l : section.lines) {
    if (SameName(l.key, key)) return &l;
  }
  return nullptr;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s != nullptr && FindLine(*s, key) != nullptr;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const Section* s = FindSection(section);
  const Line* l = s != nullptr ? FindLine(*s, key) : nullptr;
  return std::string(l != nullptr ? Unquote(l->value) : fallback);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  if (!ValueExists(section, key)) return fallback;
  return ParseInteger(ReadString(section, key, {})).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  std::string stored = StoredValue(value);
  for (Line& l : s->lines) {
    if (!SameName(l.key, key)) continue;
    if (Unquote(l.value) == Unquote(stored)) return;
    l.value = std::move(stored);
    modified_ = true;
    return;
  }
  s->lines.push_back({std::string(key), std::move(stored)});
  modified_ = true;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace tarvo
