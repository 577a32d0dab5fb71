#include "engine/import/abem_amp_reader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

constexpr std::string_view UnsupportedFile = "Unsupported type of file !!!";

// Header lines carry their label in the first 31 characters.
constexpr std::size_t LabelWidth = 31;
constexpr std::size_t HeaderLineCount = 9;
constexpr std::size_t CommentLine = 0, ModeLine = 5, ArrayLine = 7, CoordinateLine = 8;
constexpr std::size_t MaxHeaderText = 255;

// Acquisition modes from this value on record chargeability.
constexpr int FirstModeWithIP = 3;

// Raw deviation that rejects a measurement.
constexpr std::int16_t RejectedDeviation = 256;

// One measurement of the data part.
struct AmpMeasurement {
  float xA = NoElectrode, xB = NoElectrode, xM = NoElectrode, xN = NoElectrode;
  float I = 0;
  float V = 0;  // mV
  float Rho = 0;
  float IP = 0;
  int Q = 0;
};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsBlankLine(std::string_view line) { return Trim(line).empty(); }

std::string_view HeaderValue(std::string_view line) {
  return line.size() > LabelWidth ? Trim(line.substr(LabelWidth)) : std::string_view{};
}

std::optional<int> HeaderInteger(std::string_view line) {
  std::string_view value = HeaderValue(line);
  return ParseInteger(NextToken(value));
}

// The array codes of the instrument that this program can show.
bool IsSupportedArrayCode(int code) {
  switch (code) {
    case 1:   // Wenner
    case 2:   // Wenner-beta
    case 4:   // pole-pole
    case 5:   // dipole-dipole
    case 6:   // pole-dipole
    case 10:  // Schlumberger
      return true;
    default:
      return false;
  }
}

// Index of the first data line: after the coordinate-type line either one
// more line, or every line up to the first blank one and the line after it.
std::size_t FirstDataLine(const std::vector<std::string>& lines) {
  if (HeaderValue(lines[CoordinateLine]).substr(0, 5) == "XYZ:1") return HeaderLineCount + 1;
  std::size_t i = HeaderLineCount;
  while (i < lines.size() && !IsBlankLine(lines[i])) ++i;
  return i + 2;
}

enum class LineResult { Measurement, Skipped, BadDeviation };

// One data line: number, time, XA, XB, XM, XN, I, V, Rho, deviation and, with
// chargeability, three window values and the chargeability. Lines without a
// data number, with number 0, without a current or potential electrode or
// without readable current, voltage and resistivity are not measurements.
LineResult ReadMeasurement(std::string_view rest, bool hasIP, AmpMeasurement& m, std::string& deviation) {
  const auto number = ParseInteger(NextToken(rest));
  if (!number || *number == 0) return LineResult::Skipped;
  NextToken(rest);  // time

  for (float* x : {&m.xA, &m.xB, &m.xM, &m.xN}) {
    const auto value = NextFloat(rest);
    *x = value ? *value : NoElectrode;
  }
  // A pole array may leave the first electrode of a pair empty: the present
  // one takes its place, as everywhere in the dataset.
  if (IsAbsentCoordinate(m.xA)) {
    m.xA = m.xB;
    m.xB = NoElectrode;
  }
  if (IsAbsentCoordinate(m.xM)) {
    m.xM = m.xN;
    m.xN = NoElectrode;
  }
  if (IsAbsentCoordinate(m.xA) || IsAbsentCoordinate(m.xM)) return LineResult::Skipped;

  const auto current = NextFloat(rest);
  const auto volts = NextFloat(rest);
  const auto rho = NextFloat(rest);
  if (!current || !volts || !rho) return LineResult::Skipped;
  const double millivolts = double{*volts} * 1000.0;
  if (std::fabs(millivolts) > std::numeric_limits<float>::max()) return LineResult::Skipped;
  m.I = *current;
  m.V = static_cast<float>(millivolts);
  m.Rho = *rho;

  const std::string_view devToken = NextToken(rest);
  m.Q = 0;
  if (const auto dev = ParseNumber(devToken)) {
    const double rounded = std::round(*dev);
    if (rounded < 0 || rounded > 255) {
      deviation = std::string(devToken);
      return LineResult::BadDeviation;
    }
    m.Q = static_cast<int>(rounded);
  }

  if (hasIP) {
    for (int skipped = 0; skipped < 3; ++skipped) NextToken(rest);
    const auto ip = NextFloat(rest);
    m.IP = ip ? *ip : 0.0f;
  }
  if (m.Rho < 0.001f) m.Q = QRejected;
  return LineResult::Measurement;
}

// Adds x to the ascending distinct positions. False when a new position does
// not fit.
bool AddPosition(std::vector<float>& positions, float x) {
  for (const float p : positions) {
    if (ApproxEqual(p, x)) return true;
  }
  if (positions.size() == static_cast<std::size_t>(MaxElectrodePositions)) return false;
  std::size_t after = positions.size();
  while (after > 0 && !(positions[after - 1] < x)) --after;
  positions.insert(positions.begin() + static_cast<std::ptrdiff_t>(after), x);
  return true;
}

std::int16_t PositionNumber(const std::vector<float>& positions, float x) {
  if (IsAbsentCoordinate(x)) return 0;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (ApproxEqual(positions[i], x)) return static_cast<std::int16_t>(i + 1);
  }
  return 0;
}

// The instrument's geometric factor, recovered from the measurement. A
// measurement without voltage, current or resistivity does not give it, and
// the factor of the geometry takes its place.
float MeasuredGeometricFactor(const AmpMeasurement& m) {
  double k = m.V != 0 ? double{m.Rho} * m.I / m.V : 0.0;
  if (k == 0 || !std::isfinite(k)) {
    const ElectrodePresence present{true, !IsAbsentCoordinate(m.xB), true, !IsAbsentCoordinate(m.xN)};
    k = GeometricFactor(m.xA, m.xB, m.xM, m.xN, present);
  }
  if (!std::isfinite(k) || std::fabs(k) > std::numeric_limits<float>::max()) return 0;
  return static_cast<float>(k);
}

bool ReadAmpFile(TDataset& ds, const std::string& fileName, Messenger& messenger) {
  std::vector<std::string> lines;
  const FileReadResult r = ReadTextLines(fileName, lines);
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }

  // Header.
  const auto mode = lines.size() >= HeaderLineCount ? HeaderInteger(lines[ModeLine]) : std::nullopt;
  const auto arrayCode = lines.size() >= HeaderLineCount ? HeaderInteger(lines[ArrayLine]) : std::nullopt;
  if (!mode || !arrayCode || !IsSupportedArrayCode(*arrayCode)) {
    messenger.Plain(UnsupportedFile);
    return false;
  }
  const bool hasIP = *mode >= FirstModeWithIP;
  std::string_view comment = HeaderValue(lines[CommentLine]).substr(0, MaxHeaderText);
  if (comment.size() > TFileHeader::CommentsLimit) comment = comment.substr(comment.size() - TFileHeader::CommentsLimit);

  // Data.
  std::vector<AmpMeasurement> measurements;
  for (std::size_t index = FirstDataLine(lines); index < lines.size(); ++index) {
    AmpMeasurement m;
    std::string deviation;
    const LineResult result = ReadMeasurement(lines[index], hasIP, m, deviation);
    if (result == LineResult::Skipped) continue;
    if (result == LineResult::BadDeviation) {
      messenger.Error("Bad deviation " + deviation + "\r\nLine number - " + std::to_string(index + 1) +
                      "\r\nMaximal deviation is 255");
      return false;
    }
    if (measurements.size() == static_cast<std::size_t>(MaxPoints)) {
      messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
      return false;
    }
    measurements.push_back(m);
  }
  if (measurements.empty()) {
    messenger.Error("No data in file\r\n" + fileName);
    return false;
  }

  // Electrode positions and the electrode table.
  std::vector<float> positions;
  for (const AmpMeasurement& m : measurements) {
    for (const float x : {m.xA, m.xB, m.xM, m.xN}) {
      if (IsAbsentCoordinate(x)) continue;
      if (!AddPosition(positions, x)) {
        messenger.Error("Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions));
        return false;
      }
    }
  }
  ds.Electrodes.Fill(TElectrode{});
  for (std::size_t i = 0; i < positions.size(); ++i) {
    TElectrode& e = ds.Electrodes[static_cast<int>(i + 1)];
    e.Number = static_cast<std::int16_t>(i + 1);
    e.X = positions[i];
  }
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(positions.size());

  // One quadripole per measurement.
  const int count = static_cast<int>(measurements.size());
  ds.Quads.Resize(count);
  for (int i = 1; i <= count; ++i) {
    const AmpMeasurement& m = measurements[static_cast<std::size_t>(i - 1)];
    TQuadripole& q = ds.Quads[i];
    q.A = PositionNumber(positions, m.xA);
    q.B = PositionNumber(positions, m.xB);
    q.M = PositionNumber(positions, m.xM);
    q.N = PositionNumber(positions, m.xN);
    q.Flag = 1;
    q.K = MeasuredGeometricFactor(m);
  }
  ds.SeqHeader.QuadCount = static_cast<int>(count);
  ds.SeqHeader.Area = 0;
  ds.SeqHeader.Line = 0;
  ds.SeqHeader.Reserved0[1] = 0;
  ds.FileHeader.DocType = DocTypeCurrent;
  ds.FileHeader.SetOperatorText("ABEM");
  ds.FileHeader.SetCommentsText(comment);

  if (!ClassifySequence(ds, messenger)) return false;
  ds.SeqHeader.SetTitleText(IsValidArrayCode(ds.ArrayType) ? ArrayShortNames[ds.ArrayType] : "");

  // Raw records; the points start with the measured values so that a
  // rejected measurement keeps them.
  ds.HasIP = hasIP;
  ds.SyscalRaw.Resize(count);
  for (int i = 1; i <= count; ++i) {
    const AmpMeasurement& m = measurements[static_cast<std::size_t>(i - 1)];
    TDataPoint& p = ds.Points[i];
    p.I = m.I;
    p.V = m.V;
    p.Rho = m.Rho;
    if (hasIP) p.IP = m.IP;
    TSyscalRecord& raw = ds.SyscalRaw[i];
    raw.V = m.V;
    raw.I = m.I;
    raw.Dev = m.Q == QRejected ? RejectedDeviation : static_cast<std::int16_t>(m.Q);
  }
  ds.DataKind = DataKindInstrument;
  SyscalToValues(ds);
  return true;
}

}  // namespace

bool ReadAmp(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  const bool haveTemplate = LoadTemplate(ds, env.templatePath, env.messenger);
  ds.DataKind = DataKindNone;
  return haveTemplate && ReadAmpFile(ds, source.fileName, env.messenger);
}

}  // namespace tarvo
