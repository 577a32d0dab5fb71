#include "engine/core/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace tarvo {

FileReadResult ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return {false, std::strerror(EISDIR)};
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) return {false, std::strerror(errno != 0 ? errno : ENOENT)};
  // One block read of the whole file; files of this program are small.
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0) return {false, std::strerror(errno != 0 ? errno : EIO)};
  bytes.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  if (in.gcount() != size) return {false, std::strerror(errno != 0 ? errno : EIO)};
  return {true, {}};
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return lines;
}

FileReadResult ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
  std::vector<std::uint8_t> bytes;
  const FileReadResult r = ReadFileBytes(path, bytes);
  if (!r.ok) return r;
  lines = SplitLines(std::string(bytes.begin(), bytes.end()));
  return r;
}

FileReadResult WriteFileWhole(const std::string& path, const std::string& bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(path, ec)) return {false, std::strerror(EISDIR)};
  const fs::path target(path);
  const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".tarvo-tmp");
  {
    errno = 0;
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return {false, std::strerror(errno != 0 ? errno : EACCES)};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      const int err = errno != 0 ? errno : EIO;
      out.close();
      fs::remove(temp, ec);
      return {false, std::strerror(err)};
    }
  }
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return {false, ec.message()};
  }
  return {true, {}};
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return false;
  using std::filesystem::perms;
  return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

}  // namespace tarvo
