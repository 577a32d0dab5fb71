#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whole-file input and output for the readers and writers. Text is taken as
// single-byte characters; lines end with CR LF or LF (a last line without an
// end is kept). Failures carry the platform's message.
namespace tarvo {

struct FileReadResult {
  bool ok = false;
  std::string error;  // the platform's message when !ok
  std::string path = {};  // WriteFilesWhole: the file the error is about
};

// What a reader says of a path that names no regular file (a device, a pipe,
// a socket): such a file is never opened for reading, so nothing can hang.
inline constexpr std::string_view NotARegularFile = "Not a regular file";

// Reads a whole file as bytes. Only regular files are read: a folder gives
// the platform's "Is a directory", anything else NotARegularFile.
FileReadResult ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);

// Reads a text file and splits it into lines without their line ends.
FileReadResult ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Splits text into lines at CR LF or LF; a CR before LF is dropped.
std::vector<std::string> SplitLines(const std::string& text);

// What a whole-file write does with a target whose mode gives no one write
// permission: refuse it with the platform's "Permission denied" (the rule of
// every writer), or replace it by a file that its owner may write (the
// Syscal writer, which clears the read-only attribute of the file it keeps a
// backup of).
enum class ReadOnlyTarget { Refuse, Replace };

// One file of a write.
struct FileToWrite {
  std::string path;
  std::string bytes;
};

// Writes a whole file or nothing: the bytes go to a temporary file in the
// target's folder, which is renamed over the target once complete, so a
// failed write (full disk, lost medium) never leaves a truncated file in
// place of a good one. The temporary file has a name of its own,
// ".NAME.tarvo-tmp-XXXXXX", and is created exclusively, never through a link
// planted under that name; a write killed before the rename leaves only such
// a file beside the untouched target. The new file keeps the permissions of
// the file it replaces. The error carries the platform's message.
FileReadResult WriteFileWhole(const std::string& path, const std::string& bytes,
                              ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// Writes the files of one export as a set: every file goes to its own
// temporary file first, and only when all of them are complete are they
// renamed over their targets, in order. A failure before the renames removes
// every temporary file and leaves every target as it was. Only a failure (or
// a kill) between two renames can leave the first files new and the others
// old.
FileReadResult WriteFilesWhole(const std::vector<FileToWrite>& files,
                               ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// True when `name` (a file name without folder) is the temporary file of a
// whole-file write, left by a write that was killed.
bool IsWriteLeftover(std::string_view name);

// Joins lines with CR LF after each, as every text file of the program ends
// its lines.
std::string JoinCrLf(const std::vector<std::string>& lines);

// True when the file exists and carries no write permission for anyone.
bool IsReadOnlyFile(const std::string& path);

}  // namespace tarvo
