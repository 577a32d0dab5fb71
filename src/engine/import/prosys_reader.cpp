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

// The column titles the reader knows, matched exactly. Entry k-1 is title k.
constexpr std::array<std::string_view, 30> ProsysColumns = {
    "Spa.1", "Spa.2", "Spa.3", "Spa.4", "Rho", "Dev.", "M",   "Vp",  "In",  "Sp",
    "M1",    "M2",    "M3",    "M4",    "M5",  "M6",   "M7",  "M8",  "M9",  "M10",
    "M11",   "M12",   "M13",   "M14",   "M15", "M16",  "M17", "M18", "M19", "M20",
};

// Title numbers (1-based) of the columns with a field of their own.
enum ColumnTitle {
  SpaA = 1, SpaB, SpaM, SpaN, RhoColumn, DevColumn, IPColumn, VpColumn, InColumn, SpColumn,
  FirstWindowColumn,                              // "M1"
  LastWindowColumn = FirstWindowColumn + 19,      // "M20"
};
constexpr int FieldTitleCount = SpColumn;

constexpr std::string_view FormatError = "Bad ProSys TXT format. No data found.";
constexpr std::string_view OperatorName = "Prosys";
constexpr std::string_view ArrayNameTitle = "El-array";
constexpr double RemoteLimit = 99999;  // an electrode this far away is at infinity

// Where each known title sits in the title line: column numbers from 1, 0
// for a title the file does not have.
struct ColumnLayout {
  std::array<int, ProsysColumns.size() + 1> columnOf{};
  std::vector<std::string> titles;  // the title line's tokens, entry c-1 for column c
  std::vector<int> fieldOfColumn;   // column -> title 1..10 of a field with its own column, else 0
  int expected = 0;                 // recognised titles = values every data line must give

  bool Has(int title) const { return columnOf[static_cast<std::size_t>(title)] != 0; }
  int Column(int title) const { return columnOf[static_cast<std::size_t>(title)]; }
  std::string TitleAt(int column) const {
    return column >= 1 && column <= static_cast<int>(titles.size()) ? titles[static_cast<std::size_t>(column - 1)]
                                                                      : std::string();
  }
};

void RemoveFirstToken(std::string& line) {
  std::string_view rest = line;
  NextToken(rest);
  line = std::string(rest);
}

// Title line with "Spa. 1" written as "Spa.1", no empty last line, no "#"
// comment column, decimal commas as points when commas do not separate the
// columns, and no array-name column.
void NormaliseLines(std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::string& title = lines.front();
  for (std::size_t at = title.find("Spa. "); at != std::string::npos; at = title.find("Spa. ", at + 4)) {
    title.erase(at + 4, 1);
  }
  if (lines.back().empty()) lines.pop_back();
  if (lines.empty()) return;

  if (lines.front().starts_with('#')) {
    for (std::string& line : lines) RemoveFirstToken(line);
  }
  if (lines.front().find(',') == std::string::npos) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
      for (char& c : lines[i]) {
        if (c == ',') c = '.';
      }
    }
  }
  std::string_view titleRest = lines.front();
  if (NextToken(titleRest) == ArrayNameTitle) {
    lines.front() = std::string(titleRest);
    // The array name may be several words: drop every token before the first number.
    for (std::size_t i = 1; i < lines.size(); ++i) {
      std::string_view rest = lines[i];
      std::string_view next = rest;
      for (std::string_view token = NextToken(next); !token.empty() && !ParseNumber(token);
           token = NextToken(next)) {
        rest = next;
      }
      lines[i] = std::string(rest);
    }
  }
}

ColumnLayout FindColumns(const std::string& titleLine) {
  ColumnLayout layout;
  std::string_view rest = titleLine;
  for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
    layout.titles.emplace_back(token);
    const int column = static_cast<int>(layout.titles.size());
    for (std::size_t k = 0; k < ProsysColumns.size(); ++k) {
      // A title written twice counts once, at its first column.
      if (ProsysColumns[k] == token && layout.columnOf[k + 1] == 0) {
        layout.columnOf[k + 1] = column;
        ++layout.expected;
      }
    }
  }
  layout.fieldOfColumn.assign(layout.titles.size() + 1, 0);
  for (int k = 1; k <= FieldTitleCount; ++k) {
    if (layout.Has(k)) layout.fieldOfColumn[static_cast<std::size_t>(layout.Column(k))] = k;
  }
  return layout;
}

void StoreField(TDataPoint& p, int title, float value) {
  switch (title) {
    case SpaA: p.XA = value; break;
    case SpaB: p.XB = value; break;
    case SpaM: p.XM = value; break;
    case SpaN: p.XN = value; break;
    case RhoColumn: p.Rho = value; break;
    case DevColumn: p.Dev = value; break;
    case IPColumn: p.IP = value; break;
    case VpColumn: p.V = value; break;
    case InColumn: p.I = value; break;
    case SpColumn: p.SP = value; break;
    default: break;
  }
}

// Reads one data line into `p`. Returns the error text when the line gives
// fewer values than the title line announces.
std::optional<std::string> ReadDataLine(const std::string& line, int lineNumber, const ColumnLayout& layout,
                                        TDataPoint& p) {
  // Window values are taken from the columns "M1" .. "M20" only when both exist.
  const int firstWindow = layout.Column(FirstWindowColumn);
  const int lastWindow = layout.Has(LastWindowColumn) && layout.Has(FirstWindowColumn)
                             ? layout.Column(LastWindowColumn)
                             : firstWindow - 1;

  int read = 0;
  int column = 0;
  std::string_view rest = line;
  std::string_view failedRest;
  while (true) {
    failedRest = rest;
    const std::string_view token = NextToken(rest);
    ++column;
    if (token.empty()) break;
    const auto value = ParseNumber(token);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) break;  // no number a point can hold
    const float v = static_cast<float>(*value);
    const auto at = static_cast<std::size_t>(column);
    const int field = at < layout.fieldOfColumn.size() ? layout.fieldOfColumn[at] : 0;
    if (field != 0) {
      StoreField(p, field, v);
      ++read;
    } else if (column >= firstWindow && column <= lastWindow) {
      const int window = column - firstWindow + 1;
      if (window <= MaxIPWindows) p.M[window] = v;
      ++read;
    }
  }
  if (layout.Has(DevColumn)) {
    const double dev = std::fabs(double{p.Dev});
    p.Q = static_cast<std::uint8_t>(dev > 100 ? 100 : std::lround(dev));
  }
  if (read >= layout.expected) return std::nullopt;

  while (!failedRest.empty() && (failedRest.front() == ' ' || failedRest.front() == '\t' ||
                                 failedRest.front() == ',' || failedRest.front() == ';')) {
    failedRest.remove_prefix(1);
  }
  return "Error by reading data.\r\nLine " + std::to_string(lineNumber) + ", " + layout.TitleAt(column) + "\r\n" +
         std::string(failedRest);
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

void ClearRead(TDataset& ds) {
  ds.Quads.Release();
  ds.Points.Release();
  ds.PointCount = 0;
  ds.SetCount = 0;
  ds.DataKind = DataKindNone;
  ds.HasIP = false;
  ds.HasSP = false;
  ds.IPWindowCount = 0;
}

// Reads the ElectreII sequence the measurements were made with into Quads
// and Electrodes. Returns its quadripole count, 0 when there is none to use.
int ReadOriginalSequence(TDataset& ds, ReadEnvironment& env) {
  if (env.chooser == nullptr) return 0;
  const auto chosen = env.chooser->ChooseFileToOpen("Read original sequence", "Sequence  from Electre II (*.txt)");
  if (!chosen) return 0;
  const std::string dataFile = ds.FileName;
  ds.FileName = *chosen;
  ReadElectreII(ds, 0, env, ElectreMode::SequenceOnly);
  ds.FileName = dataFile;
  const int count = ds.Quads.Empty() ? 0 : ds.PointCount;
  if (count == 0) ds.Quads.Release();
  ds.PointCount = 0;
  return count;
}

}  // namespace

int MatchQuadripole(TDataset& ds, const TDataPoint& point) {
  const auto x = [&ds](int n) { return n != 0 ? ds.Electrodes[n].X : NoElectrode; };
  const auto samePair = [](float a1, float a2, float b1, float b2) {
    return (ApproxEqual(a1, b1) && ApproxEqual(a2, b2)) || (ApproxEqual(a1, b2) && ApproxEqual(a2, b1));
  };
  for (int i = 1; i <= ds.Quads.Size(); ++i) {
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

void ReadProsys(TDataset& ds, int firstSet, ReadEnvironment& env, ProsysMode mode) {
  Messenger& messenger = env.messenger;
  const int sequenceCount = mode == ProsysMode::SyscalPro ? ReadOriginalSequence(ds, env) : 0;
  const bool matchSequence = sequenceCount > 0;

  // A missing template leaves the headers as they were; the read goes on.
  LoadTemplate(ds, env.templatePath, messenger);
  ds.DataKind = DataKindNone;
  ds.PointCount = 0;

  std::vector<std::string> lines;
  if (const FileReadResult r = ReadTextLines(ds.FileName, lines); !r.ok) {
    messenger.Error(r.error);
    return ClearRead(ds);
  }
  NormaliseLines(lines);
  const ColumnLayout layout = FindColumns(lines.empty() ? std::string() : lines.front());

  ds.FileHeader.SetCommentsText("");
  ds.FileHeader.SetOperatorText(OperatorName);
  const bool hasIPColumn = layout.Has(IPColumn);
  const bool hasSPColumn = layout.Has(SpColumn);
  ds.HasIP = hasIPColumn;
  ds.HasSP = hasSPColumn;
  ds.IPWindowCount = 0;
  if (hasIPColumn) {
    while (ds.IPWindowCount < MaxIPWindows && layout.Has(FirstWindowColumn + ds.IPWindowCount)) ++ds.IPWindowCount;
  }

  const int dataLines = lines.empty() ? 0 : static_cast<int>(lines.size()) - 1;
  if (layout.expected < 3 || dataLines == 0) {
    messenger.Information(FormatError);
    return ClearRead(ds);
  }
  if (dataLines > MaxPoints) {
    messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
    return ClearRead(ds);
  }

  ds.Points.Resize(matchSequence ? sequenceCount : dataLines);
  ds.PointCount = matchSequence ? sequenceCount : dataLines;
  ds.TypesPresent.reset();
  for (int p = 1; p <= dataLines; ++p) {
    TDataPoint record;
    record.LineNo = p;
    if (const auto error = ReadDataLine(lines[static_cast<std::size_t>(p)], p + 1, layout, record)) {
      messenger.Error(*error);
      return ClearRead(ds);
    }
    if (record.Rho < 0.001f) record.Q = 100;
    MarkRemoteElectrodes(record, hasSPColumn);

    const int target = matchSequence ? MatchQuadripole(ds, record) : p;
    if (target == 0) continue;  // a reading that is not in the sequence
    ds.Points[target] = record;
    if (!ClassifyPoint(ds, target, messenger)) return ClearRead(ds);
  }

  if (matchSequence) {
    for (int i = 1; i <= sequenceCount; ++i) {
      TQuadripole& q = ds.Quads[i];
      if (q.Flag == 0) continue;
      q.Flag = 0;
      if (messenger.AskAbort(MessageKind::Error, "Not all data found\r\nQuadro N " + std::to_string(i))) {
        return ClearRead(ds);
      }
      // A rejected placeholder keeps the quadripole's place in the sequence.
      TDataPoint placeholder;
      SetPointElectrodes(placeholder, ds, q);
      placeholder.Dev = 100.0f;
      placeholder.Q = 100;
      ds.Points[i] = placeholder;
      if (!ClassifyPoint(ds, i, messenger)) return ClearRead(ds);
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

  if (!GroupTextPoints(ds, firstSet, messenger)) return ClearRead(ds);
  ds.DataKind = layout.Has(VpColumn) && layout.Has(InColumn) ? DataKindTextWithVI : DataKindResistivityOnly;
  ds.ReadOnlyData = true;
}

}  // namespace tarvo
