#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Whole-file input and output for the readers and writers. Text is taken as
// single-byte characters; lines end with CR LF or LF (a last line without an
// end is kept). Failures carry the platform's message.
namespace tarvo {

struct FileReadResult {
  bool ok = false;
  std::string error;  // the platform's message when !ok
};

// Reads a whole file as bytes.
FileReadResult ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes);

// Reads a text file and splits it into lines without their line ends.
FileReadResult ReadTextLines(const std::string& path, std::vector<std::string>& lines);

// Splits text into lines at CR LF or LF; a CR before LF is dropped.
std::vector<std::string> SplitLines(const std::string& text);

// Writes a whole file or nothing: the bytes go to a temporary file in the
// target's folder, which is renamed over the target once complete, so a
// failed write (full disk, lost medium) never leaves a truncated file in
// place of a good one. The error carries the platform's message.
FileReadResult WriteFileWhole(const std::string& path, const std::string& bytes);

// Joins lines with CR LF after each, as every text file of the program ends
// its lines.
std::string JoinCrLf(const std::vector<std::string>& lines);

// True when the file exists and carries no write permission for anyone.
bool IsReadOnlyFile(const std::string& path);

}  // namespace tarvo
