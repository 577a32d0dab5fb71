#include "engine/import/prosys_reader.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/electre_reader.h"
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

// What a column of the export holds. Columns of any other title are never
// read.
enum Field : int {
  NoField = 0,
  FieldXA, FieldXB, FieldXM, FieldXN,
  FieldZA, FieldZB, FieldZM, FieldZN,
  FieldRho, FieldDev, FieldIP, FieldV, FieldI, FieldSP,
  FieldDelay,                                             // "Mdly": delay before the first IP window
  FirstWindow,                                            // "M1"
  LastWindow = FirstWindow + MaxIPWindows - 1,            // "M20"
  FirstWindowWidth,                                       // "TM1"
  LastWindowWidth = FirstWindowWidth + MaxIPWindows - 1,  // "TM20"
  FieldCount,
};

// The spellings of the column titles in the exports of the Prosys versions,
// compared without their unit and without regard to case ("Rho (Ohm.m)",
// "SP (mV)"). "M" alone is the chargeability only in capitals: a lower-case
// "m" is the M electrode of other column files.
struct TitleSpelling {
  std::string_view title;
  Field field;
};
constexpr std::array<TitleSpelling, 23> TitleSpellings = {{
    {"Spa.1", FieldXA}, {"xA", FieldXA},     {"Spa.2", FieldXB},       {"xB", FieldXB},
    {"Spa.3", FieldXM}, {"xM", FieldXM},     {"Spa.4", FieldXN},       {"xN", FieldXN},
    {"zA", FieldZA},    {"zB", FieldZB},     {"zM", FieldZM},          {"zN", FieldZN},
    {"Rho", FieldRho},  {"Rhoa", FieldRho},  {"Dev.", FieldDev},       {"Dev", FieldDev},
    {"Dev. Rho", FieldDev}, {"Vp", FieldV},  {"VMN", FieldV},          {"In", FieldI},
    {"IAB", FieldI},    {"Sp", FieldSP},     {"Mdly", FieldDelay},
}};

// The name a field goes by in messages: its title in the classic export.
std::string FieldName(int field) {
  switch (field) {
    case FieldXA: return "Spa.1";
    case FieldXB: return "Spa.2";
    case FieldXM: return "Spa.3";
    case FieldXN: return "Spa.4";
    case FieldZA: return "zA";
    case FieldZB: return "zB";
    case FieldZM: return "zM";
    case FieldZN: return "zN";
    case FieldRho: return "Rho";
    case FieldDev: return "Dev.";
    case FieldIP: return "M";
    case FieldV: return "Vp";
    case FieldI: return "In";
    case FieldSP: return "Sp";
    case FieldDelay: return "Mdly";
    default: break;
  }
  if (field >= FirstWindowWidth) return "TM" + std::to_string(field - FirstWindowWidth + 1);
  return "M" + std::to_string(field - FirstWindow + 1);
}

// Columns without which no point can be placed or valued.
constexpr std::array<Field, 5> NeededFields = {FieldXA, FieldXB, FieldXM, FieldXN, FieldRho};

constexpr std::string_view FormatError = "Bad ProSys TXT format. No data found.";
constexpr std::string_view OperatorName = "Prosys";
constexpr std::string_view ArrayNameTitle = "El-array";
constexpr double RemoteLimit = 99999;  // an electrode this far away is at infinity

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// "M7" -> 7 for prefix "M"; 0 when the text is not the prefix and a window
// number 1..MaxIPWindows.
int WindowNumber(std::string_view text, std::string_view prefix) {
  if (text.size() <= prefix.size() || !SameLetters(text.substr(0, prefix.size()), prefix)) return 0;
  const std::string_view digits = text.substr(prefix.size());
  if (digits.front() == '0') return 0;
  const std::optional<int> n = ParseInteger(digits);
  return n && *n >= 1 && *n <= MaxIPWindows ? *n : 0;
}

// A column title split into its name and its unit ("Vp (mV)": "Vp", "mV").
struct SplitTitle {
  std::string_view name;
  std::string_view unit;
};

SplitTitle SplitUnit(std::string_view title) {
  title = Trim(title);
  if (!title.empty() && (title.back() == ')' || title.back() == ']')) {
    const char open = title.back() == ')' ? '(' : '[';
    const std::size_t at = title.rfind(open);
    if (at != std::string_view::npos && at > 0) {
      return {Trim(title.substr(0, at)), Trim(title.substr(at + 1, title.size() - at - 2))};
    }
  }
  return {title, {}};
}

Field FieldOfName(std::string_view name) {
  if (name == "M") return FieldIP;
  if (name == "m") return NoField;
  for (const TitleSpelling& s : TitleSpellings) {
    if (SameLetters(s.title, name)) return s.field;
  }
  if (const int w = WindowNumber(name, "M")) return static_cast<Field>(FirstWindow + w - 1);
  if (const int w = WindowNumber(name, "TM")) return static_cast<Field>(FirstWindowWidth + w - 1);
  return NoField;
}

// Factor from the column's unit to the dataset's (mV for voltages, mA for
// currents); nothing when the unit is not one the field can be in. Other
// fields are kept as the file gives them.
std::optional<double> UnitScale(int field, std::string_view unit) {
  if (unit.empty()) return 1.0;
  if (field == FieldV || field == FieldI) {
    const char base = field == FieldV ? 'v' : 'a';
    if (unit.size() == 1 && Lower(unit[0]) == base) return 1000.0;
    if (unit.size() == 2 && unit[0] == 'm' && Lower(unit[1]) == base) return 1.0;
    // "uV", and "µV" in Windows-1252 or UTF-8.
    if (unit.size() >= 2 && Lower(unit.back()) == base &&
        (unit.substr(0, unit.size() - 1) == "u" || unit.substr(0, unit.size() - 1) == "\xB5" ||
         unit.substr(0, unit.size() - 1) == "\xC2\xB5")) {
      return 0.001;
    }
    return std::nullopt;
  }
  return 1.0;
}

// How the columns of a line are separated: by the title line's tabs, else
// its commas, else its semicolons, else by blanks.
char SeparatorOf(std::string_view title) {
  if (title.find('\t') != std::string_view::npos) return '\t';
  if (title.find(',') != std::string_view::npos) return ',';
  if (title.find(';') != std::string_view::npos) return ';';
  return ' ';
}

// The fields of one line, in order, each without its surrounding blanks.
class FieldCursor {
public:
  FieldCursor(std::string_view line, char separator) : line_(line), separator_(separator) {}

  // The next field; nothing after the last one.
  std::optional<std::string_view> Next() {
    if (separator_ == ' ') {
      while (pos_ < line_.size() && (IsBlank(line_[pos_]) || line_[pos_] == '\r')) ++pos_;
      if (pos_ >= line_.size()) return std::nullopt;
      const std::size_t start = pos_;
      while (pos_ < line_.size() && !IsBlank(line_[pos_]) && line_[pos_] != '\r') ++pos_;
      return line_.substr(start, pos_ - start);
    }
    if (done_) return std::nullopt;
    // Fields are short: a plain scan finds the separator sooner than a
    // library search set up for every field.
    std::size_t stop = pos_;
    while (stop < line_.size() && line_[stop] != separator_) ++stop;
    const std::string_view field = Trim(line_.substr(pos_, stop - pos_));
    done_ = stop == line_.size();
    pos_ = done_ ? line_.size() : stop + 1;
    return field;
  }

  // The line from the start of `field` (a field this cursor returned) on.
  std::string_view From(std::string_view field) const {
    return line_.substr(static_cast<std::size_t>(field.data() - line_.data()));
  }

private:
  std::string_view line_;
  char separator_;
  std::size_t pos_ = 0;
  bool done_ = false;
};

struct Column {
  std::string title;  // as written, without surrounding blanks
  int field = NoField;
  double scale = 1;   // to the dataset's unit
};

// Where each field sits in the title line.
struct ColumnLayout {
  std::vector<Column> columns;             // entry c-1 for column c
  std::array<int, FieldCount> columnOf{};  // field -> column (1-based), 0 when the file has none
  int identified = 0;                      // columns whose values are read
  int lastColumn = 0;                      // the last column read: a line may end after it
  char separator = ' ';
  // A blank-separated file whose first column is the array's name: it may be
  // several words, so it lasts up to the first number.
  bool arrayNameFirst = false;
  // Window columns without both "M1" and "M20": their lines cannot be read.
  bool windowsUnreadable = false;

  bool Has(int field) const { return columnOf[static_cast<std::size_t>(field)] != 0; }
  std::string TitleAt(int column) const {
    return column >= 1 && column <= static_cast<int>(columns.size()) ? columns[static_cast<std::size_t>(column - 1)].title
                                                                       : std::string();
  }
};

// The title fields of the line; in a blank-separated line a unit in
// brackets belongs to the title before it ("Rho (Ohm.m)").
std::vector<std::string> TitleFields(std::string_view title, char separator) {
  std::vector<std::string> fields;
  FieldCursor cursor(title, separator);
  while (const auto f = cursor.Next()) {
    if (separator == ' ' && !fields.empty() && (f->front() == '(' || f->front() == '[')) {
      fields.back() += ' ';
      fields.back() += *f;
    } else {
      fields.emplace_back(*f);
    }
  }
  return fields;
}

// Identifies every column by its title. Returns the message that refuses
// the file when the titles do not name what a point needs, or name it twice.
std::optional<std::string> FindColumns(std::string_view title, ColumnLayout& layout) {
  layout.separator = SeparatorOf(title);
  for (const std::string& text : TitleFields(title, layout.separator)) {
    Column column;
    column.title = text;
    column.field = FieldOfName(SplitUnit(text).name);
    layout.columns.push_back(column);
  }

  for (std::size_t c = 0; c < layout.columns.size(); ++c) {
    Column& column = layout.columns[c];
    if (column.field == NoField) continue;
    const int number = static_cast<int>(c) + 1;
    const int earlier = layout.columnOf[static_cast<std::size_t>(column.field)];
    if (earlier != 0) {
      return "Bad ProSys TXT format. Columns " + std::to_string(earlier) + " \"" + layout.TitleAt(earlier) +
             "\" and " + std::to_string(number) + " \"" + column.title + "\" both give " +
             FieldName(column.field) + ".";
    }
    const SplitTitle split = SplitUnit(column.title);
    const std::optional<double> scale = UnitScale(column.field, split.unit);
    if (!scale) {
      return "Bad ProSys TXT format. Column " + std::to_string(number) + " \"" + column.title +
             "\": unknown unit \"" + std::string(split.unit) + "\".";
    }
    column.scale = *scale;
    layout.columnOf[static_cast<std::size_t>(column.field)] = number;
    ++layout.identified;
    layout.lastColumn = number;
  }
  if (layout.identified < 3) return std::string(FormatError);
  for (const Field f : NeededFields) {
    if (!layout.Has(f)) return "Bad ProSys TXT format. No column \"" + FieldName(f) + "\" found.";
  }

  bool anyWindow = false;
  for (int w = FirstWindow; w <= LastWindow; ++w) anyWindow = anyWindow || layout.Has(w);
  layout.windowsUnreadable = anyWindow && !(layout.Has(FirstWindow) && layout.Has(LastWindow));
  layout.arrayNameFirst = layout.separator == ' ' && !layout.columns.empty() &&
                          layout.columns.front().title == ArrayNameTitle;
  return std::nullopt;
}

void StoreField(TDataPoint& p, TIPWindowTimes* times, int field, float value) {
  switch (field) {
    case FieldXA: p.XA = value; return;
    case FieldXB: p.XB = value; return;
    case FieldXM: p.XM = value; return;
    case FieldXN: p.XN = value; return;
    case FieldZA: p.ZA = value; return;
    case FieldZB: p.ZB = value; return;
    case FieldZM: p.ZM = value; return;
    case FieldZN: p.ZN = value; return;
    case FieldRho: p.Rho = value; return;
    case FieldDev: p.Dev = value; return;
    case FieldIP: p.IP = value; return;
    case FieldV: p.V = value; return;
    case FieldI: p.I = value; return;
    case FieldSP: p.SP = value; return;
    case FieldDelay:
      if (times != nullptr) times->Delay = value;
      return;
    default: break;
  }
  if (field >= FirstWindow && field <= LastWindow) {
    p.M[field - FirstWindow + 1] = value;
  } else if (field >= FirstWindowWidth && field <= LastWindowWidth && times != nullptr) {
    times->Widths[field - FirstWindowWidth + 1] = value;
  }
}

// A field's text as a value a point can hold; nothing when it is not a
// number or does not fit a 32-bit float.
std::optional<float> FieldValue(std::string_view text, double scale) {
  const std::optional<double> v = ParseNumber(text);
  if (!v) return std::nullopt;
  const double scaled = *v * scale;
  if (std::fabs(scaled) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(scaled);
}

std::string LineError(int lineNumber, const std::string& title, std::string_view rest) {
  return "Error by reading data.\r\nLine " + std::to_string(lineNumber) + ", " + title + "\r\n" + std::string(rest);
}

// The columns of a line separated by `separator` (a tab, comma or
// semicolon), read in one pass as FieldCursor and FieldValue read them. Only
// a line whose every column is there and whose values are plain numbers is
// read so; false for any other, which the field-by-field way then reads
// and reports.
bool ReadSeparatedColumns(std::string_view line, char separator, const ColumnLayout& layout, TDataPoint& p) {
  const char* c = line.data();
  const char* const end = c + line.size();
  const auto blank = [](char ch) { return IsBlank(ch) || ch == '\r'; };
  for (int column = 1; column <= layout.lastColumn; ++column) {
    if (c == nullptr) return false;  // the line ended before this column
    const char* stop = c;
    const Column& col = layout.columns[static_cast<std::size_t>(column - 1)];
    if (col.field != NoField) {
      // The field without its surrounding blanks must be a plain number.
      while (stop != end && *stop != separator && blank(*stop)) ++stop;
      double v = 0;
      if (!ParsePlainNumber(stop, end, v)) return false;
      while (stop != end && *stop != separator && blank(*stop)) ++stop;
      if (stop != end && *stop != separator) return false;
      const double scaled = v * col.scale;
      if (std::fabs(scaled) > std::numeric_limits<float>::max()) return false;
      StoreField(p, nullptr, col.field, static_cast<float>(scaled));
    } else {
      while (stop != end && *stop != separator) ++stop;
    }
    c = stop != end ? stop + 1 : nullptr;
  }
  return true;
}

// Reads the identified columns of one data line into `p` (and the window
// schedule into `times` when given). Returns the error text when a column
// is missing or does not hold a number.
std::optional<std::string> ReadDataLine(std::string_view line, int lineNumber, const ColumnLayout& layout,
                                        TDataPoint& p, TIPWindowTimes* times) {
  // A line without the title's separator is taken as blank-separated.
  const char separator =
      layout.separator != ' ' && line.find(layout.separator) == std::string_view::npos ? ' ' : layout.separator;
  if (separator != ' ' && times == nullptr && !layout.arrayNameFirst && !layout.windowsUnreadable &&
      ReadSeparatedColumns(line, separator, layout, p)) {
    if (layout.Has(FieldDev)) {
      const double dev = std::fabs(double{p.Dev});
      p.Q = static_cast<std::uint8_t>(dev > 100 ? 100 : std::lround(dev));
    }
    return std::nullopt;
  }
  FieldCursor cursor(line, separator);
  int column = 1;
  if (layout.arrayNameFirst) {
    // The array's name lasts up to the first number.
    FieldCursor ahead = cursor;
    while (true) {
      const auto f = ahead.Next();
      if (!f || ParseNumber(*f)) break;
      cursor = ahead;
    }
    column = 2;
  }
  for (; column <= layout.lastColumn; ++column) {
    const std::optional<std::string_view> text = cursor.Next();
    const Column& c = layout.columns[static_cast<std::size_t>(column - 1)];
    if (!text) return LineError(lineNumber, c.field != NoField ? c.title : layout.TitleAt(column), {});
    if (c.field == NoField) continue;
    const std::optional<float> value = FieldValue(*text, c.scale);
    if (!value) return LineError(lineNumber, c.title, cursor.From(*text));
    StoreField(p, times, c.field, *value);
  }
  if (layout.windowsUnreadable) {
    // Window columns are taken only when the file has the whole range M1 ..
    // M20; the title line then announces values no line gives.
    int fields = column - 1;
    while (cursor.Next()) ++fields;
    return LineError(lineNumber, layout.TitleAt(fields + 1), {});
  }
  if (layout.Has(FieldDev)) {
    const double dev = std::fabs(double{p.Dev});
    p.Q = static_cast<std::uint8_t>(dev > 100 ? 100 : std::lround(dev));
  }
  return std::nullopt;
}

// Remote electrodes are written as far-away abscissas; the present current
// electrode goes to XA and the present potential electrode to XM.
void MarkRemoteElectrodes(TDataPoint& p, bool hasSP) {
  int count = 4;
  if (std::fabs(p.XA) >= RemoteLimit) {
    p.XA = p.XB;
    p.XB = NoElectrode;
    count = 3;
  } else if (std::fabs(p.XB) >= RemoteLimit) {
    p.XB = NoElectrode;
    count = 3;
  }
  if (std::fabs(p.XM) >= RemoteLimit) {
    p.XM = p.XN;
    p.XN = NoElectrode;
    --count;
    if (hasSP) p.SP = -p.SP;  // measured from N towards M
  } else if (std::fabs(p.XN) >= RemoteLimit) {
    p.XN = NoElectrode;
    --count;
  }
  p.ElectrodeCount = static_cast<std::uint8_t>(count);
}

// Reads the ElectreII sequence the measurements were made with into Quads
// and Electrodes. Returns its quadripole count, 0 when there is none to use.
int ReadOriginalSequence(TDataset& ds, ReadEnvironment& env) {
  if (env.chooser == nullptr) return 0;
  const auto chosen = env.chooser->ChooseFileToOpen("Read original sequence", "Sequence  from Electre II (*.txt)");
  if (!chosen) return 0;
  const bool read = ReadElectreII(ReadSource{*chosen}, ds, env, ElectreMode::SequenceOnly);
  const int count = read && !ds.Quads.Empty() ? ds.PointCount : 0;
  if (count == 0) ds.Quads.Release();
  ds.PointCount = 0;
  return count;
}

// The lines of the file as views into `text`: the title line first, then
// the data lines; empty lines at the end are dropped.
std::vector<std::string_view> SplitFileLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  while (lines.size() > 1 && Trim(lines.back()).empty()) lines.pop_back();
  return lines;
}

// Title line with "Spa. 1" written as "Spa.1", without a byte-order mark and
// without the "#" counter column.
std::string NormalisedTitle(std::string_view line, bool& counterColumn) {
  if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  std::string title(line);
  for (std::size_t at = title.find("Spa. "); at != std::string::npos; at = title.find("Spa. ", at + 4)) {
    title.erase(at + 4, 1);
  }
  counterColumn = title.starts_with('#');
  if (counterColumn) {
    std::string_view rest = title;
    NextToken(rest);
    title = std::string(rest);
  }
  return title;
}

}  // namespace

bool IsProsysTitleLine(std::string_view line) {
  // Three known titles, one of them an electrode position: the reader then
  // reads the file or names what its titles lack.
  bool counterColumn = false;
  const std::string title = NormalisedTitle(line, counterColumn);
  int known = 0;
  bool position = false;
  for (const std::string& text : TitleFields(title, SeparatorOf(title))) {
    const Field f = FieldOfName(SplitUnit(text).name);
    if (f == NoField) continue;
    ++known;
    position = position || (f >= FieldXA && f <= FieldXN);
  }
  return known >= 3 && position;
}

// firstOpen: no quadripole before it is still unmatched (a matched one keeps
// Flag 0), so the scan starts there; for readings in sequence order that makes
// the matching linear rather than quadratic in the sequence length.
int MatchQuadripole(TDataset& ds, const TDataPoint& point, int& firstOpen) {
  const auto x = [&ds](int n) { return n != 0 ? ds.Electrodes[n].X : NoElectrode; };
  const auto samePair = [](float a1, float a2, float b1, float b2) {
    return (ApproxEqual(a1, b1) && ApproxEqual(a2, b2)) || (ApproxEqual(a1, b2) && ApproxEqual(a2, b1));
  };
  while (firstOpen <= ds.Quads.Size() && ds.Quads[firstOpen].Flag == 0) ++firstOpen;
  for (int i = firstOpen; i <= ds.Quads.Size(); ++i) {
    TQuadripole& q = ds.Quads[i];
    if (q.Flag == 0) continue;
    bool current;
    if (q.A != 0 && q.B != 0) {
      current = samePair(point.XA, point.XB, x(q.A), x(q.B));
    } else {
      current = ApproxEqual(point.XA, x(q.A != 0 ? q.A : q.B));
    }
    if (current && samePair(point.XM, point.XN, x(q.M), x(q.N))) {
      q.Flag = 0;
      return i;
    }
  }
  return 0;
}

bool ReadProsys(const ReadSource& source, TDataset& ds, ReadEnvironment& env, ProsysMode mode) {
  Messenger& messenger = env.messenger;
  const int firstSet = source.firstSet;
  const int sequenceCount = mode == ProsysMode::SyscalPro ? ReadOriginalSequence(ds, env) : 0;
  const bool matchSequence = sequenceCount > 0;

  // A missing template leaves the headers as they were; the read goes on.
  LoadTemplate(ds, env.templatePath, messenger);
  ds.DataKind = DataKindNone;
  ds.PointCount = 0;

  std::vector<std::uint8_t> bytes;
  if (const FileReadResult r = ReadFileBytes(source.fileName, bytes); !r.ok) {
    messenger.Error(r.error);
    return false;
  }
  std::string text(bytes.begin(), bytes.end());
  std::vector<std::string_view> lines = SplitFileLines(text);

  bool counterColumn = false;
  const std::string title = lines.empty() ? std::string() : NormalisedTitle(lines.front(), counterColumn);
  ColumnLayout layout;
  const std::optional<std::string> refused = FindColumns(title, layout);
  const int dataLines = lines.empty() ? 0 : static_cast<int>(lines.size()) - 1;

  ds.FileHeader.SetCommentsText("");
  ds.FileHeader.SetOperatorText(OperatorName);
  const bool hasIPColumn = layout.Has(FieldIP);
  const bool hasSPColumn = layout.Has(FieldSP);
  ds.HasIP = hasIPColumn;
  ds.HasSP = hasSPColumn;
  ds.IPWindowCount = 0;
  if (hasIPColumn) {
    while (ds.IPWindowCount < MaxIPWindows && layout.Has(FirstWindow + ds.IPWindowCount)) ++ds.IPWindowCount;
  }

  if (refused || dataLines == 0) {
    if (!refused || *refused == FormatError) {
      messenger.Information(FormatError);
    } else {
      messenger.Error(*refused);
    }
    return false;
  }
  if (dataLines > MaxPoints) {
    messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
    return false;
  }

  // Decimal commas, when commas do not separate the columns. The title line
  // is the first line of `text`: only the data lines are changed.
  if (title.find(',') == std::string::npos) {
    const std::size_t dataStart = static_cast<std::size_t>(lines[1].data() - text.data());
    for (std::size_t i = text.find(',', dataStart); i != std::string::npos; i = text.find(',', i + 1)) text[i] = '.';
  }

  ds.Points.Resize(matchSequence ? sequenceCount : dataLines);
  ds.PointCount = matchSequence ? sequenceCount : dataLines;
  ds.TypesPresent.reset();
  TIPWindowTimes times;
  int firstOpen = 1;
  for (int p = 1; p <= dataLines; ++p) {
    std::string_view line = lines[static_cast<std::size_t>(p)];
    if (counterColumn) NextToken(line);
    TDataPoint record;
    record.LineNo = p;
    if (const auto error = ReadDataLine(line, p + 1, layout, record, p == 1 ? &times : nullptr)) {
      messenger.Error(*error);
      return false;
    }
    if (record.Rho < 0.001f) record.Q = 100;
    MarkRemoteElectrodes(record, hasSPColumn);

    const int target = matchSequence ? MatchQuadripole(ds, record, firstOpen) : p;
    if (target == 0) continue;  // a reading that is not in the sequence
    ds.Points[target] = record;
    if (!ClassifyPoint(ds, target, messenger)) return false;
  }

  if (matchSequence) {
    for (int i = 1; i <= sequenceCount; ++i) {
      TQuadripole& q = ds.Quads[i];
      if (q.Flag == 0) continue;
      q.Flag = 0;
      if (messenger.AskAbort(MessageKind::Error, "Not all data found\r\nQuadro N " + std::to_string(i))) {
        return false;
      }
      // A rejected placeholder keeps the quadripole's place in the sequence.
      TDataPoint placeholder;
      SetPointElectrodes(placeholder, ds, q);
      placeholder.Dev = 100.0f;
      placeholder.Q = 100;
      ds.Points[i] = placeholder;
      if (!ClassifyPoint(ds, i, messenger)) return false;
    }
    ds.Quads.Release();
  }

  bool anySP = false;
  bool anyIP = false;
  for (int i = 1; i <= ds.PointCount; ++i) {
    anySP = anySP || ds.Points[i].SP != 0;
    anyIP = anyIP || ds.Points[i].IP != 0;
  }
  if (hasSPColumn) ds.HasSP = anySP;
  if (hasIPColumn) ds.HasIP = anyIP;
  times.Known = layout.Has(FieldDelay) || layout.Has(FirstWindowWidth);
  ds.IPWindowTimes = times.Known ? times : TIPWindowTimes{};

  if (!GroupTextPoints(ds, firstSet, messenger)) return false;
  ds.DataKind = layout.Has(FieldV) && layout.Has(FieldI) ? DataKindTextWithVI : DataKindResistivityOnly;
  ds.ReadOnlyData = true;
  return true;
}

bool ReadProsysText(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  return ReadProsys(source, ds, env, ProsysMode::Plain);
}

bool ReadSyscalProText(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  return ReadProsys(source, ds, env, ProsysMode::SyscalPro);
}

}  // namespace tarvo
