#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The INI file object of the settings: named sections of key=value lines.
// The whole file is held in memory; reading it leaves nothing open, and
// UpdateFile rewrites it from the start. Section and key names are compared
// without regard to case (letters A-Z); text is single-byte, taken as it is.
namespace tarvo {

struct IniResult {
  bool ok = true;
  std::string error;  // what went wrong when !ok
};

class IniFile {
public:
  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // Reads the named file. A missing file gives an empty object and succeeds;
  // an existing file that cannot be opened (no permission, a directory) fails
  // with "Cannot open file " and the path, leaving the object empty.
  IniResult Load();

  // Replaces the contents by the sections of `text` (lines end with CR LF or
  // LF). Reading rules:
  // - leading blanks and tabs and trailing characters below code 33 of a line
  //   are removed; so a line holding only the end-of-file mark (character 26)
  //   becomes empty and is ignored, like a line starting with ";";
  // - "[name]" opens a section; a name met a second time opens nothing, and
  //   the lines of that later section are dropped;
  // - other lines are "key=value", with the blanks and tabs next to the
  //   first "=" removed; lines without "=" and lines before the first
  //   section are ignored.
  void Parse(std::string_view text);

  // The file as UpdateFile writes it: for every section holding at least
  // one line, "[name]", its lines in order, then an empty line. Lines end
  // with CR LF like every text file the program writes.
  std::string Text() const;

  // Writes Text() over the named file (created when missing, together with
  // its directory), cutting it at the new length. The object is unchanged
  // when this fails; the result carries the platform's message. Releasing
  // the object writes nothing: the owner calls this and reports a failure.
  IniResult UpdateFile();

  bool ValueExists(std::string_view section, std::string_view key) const;

  // The value of a key, without the matching double or single quotes that
  // may enclose it; `fallback` when the section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;

  // A decimal integer, or hexadecimal after "0x" (any case); `fallback` when
  // the key is missing or its value is not a whole number that fits.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;

  // An integer read as above: true when nonzero.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Replaces the key's line in its section, or appends "key=value" to the
  // section, which is created at the end when missing. The object counts as
  // modified only when the value read back really changes. Line breaks in
  // `value` become blanks (a value is one line); a value with blanks at an
  // end, or already enclosed in quotes, is stored in double quotes so that it
  // reads back the same.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // True when a write changed a value since the last Load, Parse or UpdateFile.
  bool Modified() const { return modified_; }

private:
  struct Line {
    std::string key;
    std::string value;  // as stored in the file, quotes included
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);
  static const Line* FindLine(const Section& section, std::string_view key);

  std::string path_;
  std::vector<Section> sections_;
  bool modified_ = false;
};

}  // namespace tarvo
