#include "engine/core/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace tarvo {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view LeftoverMark = ".tarvo-tmp-";
constexpr std::size_t UniquePartLength = 6;
constexpr int NameAttempts = 100;

FileReadResult Failure(int error) { return {false, std::strerror(error != 0 ? error : EIO)}; }

// Closes a descriptor on every path out of a scope.
class Descriptor {
public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now; false (with errno set) when the close reports an error.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

private:
  int fd_;
};

std::string UniquePart() {
  static std::mt19937_64 random{std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32)};
  constexpr std::string_view letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string part;
  for (std::size_t i = 0; i < UniquePartLength; ++i) part += letters[random() % letters.size()];
  return part;
}

// A temporary file written completely, waiting for its rename.
struct Written {
  fs::path temp;
  fs::path target;
};

void RemoveTemporaries(const std::vector<Written>& written, std::size_t from) {
  for (std::size_t i = from; i < written.size(); ++i) ::unlink(written[i].temp.c_str());
}

// The mode the new file takes: that of the file it replaces (with write
// permission for its owner when a read-only file is replaced), else the
// default of new files.
FileReadResult CheckTarget(const fs::path& target, ReadOnlyTarget readOnly, bool& replaces, mode_t& mode) {
  replaces = false;
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) {
    if (errno == ENOENT) return {true, {}};
    return Failure(errno);
  }
  if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
  // A device or pipe is neither written into nor replaced.
  if (!S_ISREG(st.st_mode)) return {false, std::string(NotARegularFile)};
  replaces = true;
  mode = st.st_mode & 0777;
  const bool noWritePermission = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  if (noWritePermission) {
    if (readOnly == ReadOnlyTarget::Refuse) return Failure(EACCES);
    mode |= S_IWUSR;
  } else if (readOnly == ReadOnlyTarget::Refuse && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    // Another user's file, which this user could not have written: a rename
    // must not replace it either.
    if (errno == EACCES || errno == EPERM) return Failure(errno);
  }
  return {true, {}};
}

// Writes the bytes to a new temporary file beside the target.
FileReadResult WriteTemporary(const fs::path& target, const std::string& bytes, ReadOnlyTarget readOnly,
                              fs::path& temp) {
  bool replaces = false;
  mode_t mode = 0;
  if (const FileReadResult checked = CheckTarget(target, readOnly, replaces, mode); !checked.ok) return checked;

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string prefix = "." + target.filename().string() + std::string(LeftoverMark);
  int fd = -1;
  for (int attempt = 0; attempt < NameAttempts && fd < 0; ++attempt) {
    temp = folder / (prefix + UniquePart());
    // Exclusive creation never opens an existing file nor follows a link.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return Failure(errno);
  }
  if (fd < 0) return Failure(EEXIST);
  Descriptor file(fd);

  const auto fail = [&temp](int error) {
    ::unlink(temp.c_str());
    return Failure(error);
  };
  if (replaces && ::fchmod(file.Get(), mode) != 0) return fail(errno);
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(file.Get(), data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (!file.Close()) return fail(errno);
  return {true, {}};
}

}  // namespace

FileReadResult ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  // Opened without waiting, so that a pipe without a writer cannot block the
  // read; anything but a regular file is refused before a byte is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Failure(errno);
  Descriptor file(fd);
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0) return Failure(errno);
  if (S_ISDIR(st.st_mode)) return Failure(EISDIR);
  if (!S_ISREG(st.st_mode)) return {false, std::string(NotARegularFile)};

  bytes.clear();
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  std::uint8_t buffer[65536];
  while (true) {
    const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failure(errno);
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return {true, {}};
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
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

FileReadResult WriteFileWhole(const std::string& path, const std::string& bytes, ReadOnlyTarget readOnly) {
  return WriteFilesWhole({FileToWrite{path, bytes}}, readOnly);
}

FileReadResult WriteFilesWhole(const std::vector<FileToWrite>& files, ReadOnlyTarget readOnly) {
  std::vector<Written> written;
  for (const FileToWrite& f : files) {
    Written w;
    w.target = fs::path(f.path);
    FileReadResult r = WriteTemporary(w.target, f.bytes, readOnly, w.temp);
    if (!r.ok) {
      RemoveTemporaries(written, 0);
      r.path = f.path;
      return r;
    }
    written.push_back(std::move(w));
  }
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (::rename(written[i].temp.c_str(), written[i].target.c_str()) != 0) {
      const int error = errno;
      RemoveTemporaries(written, i);
      FileReadResult r = Failure(error);
      r.path = written[i].target.string();
      return r;
    }
  }
  return {true, {}};
}

bool IsWriteLeftover(std::string_view name) {
  const std::size_t mark = name.rfind(LeftoverMark);
  return !name.empty() && name.front() == '.' && mark != std::string_view::npos && mark > 0 &&
         name.size() == mark + LeftoverMark.size() + UniquePartLength;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
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
