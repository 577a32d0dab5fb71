#include "engine/import/unified_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
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

constexpr std::string_view OperatorName = "Unified data";
// More electrodes than any line of a multi-electrode system has.
constexpr int MostElectrodes = 100000;

enum class Column { None, X, Y, Z, A, B, M, N, Rhoa, R, Err, IP, I, U, K, Valid };

// What a named column holds and the factor to the dataset's unit.
struct ColumnSpec {
  Column column = Column::None;
  double scale = 1;
  bool errorInOhm = false;  // "err/Ohm": an error of the resistance
  std::string name;         // as the file writes it
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// A column name with its unit ("I/mA", "err/%"), without regard to case.
ColumnSpec SpecOf(std::string_view token) {
  ColumnSpec named;
  named.name = std::string(token);
  const std::size_t slash = token.find('/');
  const std::string name = Lower(token.substr(0, slash));
  const std::string unit = slash == std::string_view::npos ? std::string() : Lower(token.substr(slash + 1));
  if (name == "x") named.column = Column::X;
  else if (name == "y") named.column = Column::Y;
  else if (name == "z") named.column = Column::Z;
  else if (name == "a" || name == "c1") named.column = Column::A;
  else if (name == "b" || name == "c2") named.column = Column::B;
  else if (name == "m" || name == "p1") named.column = Column::M;
  else if (name == "n" || name == "p2") named.column = Column::N;
  else if (name == "rhoa" || name == "ra" || name == "rho_a") named.column = Column::Rhoa;
  else if (name == "r" || name == "rho") named.column = Column::R;
  else if (name == "err") named.column = Column::Err;
  else if (name == "ip") named.column = Column::IP;
  else if (name == "i") named.column = Column::I;
  else if (name == "u") named.column = Column::U;
  else if (name == "k") named.column = Column::K;
  else if (name == "valid") named.column = Column::Valid;

  // Currents and voltages in amperes and volts unless a unit says otherwise;
  // errors relative unless given in percent or in ohm.
  if (named.column == Column::I || named.column == Column::U) {
    const char base = named.column == Column::I ? 'a' : 'v';
    if (unit.empty() || unit == std::string(1, base)) named.scale = 1000;
    else if (unit == std::string("m") + base) named.scale = 1;
    else if (unit == std::string("u") + base) named.scale = 0.001;
    else named.column = Column::None;
  } else if (named.column == Column::Err) {
    if (unit.empty() || unit == "1") named.scale = 100;
    else if (unit == "%") named.scale = 1;
    else if (unit == "ohm") named.errorInOhm = true;
    else named.column = Column::None;
  }
  return named;
}

// The lines of the file, and the place reached in them.
class UnifiedText {
public:
  explicit UnifiedText(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  // 1-based number of the line taken last (1 before any).
  int LineNumber() const { return std::max(static_cast<int>(next_), 1); }

  // The next line with content, without its comment; nothing at the end.
  std::optional<std::string_view> TakeContent() {
    while (next_ < lines_.size()) {
      std::string_view line = lines_[next_++];
      line = line.substr(0, line.find('#'));
      if (line.find_first_not_of(" \t\r") != std::string_view::npos) return line;
    }
    return std::nullopt;
  }

  // The column names of a "#" line right after a count line; nothing (and
  // the line left) when the next line is not one.
  std::vector<ColumnSpec> TakeColumnNames() {
    std::vector<ColumnSpec> columns;
    if (next_ >= lines_.size()) return columns;
    std::string_view line = lines_[next_];
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line[start] != '#') return columns;
    line.remove_prefix(start + 1);
    bool known = false;
    for (std::string_view t = NextToken(line); !t.empty(); t = NextToken(line)) {
      columns.push_back(SpecOf(t));
      known = known || columns.back().column != Column::None;
    }
    if (!known) return {};
    ++next_;
    return columns;
  }

private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
};

struct Electrode {
  double x = 0, y = 0, z = 0;
};

bool Has(const std::vector<ColumnSpec>& columns, Column c) {
  return std::any_of(columns.begin(), columns.end(), [c](const ColumnSpec& s) { return s.column == c; });
}

class Reader {
public:
  Reader(TDataset& ds, Messenger& messenger, std::vector<std::string> lines)
      : ds_(ds), messenger_(messenger), text_(std::move(lines)) {}

  bool Read(int firstSet) {
    if (!ReadElectrodes()) return false;
    if (!ReadData()) return false;
    ds_.TypesPresent.reset();
    for (int i = 1; i <= ds_.PointCount; ++i) {
      if (!ClassifyPoint(ds_, i, messenger_)) return false;
      TDataPoint& p = ds_.Points[i];
      if (p.ElectrodeCount != 4) p.ZB = p.ZA;
      if (p.ElectrodeCount == 2) p.ZN = p.ZM;
    }
    if (!GroupTextPoints(ds_, firstSet, messenger_)) return false;
    ds_.Points.Storage().resize(static_cast<std::size_t>(ds_.PointCount));
    return ds_.PointCount > 0;
  }

  bool VoltageAndCurrent() const { return Has(data_, Column::U) && Has(data_, Column::I); }

private:
  bool Fail(const std::string& what) {
    messenger_.Error("Error by reading unified data: " + what + ".\r\nLine " + std::to_string(text_.LineNumber()));
    return false;
  }

  std::optional<int> TakeCount(const char* what, int most) {
    const std::optional<std::string_view> line = text_.TakeContent();
    std::string_view rest = line.value_or(std::string_view{});
    const std::optional<int> n = ParseInteger(NextToken(rest));
    if (!line || !n || *n < 0 || *n > most) {
      Fail(std::string("the number of ") + what);
      return std::nullopt;
    }
    return n;
  }

  bool ReadElectrodes() {
    const std::optional<int> count = TakeCount("electrodes", MostElectrodes);
    if (!count) return false;
    std::vector<ColumnSpec> columns = text_.TakeColumnNames();
    for (int e = 1; e <= *count; ++e) {
      const std::optional<std::string_view> line = text_.TakeContent();
      if (!line) return Fail("electrode " + std::to_string(e));
      std::vector<double> values;
      std::string_view rest = *line;
      for (std::string_view t = NextToken(rest); !t.empty(); t = NextToken(rest)) {
        const std::optional<double> v = ParseNumber(t);
        if (!v) return Fail("electrode " + std::to_string(e));
        values.push_back(*v);
      }
      if (columns.empty()) {
        // Without names: x; x z; x y z.
        const char* names = values.size() == 1 ? "x" : values.size() == 2 ? "x z" : "x y z";
        std::string_view n = names;
        for (std::string_view t = NextToken(n); !t.empty(); t = NextToken(n)) columns.push_back(SpecOf(t));
      }
      Electrode el;
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c >= values.size()) {
          if (columns[c].column == Column::X) return Fail("electrode " + std::to_string(e));
          continue;
        }
        switch (columns[c].column) {
          case Column::X: el.x = values[c]; break;
          case Column::Y: el.y = values[c]; break;
          case Column::Z: el.z = values[c]; break;
          default: break;
        }
      }
      if (!Has(columns, Column::X) || std::fabs(el.x) > 3.4e38 || std::fabs(el.z) > 3.4e38) {
        return Fail("electrode " + std::to_string(e));
      }
      electrodes_.push_back(el);
    }
    // A line has one horizontal and one vertical coordinate: files of the 2D
    // programs give the height as y when z is not used.
    const bool anyY = std::any_of(electrodes_.begin(), electrodes_.end(), [](const Electrode& e) { return e.y != 0; });
    const bool anyZ = std::any_of(electrodes_.begin(), electrodes_.end(), [](const Electrode& e) { return e.z != 0; });
    if (anyY && anyZ) {
      messenger_.Error("The electrodes of this file are not on one line (they have x, y and z coordinates); "
                       "Tarvo reads data of one line only.");
      return false;
    }
    if (anyY) {
      for (Electrode& e : electrodes_) e.z = e.y;
    }
    return true;
  }

  bool ReadData() {
    const std::optional<int> count = TakeCount("data", MostElectrodes * 100);
    if (!count) return false;
    if (*count > MaxPoints) {
      messenger_.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
      return false;
    }
    if (*count == 0) {
      messenger_.Error("The file holds no data.");
      return false;
    }
    data_ = text_.TakeColumnNames();
    const bool named = !data_.empty();
    if (!named) {
      std::string_view names = "a b m n rhoa err";
      for (std::string_view t = NextToken(names); !t.empty(); t = NextToken(names)) data_.push_back(SpecOf(t));
    }
    for (const Column c : {Column::A, Column::B, Column::M, Column::N}) {
      if (!Has(data_, c)) {
        messenger_.Error("The data of this file do not name their electrodes (a b m n).");
        return false;
      }
    }
    if (!Has(data_, Column::Rhoa) && !Has(data_, Column::R) && !VoltageAndCurrent()) {
      messenger_.Error("The data of this file give no apparent resistivity (rhoa), resistance (r) or voltage "
                       "and current (u, i).");
      return false;
    }

    ds_.Points.Resize(*count);
    ds_.PointCount = *count;
    ds_.HasErrors = Has(data_, Column::Err);
    bool anyIP = false;
    for (int i = 1; i <= *count; ++i) {
      const std::optional<std::string_view> line = text_.TakeContent();
      if (!line) return Fail("datum " + std::to_string(i));
      TDataPoint& p = ds_.Points[i];
      p = TDataPoint{};
      p.Number = i;
      p.LineNo = text_.LineNumber();
      if (!ReadDatum(*line, i, p, !named)) return false;
      anyIP = anyIP || p.IP != 0;
    }
    ds_.HasIP = Has(data_, Column::IP) && anyIP;
    return true;
  }

  bool ReadDatum(std::string_view line, int i, TDataPoint& p, bool errorOptional) {
    std::array<int, 4> electrode{};  // A, B, M, N by number, 0 absent
    double rhoa = 0, r = 0, k = 0, err = 0, u = 0, current = 0;
    bool hasErr = false;
    bool rejected = false;
    const ColumnSpec* errSpec = nullptr;
    for (const ColumnSpec& named : data_) {
      const std::string_view token = NextToken(line);
      if (token.empty() && named.column == Column::Err && errorOptional) break;
      if (named.column == Column::None) {
        if (token.empty()) return Fail("column " + named.name + " of datum " + std::to_string(i));
        continue;
      }
      const std::optional<double> v = ParseNumber(token);
      if (!v || std::fabs(*v) > 3.4e38) return Fail("column " + named.name + " of datum " + std::to_string(i));
      const double value = *v * named.scale;
      switch (named.column) {
        case Column::A: case Column::B: case Column::M: case Column::N: {
          const double n = *v;
          if (n != std::floor(n) || n > static_cast<double>(electrodes_.size())) {
            return Fail("the electrodes of datum " + std::to_string(i));
          }
          const int index = named.column == Column::A ? 0 : named.column == Column::B ? 1 : named.column == Column::M ? 2 : 3;
          electrode[static_cast<std::size_t>(index)] = n > 0 ? static_cast<int>(n) : 0;
          break;
        }
        case Column::Rhoa: rhoa = value; break;
        case Column::R: r = value; break;
        case Column::K: k = value; break;
        case Column::Err: err = value; hasErr = true; errSpec = &named; break;
        case Column::IP: p.IP = static_cast<float>(value); break;
        case Column::U: u = value; break;
        case Column::I: current = value; break;
        case Column::Valid: rejected = *v == 0; break;
        default: break;
      }
    }

    if (!PlaceElectrodes(p, electrode)) return Fail("the electrodes of datum " + std::to_string(i));
    ElectrodePresence present;
    present.B = p.ElectrodeCount == 4;
    present.N = p.ElectrodeCount != 2;
    double factor = k;
    if (!Has(data_, Column::K)) factor = GeometricFactor(p.XA, p.XB, p.XM, p.XN, present);

    if (VoltageAndCurrent()) {
      p.V = static_cast<float>(u);
      p.I = static_cast<float>(current);
    }
    if (Has(data_, Column::Rhoa)) {
      p.Rho = static_cast<float>(rhoa);
    } else {
      const double resistance = Has(data_, Column::R) ? r : (current != 0 ? u / current : 0);
      if (!std::isfinite(factor) || factor == 0) {
        messenger_.Error("Error by calculation of the geometric factor: electrodes at the same place.\r\nLine " +
                         std::to_string(p.LineNo));
        return false;
      }
      p.R = static_cast<float>(resistance);
      p.Rho = static_cast<float>(factor * resistance);
      if (current == 0 && !Has(data_, Column::R)) rejected = true;
    }
    if (hasErr) {
      double percent = err;
      if (errSpec->errorInOhm) {
        const double resistance = p.R != 0 ? double{p.R} : (factor != 0 ? double{p.Rho} / factor : 0);
        percent = resistance != 0 ? std::fabs(err / resistance) * 100 : 0;
      }
      p.Err = static_cast<float>(std::fabs(percent));
    }
    p.Q = 0;
    if (rejected || p.Rho < 0.001f) p.Q = QRejected;
    return true;
  }

  // Electrode coordinates of the point; the present current electrode goes
  // to XA and the present potential electrode to XM.
  bool PlaceElectrodes(TDataPoint& p, const std::array<int, 4>& e) const {
    const auto x = [this](int n) { return static_cast<float>(electrodes_[static_cast<std::size_t>(n - 1)].x); };
    const auto z = [this](int n) { return static_cast<float>(electrodes_[static_cast<std::size_t>(n - 1)].z); };
    int a = e[0], b = e[1], m = e[2], n = e[3];
    if (a == 0) std::swap(a, b);
    if (m == 0) std::swap(m, n);
    if (a == 0 || m == 0) return false;
    p.XA = x(a);
    p.ZA = z(a);
    p.XB = b != 0 ? x(b) : NoElectrode;
    p.ZB = b != 0 ? z(b) : p.ZA;
    p.XM = x(m);
    p.ZM = z(m);
    p.XN = n != 0 ? x(n) : NoElectrode;
    p.ZN = n != 0 ? z(n) : p.ZM;
    p.ElectrodeCount = static_cast<std::uint8_t>((b != 0 ? 2 : 1) + (n != 0 ? 2 : 1));
    return true;
  }

  TDataset& ds_;
  Messenger& messenger_;
  UnifiedText text_;
  std::vector<Electrode> electrodes_;
  std::vector<ColumnSpec> data_;
};

}  // namespace

bool ReadUnifiedData(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
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
  ds.FileHeader.SetCommentsText("");
  ds.FileHeader.SetOperatorText(OperatorName);
  Reader reader(ds, messenger, std::move(lines));
  if (!reader.Read(source.firstSet)) return false;
  ds.DataKind = reader.VoltageAndCurrent() ? DataKindTextWithVI : DataKindResistivityOnly;
  ds.ReadOnlyData = true;
  return true;
}

}  // namespace tarvo
