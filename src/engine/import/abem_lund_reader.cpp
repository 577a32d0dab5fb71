#include "engine/import/abem_lund_reader.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

constexpr std::string_view OperatorName = "ABEM";
constexpr int GridOfCablesCode = 12;  // the array code of a 3D grid of cables
constexpr std::string_view ThreeDMarker = "b dist=";
constexpr double RemoteLimit = 99999;  // an electrode this far away is at infinity

const std::string ThreeDRefusal =
    "This ABEM LUND file holds 3D data (a grid of cables); Tarvo reads data of one line only.";

// A header line without its comment: the text after "{" is one.
std::string_view HeaderText(std::string_view line) {
  const std::size_t brace = line.find('{');
  if (brace != std::string_view::npos) line = line.substr(0, brace);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < word.size() && lower(text[at + i]) == lower(word[i])) ++i;
    if (i == word.size()) return true;
  }
  return false;
}

// The array code on a protocol's first line: its first token when that is a
// whole number, otherwise its last.
std::optional<int> ArrayCode(std::string_view line) {
  std::vector<std::string_view> tokens;
  for (std::string_view t = NextToken(line); !t.empty(); t = NextToken(line)) tokens.push_back(t);
  if (tokens.empty()) return std::nullopt;
  if (const auto first = ParseInteger(tokens.front())) return first;
  return ParseInteger(tokens.back());
}

class LundText {
public:
  explicit LundText(const std::vector<std::string>& lines) : lines_(lines) {}
  // 1-based number of the line Take returns next.
  int NextLineNumber() const { return static_cast<int>(next_) + 1; }
  const std::string* Take() { return next_ < lines_.size() ? &lines_[next_++] : nullptr; }

private:
  const std::vector<std::string>& lines_;
  std::size_t next_ = 0;
};

// One reading line into `p`: positions from the station, the value, the
// variation coefficient. Returns what could not be read, nothing when the
// line is complete.
std::optional<std::string> ReadReading(std::string_view line, double station, TDataPoint& p) {
  constexpr const char* Names[] = {"C1", "C2", "P1", "P2"};
  float* x[] = {&p.XA, &p.XB, &p.XM, &p.XN};
  for (int e = 0; e < 4; ++e) {
    const std::optional<float> v = NextFloat(line);
    if (!v) return std::string("the position of ") + Names[e];
    *x[e] = std::fabs(*v) >= RemoteLimit ? NoElectrode : static_cast<float>(station + *v);
  }
  const std::optional<float> value = NextFloat(line);
  if (!value) return std::string("the value");
  p.Rho = *value;
  const std::optional<float> variation = NextFloat(line);
  if (!variation) return std::string("the variation coefficient");
  p.Dev = *variation;
  return std::nullopt;
}

// Remote electrodes leave the present current electrode in XA and the
// present potential electrode in XM.
bool PlaceElectrodes(TDataPoint& p) {
  int count = 4;
  if (IsAbsentCoordinate(p.XA)) {
    p.XA = p.XB;
    p.XB = NoElectrode;
    --count;
  } else if (IsAbsentCoordinate(p.XB)) {
    --count;
  }
  if (IsAbsentCoordinate(p.XM)) {
    p.XM = p.XN;
    p.XN = NoElectrode;
    --count;
  } else if (IsAbsentCoordinate(p.XN)) {
    --count;
  }
  p.ElectrodeCount = static_cast<std::uint8_t>(count);
  return !IsAbsentCoordinate(p.XA) && !IsAbsentCoordinate(p.XM);
}

bool ReadFile(TDataset& ds, int firstSet, const std::vector<std::string>& lines, Messenger& messenger) {
  LundText text(lines);
  const auto fail = [&](const std::string& what, int lineNo) {
    messenger.Error("Error by reading ABEM LUND data: " + what + ".\r\nLine " + std::to_string(lineNo));
    return false;
  };
  const auto number = [&](const std::string* line) -> std::optional<double> {
    if (line == nullptr) return std::nullopt;
    std::string_view rest = HeaderText(*line);
    return NextNumber(rest);
  };

  const std::string* title = text.Take();
  if (title == nullptr) return fail("the survey name", 1);
  if (ContainsNoCase(*title, ThreeDMarker)) {
    messenger.Error(ThreeDRefusal);
    return false;
  }
  ds.FileHeader.SetCommentsText(HeaderText(*title));
  ds.FileHeader.SetOperatorText(OperatorName);

  int lineNo = text.NextLineNumber();
  if (!number(text.Take())) return fail("the first station coordinate", lineNo);
  text.Take();  // date, time and program version
  lineNo = text.NextLineNumber();
  if (!number(text.Take())) return fail("the electrode spacing", lineNo);
  lineNo = text.NextLineNumber();
  const std::optional<double> protocols = number(text.Take());
  if (!protocols || *protocols < 1 || *protocols != std::floor(*protocols)) {
    return fail("the number of protocols", lineNo);
  }

  std::vector<TDataPoint> points;
  for (int k = 1; k <= static_cast<int>(*protocols); ++k) {
    lineNo = text.NextLineNumber();
    const std::string* nameLine = text.Take();
    const std::optional<int> code = nameLine != nullptr ? ArrayCode(HeaderText(*nameLine)) : std::nullopt;
    if (!code) return fail("the array code of protocol " + std::to_string(k), lineNo);
    if (*code == GridOfCablesCode) {
      messenger.Error(ThreeDRefusal);
      return false;
    }
    lineNo = text.NextLineNumber();
    if (text.Take() == nullptr) return fail("the protocol file of protocol " + std::to_string(k), lineNo);

    lineNo = text.NextLineNumber();
    const std::string* countLine = text.Take();
    std::string_view rest = countLine != nullptr ? HeaderText(*countLine) : std::string_view{};
    const std::optional<int> count = ParseInteger(NextToken(rest));
    const std::optional<int> resistance = ParseInteger(NextToken(rest));
    if (!count || *count < 0 || !resistance || (*resistance != 0 && *resistance != 1)) {
      return fail("the reading count and value flag of protocol " + std::to_string(k), lineNo);
    }
    if (static_cast<int>(points.size()) + *count > MaxPoints) {
      messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
      return false;
    }
    lineNo = text.NextLineNumber();
    const std::optional<double> station = number(text.Take());
    if (!station) return fail("the station coordinate of protocol " + std::to_string(k), lineNo);
    text.Take();  // date

    for (int r = 1; r <= *count; ++r) {
      lineNo = text.NextLineNumber();
      const std::string* line = text.Take();
      TDataPoint p;
      p.LineNo = lineNo;
      p.Number = static_cast<int>(points.size()) + 1;
      if (line == nullptr) return fail("the reading " + std::to_string(r) + " of protocol " + std::to_string(k), lineNo);
      if (const auto missing = ReadReading(*line, *station, p)) return fail(*missing, lineNo);
      if (!PlaceElectrodes(p)) return fail("the electrodes", lineNo);
      if (*resistance == 1) {
        ElectrodePresence present;
        present.B = !IsAbsentCoordinate(p.XB);
        present.N = !IsAbsentCoordinate(p.XN);
        const double factor = GeometricFactor(p.XA, p.XB, p.XM, p.XN, present);
        if (!std::isfinite(factor) || factor == 0) {
          messenger.Error(
              "Error by calculation of the geometric factor: electrodes at the same place.\r\nLine " +
              std::to_string(lineNo));
          return false;
        }
        p.R = p.Rho;
        p.Rho = static_cast<float>(factor * p.R);
      }
      const double dev = std::fabs(double{p.Dev});
      p.Q = static_cast<std::uint8_t>(dev > 100 ? 100 : std::lround(dev));
      if (p.Rho < 0.001f) p.Q = QRejected;
      points.push_back(p);
    }
  }
  if (points.empty()) {
    messenger.Error("The ABEM LUND file holds no readings.");
    return false;
  }

  ds.Points.Storage() = std::move(points);
  ds.PointCount = ds.Points.Size();
  ds.TypesPresent.reset();
  for (int i = 1; i <= ds.PointCount; ++i) {
    if (!ClassifyPoint(ds, i, messenger)) return false;
  }
  if (!GroupTextPoints(ds, firstSet, messenger)) return false;
  ds.Points.Storage().resize(static_cast<std::size_t>(ds.PointCount));
  return ds.PointCount > 0;
}

}  // namespace

bool ReadAbemLund(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  Messenger& messenger = env.messenger;
  // A missing template leaves the headers as they were; the read goes on.
  LoadTemplate(ds, env.templatePath, messenger);
  ds.DataKind = DataKindNone;
  ds.PointCount = 0;

  std::vector<std::string> lines;
  if (const FileReadResult r = ReadTextLines(source.fileName, lines); !r.ok) {
    messenger.Error(r.error);
    return false;
  }
  if (!ReadFile(ds, source.firstSet, lines, messenger)) return false;
  ds.DataKind = DataKindResistivityOnly;
  ds.ReadOnlyData = true;
  return true;
}

}  // namespace tarvo
