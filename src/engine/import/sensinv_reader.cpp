#include "engine/import/sensinv_reader.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
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

namespace tarvo {

namespace {

// What the values of the data file are, by its extension.
enum class ValueKind { VoltageAndCurrent, ApparentResistivity, Resistance };

// One electrode of the geometry file.
struct GeometryEntry {
  bool defined = false;
  float x = 0;
  float z = 0;
};

using Geometry = BoundedTable<GeometryEntry, MaxElectrodes>;

// A current below this counts as no current at all, as for instrument data.
constexpr double ZeroCurrent = 1e-7;

bool IsBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

void DropTrailingBlankLines(std::vector<std::string>& lines) {
  while (!lines.empty() && IsBlankLine(lines.back())) lines.pop_back();
}

std::string LineNumber(int line) { return "\r\nLine number - " + std::to_string(line); }

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool FileExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// Name of the companion file with extension `ext` (".gem", ".sen"). Files
// copied from case-insensitive systems often carry upper-case extensions, so
// the upper-case name is taken when only that one exists.
std::string CompanionName(const std::string& dataFile, std::string_view ext) {
  std::filesystem::path lower(dataFile);
  lower.replace_extension(ext);
  if (!FileExists(lower)) {
    std::filesystem::path upper(dataFile);
    upper.replace_extension(UpperCase(std::string(ext)));
    if (FileExists(upper)) return upper.string();
  }
  return lower.string();
}

ValueKind KindOfDataFile(const std::string& dataFile) {
  const std::string ext = UpperCase(std::filesystem::path(dataFile).extension().string());
  if (ext == ".UI") return ValueKind::VoltageAndCurrent;
  if (ext == ".ARS") return ValueKind::ApparentResistivity;
  return ValueKind::Resistance;
}

// Opens a companion file, telling the operator when it is missing.
bool ReadCompanion(const std::string& path, std::vector<std::string>& lines, Messenger& messenger) {
  if (!FileExists(path)) {
    messenger.Error("File is not found\n\r" + path);
    return false;
  }
  const FileReadResult r = ReadTextLines(path, lines);
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }
  return true;
}

// The geometry file: one electrode per line, "number x elevation". Lines are
// counted from 0 in the messages.
bool ReadGeometry(const std::string& path, Geometry& geometry, Messenger& messenger) {
  std::vector<std::string> lines;
  if (!ReadCompanion(path, lines, messenger)) return false;
  DropTrailingBlankLines(lines);

  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int line = static_cast<int>(index);
    std::string_view rest = lines[index];
    const auto number = ParseInteger(NextToken(rest));
    if (!number) {
      messenger.Error("Error by reading the number of electrode coordinate" + LineNumber(line));
      return false;
    }
    if (*number < 1 || *number > MaxElectrodes) {
      messenger.Error("Bad number of electrode " + std::to_string(*number) + LineNumber(line) +
                      "\r\nMaximal number is " + std::to_string(MaxElectrodes));
      return false;
    }
    const auto x = NextFloat(rest);
    if (!x) {
      messenger.Error("Error by reading X coordinate\r\nElectrode number - " + std::to_string(line));
      return false;
    }
    const auto z = NextFloat(rest);
    if (!z) {
      messenger.Error("Error by reading Z coordinate\r\nElectrode number - " + std::to_string(line));
      return false;
    }
    geometry[*number] = GeometryEntry{true, *x, *z};
  }
  return true;
}

// Configuration line `line` of the ".sen" file: fills the point's electrodes
// from the geometry. A, M and N are always present; B is absent in a
// three-electrode line or when its number is 0.
bool ReadConfiguration(std::string_view rest, int line, const Geometry& geometry, TDataPoint& p,
                       Messenger& messenger) {
  const auto count = ParseInteger(NextToken(rest));
  if (!count) {
    messenger.Error("Error by reading the number of electrodes" + LineNumber(line));
    return false;
  }
  if (*count != 3 && *count != 4) {
    messenger.Error("Bad number of electrodes " + std::to_string(*count) + LineNumber(line));
    return false;
  }

  p.XA = p.XB = p.XM = p.XN = NoElectrode;
  p.ZA = p.ZB = p.ZM = p.ZN = 0;
  p.Q = 0;
  p.LineNo = line;

  float* const xs[] = {&p.XA, &p.XB, &p.XM, &p.XN};
  float* const zs[] = {&p.ZA, &p.ZB, &p.ZM, &p.ZN};
  constexpr std::string_view places = "ABMN";
  constexpr int B = 1;
  int absent = 0;
  for (int place = 0; place < 4; ++place) {
    if (place == B && *count == 3) {
      ++absent;
      continue;
    }
    const std::string badElectrode =
        "Error by reading electrodes" + LineNumber(line) + " Electrode - " + places[static_cast<std::size_t>(place)];
    const auto number = ParseInteger(NextToken(rest));
    if (!number || *number < -MaxElectrodes || *number > MaxElectrodes) {
      messenger.Error(badElectrode);
      return false;
    }
    // B is written negative; the other electrodes must be real electrode numbers.
    const int n = place == B ? std::abs(*number) : *number;
    if (place == B && n == 0) {
      ++absent;
      continue;
    }
    if (n < 1) {
      messenger.Error(badElectrode);
      return false;
    }
    if (!geometry[n].defined) {
      messenger.Error("Electrode " + std::to_string(n) + " is not in the geometry file" + LineNumber(line));
      return false;
    }
    // An abscissa that marks a remote electrode leaves the place empty; only
    // B may be remote.
    if (IsAbsentCoordinate(geometry[n].x)) {
      if (place != B) {
        messenger.Error(badElectrode);
        return false;
      }
      ++absent;
      continue;
    }
    *xs[place] = geometry[n].x;
    *zs[place] = geometry[n].z;
  }
  p.ElectrodeCount = static_cast<std::uint8_t>(4 - absent);
  return true;
}

// 2 pi / (L1 - L2) with L1 = 1/AM - 1/AN and L2 = 1/BM - 1/BN over the
// present electrodes. Nothing when the quadripole has no finite factor: both
// halves zero, halves that cancel, or a current electrode on a potential one.
std::optional<double> SensInvGeometricFactor(const TDataPoint& p) {
  bool degenerate = false;
  const auto inverse = [&degenerate](double from, double to) {
    const double d = std::fabs(from - to);
    if (d == 0) {
      degenerate = true;
      return 0.0;
    }
    return 1.0 / d;
  };
  const double l1 = inverse(p.XA, p.XM) - inverse(p.XA, p.XN);
  double l2 = 0;
  if (!IsAbsentCoordinate(p.XB)) l2 = inverse(p.XB, p.XM) - inverse(p.XB, p.XN);
  if (degenerate || l1 - l2 == 0) return std::nullopt;
  const double k = TwoPi / (l1 - l2);
  if (!std::isfinite(k)) return std::nullopt;
  return k;
}

// Data line `line`: the value (or voltage and current) of the point, made an
// apparent resistivity with the geometric factor unless it is one already.
bool ReadValues(std::string_view rest, int line, ValueKind kind, TDataPoint& p, Messenger& messenger) {
  const auto first = NextFloat(rest);
  if (!first) {
    messenger.Error("Error by reading data" + LineNumber(line));
    return false;
  }
  double value = *first;
  bool noCurrent = false;
  if (kind == ValueKind::VoltageAndCurrent) {
    const auto current = NextFloat(rest);
    if (!current) {
      messenger.Error("Error by reading data current" + LineNumber(line));
      return false;
    }
    p.V = *first;
    p.I = *current;
    noCurrent = std::fabs(*current) <= ZeroCurrent;
    if (!noCurrent) value = double{*first} / *current;
  }
  if (kind != ValueKind::ApparentResistivity) {
    const auto k = SensInvGeometricFactor(p);
    if (!k) {
      messenger.Error("Error by calcualtion of app. resistivity" + LineNumber(line));
      return false;
    }
    value *= *k;
  }
  if (noCurrent) {
    // Without current there is no resistivity: the point is rejected.
    p.Rho = -1;
    p.Q = QRejected;
    return true;
  }
  if (!std::isfinite(static_cast<float>(value))) {
    messenger.Error("Error by reading data" + LineNumber(line));
    return false;
  }
  p.Rho = static_cast<float>(value);
  return true;
}

bool ReadFiles(TDataset& ds, const std::string& fileName, int firstSet, Messenger& messenger) {
  Geometry geometry;
  if (!ReadGeometry(CompanionName(fileName, ".gem"), geometry, messenger)) return false;

  const ValueKind kind = KindOfDataFile(fileName);
  std::vector<std::string> data;
  const FileReadResult r = ReadTextLines(fileName, data);
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }
  std::vector<std::string> configuration;
  if (!ReadCompanion(CompanionName(fileName, ".sen"), configuration, messenger)) return false;

  DropTrailingBlankLines(data);
  if (data.size() > static_cast<std::size_t>(MaxPoints)) {
    messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
    return false;
  }
  if (data.empty()) {
    messenger.Error("No data in file\r\n" + fileName);
    return false;
  }

  const int count = static_cast<int>(data.size());
  ds.TypesPresent.reset();
  ds.Points.Resize(count);
  ds.PointCount = count;
  for (int line = 1; line <= count; ++line) {
    TDataPoint& p = ds.Points[line];
    const std::size_t index = static_cast<std::size_t>(line - 1);
    const std::string_view config = index < configuration.size() ? configuration[index] : std::string_view{};
    if (!ReadConfiguration(config, line, geometry, p, messenger)) return false;
    if (!ReadValues(data[index], line, kind, p, messenger)) return false;
    if (!ClassifyPoint(ds, line, messenger)) return false;
  }

  for (int n = 1; n <= geometry.Allocated(); ++n) {
    if (!geometry[n].defined) continue;
    ds.Electrodes[n].X = geometry[n].x;
    ds.Electrodes[n].Y = 0;
    ds.Electrodes[n].Z = geometry[n].z;
  }
  ds.Memo = {fileName};
  ds.FileHeader.SetCommentsText("");
  ds.FileHeader.SetOperatorText("Sen2dInv");

  if (!GroupTextPoints(ds, firstSet, messenger)) return false;
  ds.DataKind = kind == ValueKind::VoltageAndCurrent ? DataKindTextWithVI : DataKindResistivityOnly;
  ds.ReadOnlyData = true;
  return true;
}

}  // namespace

bool ReadSensInv(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  ds.DataKind = DataKindNone;
  ds.HasIP = false;
  return ReadFiles(ds, source.fileName, source.firstSet, env.messenger) && ds.PointCount > 0;
}

}  // namespace tarvo
