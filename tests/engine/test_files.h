#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace tarvo::test {

// A folder of its own for the running test, removed with its contents afterwards.
class ScratchFolder {
public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "tarvo";
    if (info != nullptr) name += std::string("-") + info->test_suite_name() + "-" + info->name();
    for (char& c : name) {
      if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(std::random_device{}()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder itself.
  const std::filesystem::path& Path() const { return path_; }

  // The full name of a file in the folder.
  std::string PathOf(const std::string& name) const { return (path_ / name).string(); }

  // Writes the bytes of `text` to a file in the folder and returns its full name.
  std::string Write(const std::string& name, const std::string& text) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
  }

private:
  std::filesystem::path path_;
};

// The whole content of a file, byte for byte (empty when it cannot be read).
inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines, each followed by CR LF.
inline std::string Crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The CR LF ended lines of a text; a last line without CR LF is marked "<no CR LF>".
inline std::vector<std::string> SplitCrlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// Byte-for-byte equality; on failure, names the first differing line and both line counts.
inline ::testing::AssertionResult SameBytes(const std::string& written, const std::string& expected) {
  if (written == expected) return ::testing::AssertionSuccess();
  const auto a = SplitCrlf(written);
  const auto b = SplitCrlf(expected);
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return ::testing::AssertionFailure() << "written " << a.size() << " lines, expected " << b.size()
                                       << "; first difference at line " << i + 1 << ":\n  written:  \""
                                       << (i < a.size() ? a[i] : "<none>") << "\"\n  expected: \""
                                       << (i < b.size() ? b[i] : "<none>") << "\"";
}

}  // namespace tarvo::test
