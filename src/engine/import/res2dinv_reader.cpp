#include "engine/import/res2dinv_reader.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/core/array_types.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"

namespace tarvo {

namespace {

constexpr int WennerNumber = 1;
constexpr int PolePoleNumber = 2;
constexpr int DipoleDipoleNumber = 3;
constexpr int WennerBetaNumber = 4;
constexpr int PoleDipoleNumber = 6;
constexpr int WennerSchlumbergerNumber = 7;
constexpr int GeneralArrayNumber = 11;

// Sequence titles of the standard arrays by Res2dInv array number.
constexpr std::array<std::string_view, 8> ArrayTitles = {
    "", "WennerA", "AM", "ABMN", "WennerB", "MNB", "AMN", "AMNB",
};

constexpr std::string_view OperatorName = "Res2Dinv";
constexpr std::string_view TopographyMarker = "TOPOGRAPHICAL DATA";
// A time-lapse resistivity below this is not a measurement.
constexpr double SmallestTimeLapseRho = 1e-6;

const std::string TooManySets = "Too many sets.\r\nMaximal number - " + std::to_string(MaxSets);

std::string BadFormatAt(int lineNo) { return "Bad file format. Line " + std::to_string(lineNo); }

// Header lines of the blocks real files carry, compared without regard to
// case at the start of the line.
constexpr std::string_view RemoteElectrodesMarker = "Remote electrodes included";
constexpr std::string_view ErrorEstimateMarker = "Error estimate for data present";
// Section titles that may follow the data; met in place of a data line, they
// end the data.
constexpr std::array<std::string_view, 6> SectionMarkers = {
    "Global Coordinates", "Additional measurements", "General array format",
    "Topography", "Remote electrodes", "Error estimate",
};

bool StartsWithWords(std::string_view line, std::string_view words) {
  const std::size_t at = line.find_first_not_of(" \t");
  if (at == std::string_view::npos) return false;
  line.remove_prefix(at);
  if (line.size() < words.size()) return false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(line[i]) != lower(words[i])) return false;
  }
  return true;
}

bool StartsWithLetter(std::string_view line) {
  const std::size_t at = line.find_first_not_of(" \t");
  if (at == std::string_view::npos) return false;
  const char c = line[at];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSectionMarker(std::string_view line) {
  // Every title starts with a letter; a data line starts with a digit.
  if (!StartsWithLetter(line)) return false;
  for (const std::string_view m : SectionMarkers) {
    if (StartsWithWords(line, m)) return true;
  }
  return false;
}

// A whole number written as a token ("11", "5.00"); nothing otherwise.
std::optional<int> ParseWhole(std::string_view token) {
  const std::optional<double> v = ParseNumber(token);
  if (!v || *v != std::floor(*v) || std::fabs(*v) > 1e9) return std::nullopt;
  return static_cast<int>(*v);
}

// Header values stand at the start of their line; the rest is not read.
std::string_view FirstToken(std::string_view line) { return NextToken(line); }

// Rounds v to 1/perUnit (perUnit 100: to 0.01).
double RoundTo(double v, double perUnit) { return std::round(v * perUnit) / perUnit; }

bool IsStandardArray(int number) {
  return number == WennerNumber || number == PolePoleNumber || number == DipoleDipoleNumber ||
         number == WennerBetaNumber || number == PoleDipoleNumber || number == WennerSchlumbergerNumber;
}

// Takes a header line; at the end of the file the operator is told.
const std::string* TakeHeaderLine(Res2dInvText& text, Messenger& messenger) {
  const int lineNo = text.NextLineNumber();
  const std::string* line = text.Take();
  if (line == nullptr) messenger.Error(BadFormatAt(lineNo));
  return line;
}

// Takes the line of a header value. Instrument exports put a label line in
// front of some values ("Number of data points"): a line that starts with a
// letter where a number is due is passed over once.
const std::string* TakeValueLine(Res2dInvText& text, Messenger& messenger, int& lineNo) {
  const std::string* next = text.Peek();
  if (next != nullptr && StartsWithLetter(*next) && !ParseNumber(FirstToken(*next))) text.Take();
  lineNo = text.NextLineNumber();
  return TakeHeaderLine(text, messenger);
}

bool StartsTimeLapseBlock(const std::string* line) {
  if (line == nullptr) return false;
  const std::size_t at = line->find_first_not_of(" \t");
  return at != std::string::npos && ((*line)[at] == 'T' || (*line)[at] == 't');
}

// The text of data point i (empty at the end of the file) and its line
// number. A time-lapse block in front of the first point is read here.
// Returns false when the read must end.
bool TakeDataLine(TDataset& ds, Res2dInvText& text, int i, Messenger& messenger, std::string_view& line,
                  int& lineNo) {
  if (i == 1 && StartsTimeLapseBlock(text.Peek()) && !IsSectionMarker(*text.Peek()) &&
      !ReadTimeLapseHeader(ds, text, i, messenger)) {
    return false;
  }
  lineNo = text.NextLineNumber();
  const std::string* taken = text.Take();
  line = taken != nullptr ? std::string_view(*taken) : std::string_view{};
  return true;
}

// The error estimate (when the file has them), the chargeability and its
// error (when the file has it) and the values of time steps
// 2..TimeSetCount that end a data line. The error is given in the unit of
// the value (p.Rho as read) and kept in percent of it.
bool ReadTailValues(const TDataset& ds, TDataPoint& p, std::string_view& line, int i, int lineNo,
                    Messenger& messenger) {
  if (ds.HasErrors) {
    const std::optional<double> err = NextNumber(line);
    if (!err) {
      messenger.Error("Error by reading error estimate. Line " + std::to_string(lineNo));
      return false;
    }
    p.Err = p.Rho != 0 ? static_cast<float>(std::fabs(*err / double{p.Rho}) * 100) : 0.0f;
  }
  if (ds.HasIP) {
    const std::optional<double> ip = NextNumber(line);
    if (!ip) {
      messenger.Error("Error by reading app. chargeability. Line " + std::to_string(lineNo));
      return false;
    }
    p.IP = static_cast<float>(*ip);
    if (ds.HasErrors) {
      // The error of the chargeability; not kept. The line may end before it.
      std::string_view rest = line;
      const std::string_view token = NextToken(rest);
      if (!token.empty() || ds.TimeSetCount >= 2) {
        if (!ParseNumber(token)) {
          messenger.Error("Error by reading error estimate. Line " + std::to_string(lineNo));
          return false;
        }
        line = rest;
      }
    }
  }
  for (int t = 2; t <= ds.TimeSetCount; ++t) {
    const std::optional<double> rho = NextNumber(line);
    if (!rho || *rho < SmallestTimeLapseRho) {
      messenger.Error("Error by reading app. resistivity for time-lapse data.\r\nData number - " +
                      std::to_string(i) + "  Time set - " + std::to_string(t));
      return false;
    }
    p.M[t] = static_cast<float>(*rho);
  }
  return true;
}

// A section title met where data point i is due ends the data when points
// were read before it: the file announced more than it holds. Returns true
// when the data end here.
bool EndsData(TDataset& ds, std::string_view line, int i, int lineNo, Messenger& messenger) {
  if (i == 1 || !IsSectionMarker(line)) return false;
  messenger.Warning("The file announces " + std::to_string(ds.PointCount) + " data points; " +
                    std::to_string(i - 1) + " are read, up to line " + std::to_string(lineNo) + ": \"" +
                    std::string(line.substr(0, 40)) + "\".");
  ds.PointCount = i - 1;
  ds.Points.Storage().resize(static_cast<std::size_t>(ds.PointCount));
  return true;
}

// Electrode positions of a standard-array point from its location x, spacing
// a and factor n; `first` means x is the first electrode, otherwise the
// middle of the array. False when a position does not fit a float (x and a
// each do, but not what they give together).
bool PlaceStandardPoint(TDataPoint& p, int arrayNumber, bool first, double x, double a, double n) {
  double X = x;
  double s = 0;
  double xa = 0, xb = 0, xm = 0, xn = 0;
  std::uint8_t electrodes = 4;
  switch (arrayNumber) {
    case WennerNumber:
      s = a;
      if (first) X = x + 1.5 * a;
      xa = X - 1.5 * a;
      xb = X + 1.5 * a;
      xm = X - 0.5 * a;
      xn = X + 0.5 * a;
      break;
    case PolePoleNumber:
      s = a;
      if (first) X = x + 0.5 * a;
      xa = xb = X - 0.5 * a;
      xm = xn = X + 0.5 * a;
      electrodes = 2;
      break;
    case DipoleDipoleNumber:
    case WennerBetaNumber:
      s = (n + 1) * a / 2;
      if (first) X = x + s + a / 2;
      xb = X - s - a / 2;
      xa = xb + a;
      xn = X + s + a / 2;
      xm = xn - a;
      break;
    case WennerSchlumbergerNumber:
      s = (n + 0.5) * a;
      if (first) X = x + s;
      xa = X - s;
      xb = X + s;
      xm = X - a / 2;
      xn = X + a / 2;
      break;
    case PoleDipoleNumber: {
      // A negative n is the reverse direction: the current pole to the right.
      // The positions are rounded so that forward and reverse points meet on
      // the same electrodes.
      a = RoundTo(a, 100);
      const double direction = n > 0 ? 1.0 : -1.0;
      s = RoundTo((n + 0.5 * direction) * a, 1000);
      x = RoundTo(x, 1000);
      if (n > 0) {
        X = first ? x + s : x + a * n / 2;
        xm = X - a / 2;
        xn = X + a / 2;
      } else {
        X = first ? x + a / 2 : x + a * n / 2;
        xm = X + a / 2;
        xn = X - a / 2;
      }
      xa = xb = X - s;
      xa = RoundTo(xa, 10);
      xb = RoundTo(xb, 10);
      xm = RoundTo(xm, 10);
      xn = RoundTo(xn, 10);
      s = RoundTo(s, 100);
      X = RoundTo(X, 100);
      electrodes = 3;
      break;
    }
    default:
      break;
  }
  for (const double v : {X, s, a, xa, xb, xm, xn}) {
    if (!FitsFloat(v)) return false;
  }
  p.X = static_cast<float>(X);
  p.Spacing = static_cast<float>(s);
  p.MN = static_cast<float>(a);
  p.XA = static_cast<float>(xa);
  p.XB = static_cast<float>(xb);
  p.XM = static_cast<float>(xm);
  p.XN = static_cast<float>(xn);
  p.ElectrodeCount = electrodes;
  return true;
}

bool ReadStandardArray(TDataset& ds, int arrayNumber, bool first, Res2dInvText& text, Messenger& messenger) {
  const bool hasFactor =
      arrayNumber == DipoleDipoleNumber || arrayNumber == PoleDipoleNumber || arrayNumber == WennerSchlumbergerNumber;
  for (int i = 1; i <= ds.PointCount; ++i) {
    std::string_view line;
    int lineNo = 0;
    if (!TakeDataLine(ds, text, i, messenger, line, lineNo)) return false;
    if (EndsData(ds, line, i, lineNo, messenger)) break;
    const auto fail = [&](std::string_view what) {
      messenger.Error(std::string(what) + std::to_string(lineNo));
      return false;
    };

    TDataPoint& p = ds.Points[i];
    p = TDataPoint{};
    const std::optional<double> x = NextNumber(line);
    if (!x) return fail("Error by reading X location. Line ");
    const std::optional<double> a = NextNumber(line);
    if (!a) return fail("Error by reading MN length. Line ");
    double n = 1;
    if (hasFactor) {
      const std::optional<double> factor = NextNumber(line);
      // n = 0 gives a pole-dipole point no direction.
      if (!factor || (arrayNumber == PoleDipoleNumber && *factor == 0)) return fail("Error by reading spacing. Line ");
      n = *factor;
    }
    const std::optional<double> rho = NextNumber(line);
    if (!rho) return fail("Error by reading app. resistivity. Line ");
    p.Rho = static_cast<float>(*rho);
    if (!ReadTailValues(ds, p, line, i, lineNo, messenger)) return false;

    p.Q = 0;
    p.Number = i;
    p.LineNo = lineNo;
    if (!PlaceStandardPoint(p, arrayNumber, first, *x, *a, n)) return fail("Error by reading X location. Line ");
  }
  return true;
}

// The topography block after the data of a standard array: a flag (1 or 2
// gives the topography key), a count and one (x, elevation) line per
// electrode. A bad entry drops the topography; the data stay.
void ReadTopography(TDataset& ds, Res2dInvText& text, Messenger& messenger) {
  const std::string* line = text.Take();
  if (line == nullptr) return;
  std::optional<int> flag = ParseWhole(FirstToken(*line));
  if (!ParseNumber(FirstToken(*line))) {
    do {
      line = text.Take();
    } while (line != nullptr && !std::string_view(*line).starts_with(TopographyMarker));
    if (line == nullptr) return;
    line = text.Take();
    flag = line != nullptr ? ParseWhole(FirstToken(*line)) : std::nullopt;
  }
  if (!flag || (*flag != 1 && *flag != 2)) return;
  ds.TopoDistanceType = *flag;

  line = text.Take();
  std::optional<int> count = line != nullptr ? ParseWhole(FirstToken(*line)) : std::nullopt;
  if (!count || *count < 0) {
    messenger.Error("Error by reading number of topography points.");
    ds.ElectrodeXZCount = 0;
    return;
  }
  if (*count > MaxElectrodePositions) {
    messenger.Error("Too many topo data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions));
    count = MaxElectrodePositions;
  }
  for (int k = 1; k <= *count; ++k) {
    line = text.Take();
    std::string_view rest = line != nullptr ? std::string_view(*line) : std::string_view{};
    const std::optional<double> x = NextNumber(rest);
    const std::optional<double> z = x ? NextNumber(rest) : std::nullopt;
    if (!x || !z) {
      messenger.Error(std::string(x ? "Error by reading Z coord. topography. N " : "Error by reading X coord. topography. N ") +
                      std::to_string(k));
      ds.ElectrodeXZCount = 0;
      return;
    }
    ds.ElectrodeXZ[k] = ElectrodeXZEntry{static_cast<float>(*x), static_cast<float>(*z)};
  }
  ds.ElectrodeXZCount = *count;
}

// A measured resistance (in Rho as read, and the time steps' in M) becomes
// an apparent resistivity with the geometric factor of the point's
// electrodes; the point keeps the resistance in R. Returns false, after
// telling the operator, when electrodes coincide and no factor exists.
bool ResistanceToResistivity(const TDataset& ds, TDataPoint& p, int lineNo, Messenger& messenger) {
  ElectrodePresence present;
  present.B = p.ElectrodeCount == 4;
  present.N = p.ElectrodeCount != 2;
  const double k = GeometricFactor(p.XA, p.XB, p.XM, p.XN, present);
  if (!std::isfinite(k) || k == 0) {
    messenger.Error("Error by calculation of the geometric factor: electrodes at the same place.\r\nLine " +
                    std::to_string(lineNo));
    return false;
  }
  p.R = p.Rho;
  p.Rho = static_cast<float>(k * p.R);
  for (int t = 2; t <= ds.TimeSetCount; ++t) p.M[t] = static_cast<float>(k * p.M[t]);
  return true;
}

// Set k of the read with copies of the current headers and the array's name.
void PutSet(TDataset& ds, int k, int first, int last, std::uint8_t type) {
  ds.Sets[k] = TSetEntry{first, last, type};
  ds.SetFileHeaders[k] = ds.FileHeader;
  ds.SetSeqHeaders[k] = ds.SeqHeader;
  ds.SetSeqHeaders[k].QuadCount = static_cast<int>(last - first + 1);
  if (static_cast<int>(ds.SetNames.size()) < k) ds.SetNames.resize(static_cast<std::size_t>(k));
  ds.SetNames[static_cast<std::size_t>(k - 1)] = std::string(ArrayTypeNames[type]);
}

// Dipole-dipole data measured with n = 1 only: every current dipole is at
// least as long as (nearly) half the distance between the dipole centres.
bool AllSingleSeparation(const TDataset& ds) {
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    const double ab = std::fabs(double{p.XB} - p.XA);
    const double centres = (double{p.XA} + p.XB) / 2 - (double{p.XM} + p.XN) / 2;
    if (ab < std::fabs(centres / 2.1)) return false;
  }
  return true;
}

// Headers and sets of a standard-array file: one set, or two for pole-dipole
// data with forward and reverse points.
bool MakeStandardSets(TDataset& ds, int firstSet, int arrayNumber, Messenger& messenger) {
  ds.SeqHeader.QuadCount = static_cast<int>(ds.PointCount);
  if (arrayNumber == DipoleDipoleNumber && AllSingleSeparation(ds)) arrayNumber = WennerBetaNumber;

  ds.SeqHeader.Area = 0;
  ds.SeqHeader.Line = 0;
  ds.SeqHeader.ElectrodeTotal = 0;
  ds.SeqHeader.Reserved0[1] = 0;
  ds.SeqHeader.SetTitleText(ArrayTitles[static_cast<std::size_t>(arrayNumber)]);
  ds.ArrayType = Res2dInvTypeMap[static_cast<std::size_t>(arrayNumber)];
  ds.FileHeader.DocType = DocTypeCurrent;

  const auto makeReverse = [&ds](int from, int to) {
    for (int i = from; i <= to; ++i) {
      ds.Points[i].Spacing = -ds.Points[i].Spacing;
      ds.Points[i].PointType = ReversePoleDipole;
    }
    ds.SeqHeader.SetTitleText(ArrayShortNames[ReversePoleDipole]);
    ds.ArrayType = ReversePoleDipole;
  };

  int forward = 0;
  for (int i = 1; i <= ds.PointCount; ++i) {
    ds.Points[i].PointType = ds.ArrayType;
    if (ds.Points[i].Spacing > 0) ++forward;
  }
  const bool split = arrayNumber == PoleDipoleNumber && forward > 0 && forward < ds.PointCount;
  if (firstSet + (split ? 2 : 1) > MaxSets) {
    messenger.Error(TooManySets);
    return false;
  }

  if (!split) {
    if (arrayNumber == PoleDipoleNumber && forward == 0) makeReverse(1, ds.PointCount);
    PutSet(ds, firstSet + 1, 1, ds.PointCount, ds.ArrayType);
    ds.SetCount = 1;
    return true;
  }

  // Forward points (positive spacing) first, then the reverse ones.
  const auto isForward = [&ds](int i) { return ds.Points[i].Spacing > 0; };
  for (int i = 1; i < ds.PointCount; ++i) {
    for (int j = i + 1; j <= ds.PointCount; ++j) {
      if (isForward(i) != isForward(j) && ds.Points[i].Spacing < ds.Points[j].Spacing) {
        std::swap(ds.Points[i], ds.Points[j]);
      }
    }
  }
  PutSet(ds, firstSet + 1, 1, forward, ForwardPoleDipole);
  makeReverse(forward + 1, ds.PointCount);
  PutSet(ds, firstSet + 2, forward + 1, ds.PointCount, ReversePoleDipole);
  ds.SetCount = 2;
  return true;
}

// The "Remote electrodes included" block of pole-pole and pole-dipole data,
// after the array number: the x (and y, z) of C2, and for pole-pole data of
// P2, each on its own line, with label lines and a line about the geometric
// factor around them. Nothing happens when the block is not there.
bool ReadRemoteElectrodes(TDataset& ds, Res2dInvText& text, int arrayNumber, Messenger& messenger) {
  if (text.Peek() == nullptr || !StartsWithWords(*text.Peek(), RemoteElectrodesMarker)) return true;
  text.Take();
  const int count = arrayNumber == PolePoleNumber ? 2 : 1;
  for (int e = 1; e <= count; ++e) {
    // A label line ("C2 electrode location") before the coordinates.
    const std::string* line = text.Take();
    if (line != nullptr && StartsWithLetter(*line)) line = text.Take();
    std::string_view rest = line != nullptr ? std::string_view(*line) : std::string_view{};
    const std::optional<double> x = NextNumber(rest);
    if (!x) {
      messenger.Error("Error by reading the position of remote electrode " + std::string(e == 1 ? "C2" : "P2") +
                      ". Line " + std::to_string(text.NextLineNumber() - 1));
      return false;
    }
    NextNumber(rest);  // y: the data are one line
    const std::optional<double> z = NextNumber(rest);
    const float zv = z ? static_cast<float>(*z) : 0.0f;
    if (e == 1) {
      ds.RemoteElectrodes.HasB = true;
      ds.RemoteElectrodes.XB = static_cast<float>(*x);
      ds.RemoteElectrodes.ZB = zv;
    } else {
      ds.RemoteElectrodes.HasN = true;
      ds.RemoteElectrodes.XN = static_cast<float>(*x);
      ds.RemoteElectrodes.ZN = zv;
    }
  }
  // "Exact Geometric factor used" or the like.
  if (text.Peek() != nullptr && StartsWithLetter(*text.Peek())) text.Take();
  return true;
}

// The "Error estimate for data present" block after the IP flag: that line,
// the line naming the type of error, and the type (0: in the unit of the
// data). The last two may be left out. Sets HasErrors.
bool ReadErrorEstimateBlock(TDataset& ds, Res2dInvText& text, Messenger& messenger) {
  ds.HasErrors = false;
  if (text.Peek() == nullptr || !StartsWithWords(*text.Peek(), ErrorEstimateMarker)) return true;
  text.Take();
  if (text.Peek() != nullptr && StartsWithLetter(*text.Peek())) text.Take();
  if (const std::string* next = text.Peek()) {
    std::string_view rest = *next;
    const std::string_view token = NextToken(rest);
    if (ParseNumber(token) && NextToken(rest).empty()) {
      const std::optional<int> type = ParseWhole(token);
      if (!type || *type != 0) {
        messenger.Error("Unknown type of error estimate " + std::string(token));
        return false;
      }
      text.Take();
    }
  }
  ds.HasErrors = true;
  return true;
}

bool ReadFile(TDataset& ds, const std::string& fileName, int firstSet, Messenger& messenger) {
  Res2dInvText text;
  const FileReadResult file = ReadTextLines(fileName, text.lines);
  if (!file.ok) {
    messenger.Error(file.error);
    return false;
  }
  ds.HasErrors = false;
  ds.RemoteElectrodes = TRemoteElectrodes{};

  // 1: title.
  const std::string* line = TakeHeaderLine(text, messenger);
  if (line == nullptr) return false;
  ds.Memo = {*line};
  ds.FileHeader.SetCommentsText(*line);
  ds.FileHeader.SetOperatorText(OperatorName);

  // 2: unit electrode spacing.
  line = text.Take();
  const std::optional<double> unit = line != nullptr ? ParseNumber(FirstToken(*line)) : std::nullopt;
  if (!unit) {
    messenger.Error("Bad file format. 2-nd line.");
    return false;
  }
  ds.Electrodes[1].X = static_cast<float>(*unit);

  // 3: array number.
  if ((line = TakeHeaderLine(text, messenger)) == nullptr) return false;
  const std::string_view arrayToken = FirstToken(*line);
  const std::optional<int> arrayNumber = ParseWhole(arrayToken);
  if (!arrayNumber || (!IsStandardArray(*arrayNumber) && *arrayNumber != GeneralArrayNumber)) {
    messenger.Error("Unknown array type N " + (arrayNumber ? std::to_string(*arrayNumber) : std::string(arrayToken)));
    return false;
  }
  const bool general = *arrayNumber == GeneralArrayNumber;
  if ((*arrayNumber == PolePoleNumber || *arrayNumber == PoleDipoleNumber) &&
      !ReadRemoteElectrodes(ds, text, *arrayNumber, messenger)) {
    return false;
  }

  bool resistances = false;
  if (general) {
    // The sub-array line and a title, then the measurement type.
    for (int skipped = 0; skipped < 2; ++skipped) {
      if (TakeHeaderLine(text, messenger) == nullptr) return false;
    }
    if ((line = TakeHeaderLine(text, messenger)) == nullptr) return false;
    const std::string_view measurementToken = FirstToken(*line);
    const std::optional<int> measurement = ParseWhole(measurementToken);
    if (!measurement || (*measurement != 0 && *measurement != 1)) {
      messenger.Error("Unknown type of measurement " +
                      (measurement ? std::to_string(*measurement) : std::string(measurementToken)));
      return false;
    }
    resistances = *measurement == 1;
  }

  // Number of data points.
  int lineNo = 0;
  if ((line = TakeValueLine(text, messenger, lineNo)) == nullptr) return false;
  const std::optional<int> count = ParseWhole(FirstToken(*line));
  if (count && *count > MaxPoints) {
    messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
    return false;
  }
  if (!count || *count < 1) {
    messenger.Error(BadFormatAt(lineNo));
    return false;
  }

  // Type of x-location.
  if ((line = TakeValueLine(text, messenger, lineNo)) == nullptr) return false;
  const std::string_view locationToken = FirstToken(*line);
  const std::optional<int> location = ParseWhole(locationToken);
  const bool knownLocation =
      location && (general ? (*location == 1 || *location == 2) : (*location == 0 || *location == 1));
  if (!knownLocation) {
    messenger.Error("Unknown type of x-location " +
                    (location ? std::to_string(*location) : std::string(locationToken)));
    return false;
  }
  if (general) ds.TopoDistanceType = *location;

  // IP flag, followed by three description lines when set.
  if ((line = TakeValueLine(text, messenger, lineNo)) == nullptr) return false;
  const std::optional<double> ipFlag = ParseNumber(FirstToken(*line));
  if (!ipFlag) {
    messenger.Error(BadFormatAt(lineNo));
    return false;
  }
  ds.HasIP = *ipFlag != 0;
  if (ds.HasIP) {
    for (int skipped = 0; skipped < 3; ++skipped) text.Take();
  }
  if (!ReadErrorEstimateBlock(ds, text, messenger)) return false;

  ds.Points.Resize(*count);
  ds.PointCount = *count;
  ds.DataKind = DataKindResistivityOnly;

  if (general) {
    if (!ReadGeneralArray(ds, firstSet, text, messenger, resistances)) return false;
  } else {
    if (!ReadStandardArray(ds, *arrayNumber, *location == 0, text, messenger)) return false;
    ReadTopography(ds, text, messenger);
    if (!MakeStandardSets(ds, firstSet, *arrayNumber, messenger)) return false;
    ds.ReadOnlyData = true;
  }
  ExpandTimeLapse(ds, firstSet, messenger);
  return ds.PointCount > 0;
}

}  // namespace

bool ReadRes2dInv(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  ds.PointCount = 0;
  ds.SetCount = 0;
  // Time steps belong to the file being read, never to an earlier one.
  ds.TimeSetCount = 0;
  return ReadFile(ds, source.fileName, source.firstSet, env.messenger);
}

bool ReadTimeLapseHeader(TDataset& ds, Res2dInvText& text, int dataIndex, Messenger& messenger) {
  const std::string failure = "Error by reading Time-lapse parameters." + std::to_string(dataIndex);
  text.Take();  // the line that opens the block
  text.Take();  // its description
  const std::string* line = text.Take();
  const std::optional<int> steps = line != nullptr ? ParseWhole(FirstToken(*line)) : std::nullopt;
  if (!steps || *steps < 0) {
    messenger.Error(failure);
    return false;
  }
  if (*steps > MaxTimeSteps) {
    messenger.Error("Too many time sets.\r\nMaximal number - " + std::to_string(MaxTimeSteps));
    return false;
  }
  ds.TimeSetCount = *steps;
  text.Take();
  text.Take();

  ds.TimeSetTimes.Fill(0);
  for (int t = 2; t <= ds.TimeSetCount; ++t) {
    text.Take();  // the label of the time step
    line = text.Take();
    const std::optional<double> time = line != nullptr ? ParseNumber(FirstToken(*line)) : std::nullopt;
    if (time) {
      ds.TimeSetTimes[t] = static_cast<float>(*time);
    } else {
      messenger.Error(failure);
    }
  }
  return true;
}

bool ReadGeneralArray(TDataset& ds, int firstSet, Res2dInvText& text, Messenger& messenger, bool resistances) {
  ds.TypesPresent.reset();
  for (int i = 1; i <= ds.PointCount; ++i) {
    std::string_view line;
    int lineNo = 0;
    if (!TakeDataLine(ds, text, i, messenger, line, lineNo)) return false;
    if (EndsData(ds, line, i, lineNo, messenger)) break;

    TDataPoint& p = ds.Points[i];
    p = TDataPoint{};
    p.Q = 0;
    p.Number = i;
    p.LineNo = lineNo;

    const std::optional<int> electrodes = ParseWhole(NextToken(line));
    if (!electrodes || *electrodes < 2 || *electrodes > 4) {
      messenger.Error("Error by reading a number of electrodes for Data N " + std::to_string(i));
      return false;
    }
    p.ElectrodeCount = static_cast<std::uint8_t>(*electrodes);

    const auto readElectrode = [&](char name, float& x, float& z) {
      const std::optional<double> vx = NextNumber(line);
      const std::optional<double> vz = vx ? NextNumber(line) : std::nullopt;
      if (!vx || !vz) {
        messenger.Error(std::string("Error by reading ") + (vx ? "Y" : "X") + " location for " + name +
                        " electrode. Data N " + std::to_string(lineNo));
        return false;
      }
      x = static_cast<float>(*vx);
      z = static_cast<float>(*vz);
      return true;
    };
    p.XB = p.XN = NoElectrode;
    if (!readElectrode('A', p.XA, p.ZA)) return false;
    if (*electrodes == 4 && !readElectrode('B', p.XB, p.ZB)) return false;
    if (!readElectrode('M', p.XM, p.ZM)) return false;
    if (*electrodes != 2 && !readElectrode('N', p.XN, p.ZN)) return false;

    const std::optional<double> rho = NextNumber(line);
    if (!rho) {
      messenger.Error("Error by reading app. resistivity. Line " + std::to_string(lineNo));
      return false;
    }
    p.Rho = static_cast<float>(*rho);
    if (!ReadTailValues(ds, p, line, i, lineNo, messenger)) return false;
    if (resistances && !ResistanceToResistivity(ds, p, lineNo, messenger)) return false;

    if (!ClassifyPoint(ds, i, messenger)) return false;
    // Absent electrodes stand where their partner stands, elevation included.
    if (*electrodes != 4) p.ZB = p.ZA;
    if (*electrodes == 2) p.ZN = p.ZM;
  }

  if (!GroupTextPoints(ds, firstSet, messenger)) return false;
  // Points beyond the electrode capacity were cut by the grouping.
  ds.Points.Storage().resize(static_cast<std::size_t>(ds.PointCount));
  ds.ReadOnlyData = true;
  return true;
}

void ExpandTimeLapse(TDataset& ds, int firstSet, Messenger& messenger) {
  const int steps = ds.TimeSetCount;
  if (steps < 1) return;
  const int count = ds.PointCount;
  if (count * steps > MaxPoints) {
    messenger.Warning("Too many time-lapse data.\r\nMaximal data point number is " + std::to_string(MaxPoints) +
                      "\r\nOnly the first time set is read.");
    ds.TimeSetCount = 0;
    return;
  }
  if (firstSet + ds.SetCount * steps > MaxSets) {
    messenger.Warning("Too many time-lapse data.\r\nMaximal number of sets is " + std::to_string(MaxSets) +
                      "\r\nOnly the first time set is read.");
    ds.TimeSetCount = 0;
    return;
  }

  ds.BaseSetCount = ds.SetCount;
  std::vector<TDataPoint> expanded;
  expanded.reserve(static_cast<std::size_t>(count * steps));
  for (int t = 1; t <= steps; ++t) {
    for (int i = 1; i <= count; ++i) {
      TDataPoint p = ds.Points[i];
      if (t >= 2) p.Rho = p.M[t];
      expanded.push_back(p);
    }
  }

  for (int t = 2; t <= steps; ++t) {
    for (int g = 1; g <= ds.BaseSetCount; ++g) {
      const int from = firstSet + g;
      const int k = firstSet + (t - 1) * ds.BaseSetCount + g;
      const int shift = (t - 1) * count;
      ds.Sets[k] = TSetEntry{ds.Sets[from].First + shift, ds.Sets[from].Last + shift, ds.Sets[from].Type};
      ds.SetFileHeaders[k] = ds.SetFileHeaders[from];
      ds.SetSeqHeaders[k] = ds.SetSeqHeaders[from];
      if (static_cast<int>(ds.SetNames.size()) < k) ds.SetNames.resize(static_cast<std::size_t>(k));
      const std::uint8_t type = ds.Sets[k].Type;
      ds.SetNames[static_cast<std::size_t>(k - 1)] =
          std::string(IsValidArrayCode(type) ? ArrayTypeNames[type] : "") + " Time set " + std::to_string(t);
    }
  }

  ds.Points.Storage() = std::move(expanded);
  ds.PointCount = count * steps;
  ds.SetCount = ds.BaseSetCount * steps;
}

}  // namespace tarvo
