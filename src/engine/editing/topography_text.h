#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Tables of numbers as operators paste them or keep them in files: columns
// separated by tabs, blanks, semicolons or commas, numbers with a decimal
// point or a decimal comma.
namespace tarvo {

// The fields of one line of a pasted or exported table. Tabs, semicolons
// and blanks separate fields; a comma then is a decimal comma ("12,5\t3,25").
// A line that holds no other separator is comma-separated ("12.5,3.25").
// A trailing comma of a field ("12, 3") is a separator too.
std::vector<std::string> TableFields(std::string_view line);

// A field as a number: "." or "," as the decimal separator.
std::optional<double> TableNumber(std::string_view field);

// The numbers of a line, as long as its fields read as numbers (the first
// field that does not ends the list).
std::vector<double> TableNumbers(std::string_view line);

// The lines of a text, whatever its line ends (CR LF, LF or CR).
std::vector<std::string_view> TextLines(std::string_view text);

// A topography point: a position along the line and its altitude.
struct TopographyPoint {
  double x = 0;
  double z = 0;
};

// A profile read from text.
struct TopographyTable {
  std::vector<TopographyPoint> points;  // positions strictly increasing
  int dropped = 0;     // points dropped because their position did not increase
  bool cut = false;    // the text held more points than the profile takes
};

// The pasted profile: each line gives the position (first field) and the
// altitude (second field); a first line that does not read is a header and
// is skipped; reading stops at the first line after it that does not read
// or at a blank line. A point whose position is not greater than the
// previous one's is dropped. At most `capacity` points are kept.
TopographyTable ParsePastedTopography(std::string_view text, int capacity);

// A topography file: the topography block of a Res2dInv data file (a line
// "1" or "2", a line with the number of points, then one "x z" line per
// point), or a table of two (x, z) or three (x, y, z) columns after header
// lines that do not read; y, the offset across the line, is not used.
// Nothing (with the reason in `error`) when the text holds no profile of
// two points or more.
std::optional<TopographyTable> ParseTopographyFile(std::string_view text, int capacity, std::string& error);

}  // namespace tarvo
