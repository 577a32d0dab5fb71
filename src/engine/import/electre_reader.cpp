#include "engine/import/electre_reader.h"

#include <charconv>
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
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

constexpr std::string_view FormatError = "Bad ElectreII TXT format. Data are not found.";
constexpr std::string_view OperatorName = "ElecreII";
constexpr std::string_view RemoteElectrode = "Rem";

bool IsSectionTitle(const std::string& line) { return !line.empty() && line.front() == '#'; }

bool IsEmptyLine(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// An electrode of a quadripole line: "Rem" (remote) or 0 (absent, as the
// sequence writer writes it) gives 0, otherwise the token must be the number
// of an electrode of the file's list.
std::optional<int> ParseElectrodeNumber(std::string_view token, int electrodeCount) {
  if (token == RemoteElectrode) return 0;
  const auto n = ParseInteger(token);
  if (!n || *n < 0 || *n > electrodeCount) return std::nullopt;
  return n;
}

// The electrode's own number as written in its line; the program does not
// rely on it, so a value that does not fit is kept as 0.
std::int16_t ElectrodeLabel(std::string_view token) {
  const auto v = ParseNumber(token);
  if (!v || *v < INT16_MIN || *v > INT16_MAX) return 0;
  return static_cast<std::int16_t>(*v);
}

// 1/AM - 1/AN - 1/BM + 1/BN over the present electrodes; nothing when a used
// distance is zero or the sum is zero (no finite geometric factor).
std::optional<double> ReciprocalDistanceSum(const TDataset& ds, const TQuadripole& q) {
  const auto x = [&ds](int n) { return double{ds.Electrodes[n].X}; };
  double sum = 0;
  const struct {
    int current, potential;
    double sign;
  } terms[] = {{q.A, q.M, 1.0}, {q.A, q.N, -1.0}, {q.B, q.M, -1.0}, {q.B, q.N, 1.0}};
  for (const auto& t : terms) {
    if (t.current == 0 || t.potential == 0) continue;
    const double d = std::fabs(x(t.current) - x(t.potential));
    if (d == 0) return std::nullopt;
    sum += t.sign / d;
  }
  if (sum == 0) return std::nullopt;
  return sum;
}

// The next token as a coordinate; nothing when it is not a number an
// electrode record can hold.
std::optional<float> NextCoordinate(std::string_view& line) {
  const auto v = NextNumber(line);
  if (!v || std::fabs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*v);
}

}  // namespace

void SetPointElectrodes(TDataPoint& p, const TDataset& ds, const TQuadripole& q) {
  const auto x = [&ds](int n) { return ds.Electrodes[n].X; };
  int count = 0;
  if (q.A != 0) {
    p.XA = x(q.A);
    p.XB = q.B != 0 ? x(q.B) : NoElectrode;
  } else {
    p.XA = q.B != 0 ? x(q.B) : NoElectrode;
    p.XB = NoElectrode;
  }
  count += (q.A != 0 && q.B != 0) ? 2 : 1;
  if (q.M != 0) {
    p.XM = x(q.M);
    p.XN = q.N != 0 ? x(q.N) : NoElectrode;
  } else {
    p.XM = q.N != 0 ? x(q.N) : NoElectrode;
    p.XN = NoElectrode;
  }
  count += (q.M != 0 && q.N != 0) ? 2 : 1;
  p.ElectrodeCount = static_cast<std::uint8_t>(count);
}

bool ReadElectreII(const ReadSource& source, TDataset& ds, ReadEnvironment& env, ElectreMode mode) {
  Messenger& messenger = env.messenger;
  const int firstSet = source.firstSet;
  // A missing template leaves the headers as they were; the read goes on.
  LoadTemplate(ds, env.templatePath, messenger);
  ds.DataKind = DataKindNone;
  ds.PointCount = 0;

  std::vector<std::string> lines;
  if (const FileReadResult r = ReadTextLines(source.fileName, lines); !r.ok) {
    messenger.Error(r.error);
    return false;
  }
  ds.FileHeader.SetCommentsText("");
  ds.FileHeader.SetOperatorText(OperatorName);

  const auto fail = [&](MessageKind kind, std::string_view text) {
    messenger.Show(kind, text, Buttons::Ok);
    return false;
  };

  // Everything before the electrode table's title is ignored.
  std::size_t title = 0;
  while (title < lines.size() && !IsSectionTitle(lines[title])) ++title;
  if (title == lines.size() || lines[title].find("Sp") != std::string::npos ||
      lines[title].find('X') == std::string::npos) {
    return fail(MessageKind::Plain, FormatError);  // a data file, not a sequence
  }

  // Electrodes, up to the quadripole table's title.
  std::size_t line = title + 1;
  int electrodeCount = 0;
  for (; line < lines.size() && !IsSectionTitle(lines[line]); ++line) {
    ++electrodeCount;
    const std::string number = std::to_string(electrodeCount);
    if (electrodeCount > MaxElectrodes) {
      return fail(MessageKind::Error,
                  "Too many electrodes in sequence.\r\nMaximal number - " + std::to_string(MaxElectrodes));
    }
    std::string_view rest = lines[line];
    const std::int16_t label = ElectrodeLabel(NextToken(rest));
    const auto x = NextCoordinate(rest);
    if (!x) return fail(MessageKind::Error, "Error by reading X coordinate\r\nElectrode number - " + number);
    const auto y = NextCoordinate(rest);
    if (!y) return fail(MessageKind::Error, "Error by reading Y coordinate\r\nElectrode number - " + number);
    const auto z = NextCoordinate(rest);
    if (!z) return fail(MessageKind::Error, "Error by reading Z coordinate\r\nElectrode number - " + number);
    TElectrode& e = ds.Electrodes[electrodeCount];
    e.Number = label;
    e.X = *x;
    e.Y = *y;
    e.Z = *z;
  }
  if (line == lines.size()) return fail(MessageKind::Plain, FormatError);  // no quadripole table

  // The quadripoles last up to the next section, if any (the "# Level" of
  // each quadripole that some sequences carry, which the reader passes
  // over); empty lines at their end are no quadripoles.
  const std::size_t quadTitle = line;
  std::size_t quadEnd = quadTitle + 1;
  while (quadEnd < lines.size() && !IsSectionTitle(lines[quadEnd])) ++quadEnd;
  while (quadEnd > quadTitle + 1 && IsEmptyLine(lines[quadEnd - 1])) --quadEnd;
  const std::size_t quadLines = quadEnd - quadTitle - 1;
  if (quadLines == 0) return fail(MessageKind::Plain, FormatError);
  if (quadLines > static_cast<std::size_t>(MaxPoints)) {
    return fail(MessageKind::Error,
                "Too many quadripoles in sequence.\r\nMaximal number - " + std::to_string(MaxPoints));
  }
  const int quadCount = static_cast<int>(quadLines);
  ds.Quads.Resize(quadCount);
  ds.SeqHeader.QuadCount = static_cast<int>(quadCount);
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(electrodeCount);

  for (int i = 1; i <= quadCount; ++i) {
    const std::string number = std::to_string(i);
    std::string_view rest = lines[quadTitle + static_cast<std::size_t>(i)];
    NextToken(rest);  // the quadripole's own number
    int electrodes[4] = {};
    constexpr char letters[] = {'A', 'B', 'M', 'N'};
    for (int e = 0; e < 4; ++e) {
      const auto n = ParseElectrodeNumber(NextToken(rest), electrodeCount);
      if (!n) {
        return fail(MessageKind::Error, std::string("Error by reading coordinate of ") + letters[e] +
                                            " elecrode\r\nQuadripole number - " + number);
      }
      electrodes[e] = *n;
    }
    TQuadripole& q = ds.Quads[i];
    q.A = static_cast<std::int16_t>(electrodes[0]);
    q.B = static_cast<std::int16_t>(electrodes[1]);
    q.M = static_cast<std::int16_t>(electrodes[2]);
    q.N = static_cast<std::int16_t>(electrodes[3]);
    if ((q.A == 0 && q.B == 0) || (q.M == 0 && q.N == 0)) {
      return fail(MessageKind::Error, "Bad electrodes configuration.\r\nQuadripole number - " + number);
    }
    const auto sum = ReciprocalDistanceSum(ds, q);
    if (!sum || !FitsFloat(TwoPi / *sum)) {
      q.Flag = 0;
      return fail(MessageKind::Error, "Bad K array.\r\nQuadripole number - " + number);
    }
    q.Flag = 1;
    q.K = static_cast<float>(TwoPi / *sum);
  }

  if (mode == ElectreMode::SequenceOnly) {
    ds.PointCount = quadCount;
    return true;
  }

  // One planned point per quadripole, K in place of the resistivity.
  ds.Points.Resize(quadCount);
  ds.PointCount = quadCount;
  ds.TypesPresent.reset();
  for (int i = 1; i <= quadCount; ++i) {
    TDataPoint& p = ds.Points[i];
    p.Number = i;
    p.LineNo = static_cast<int>(quadTitle) + i + 1;
    p.Q = 255;
    p.Rho = ds.Quads[i].K;
    SetPointElectrodes(p, ds, ds.Quads[i]);
    if (!ClassifyPoint(ds, i, messenger)) return false;
    p.ZA = p.ZB = p.ZM = p.ZN = 0;
  }

  if (!GroupTextPoints(ds, firstSet, messenger)) return false;
  ds.DataKind = DataKindSequence;
  ds.SequenceSetCount = ds.SetCount;
  ds.ReadOnlyData = false;
  return true;
}

bool ReadElectreIISequence(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  return ReadElectreII(source, ds, env, ElectreMode::Normal);
}

}  // namespace tarvo
