#include "engine/import/syscal_pro_binary_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::string_view OperatorName = "Syscal Pro";

// The .bin layout: a header of the version word, the instrument type and a
// comment, then records of a 248-byte base block and up to three optional
// blocks, as many as the record's extension code says.
constexpr std::size_t BinHeaderSize = 1029;
constexpr std::size_t BinCommentSize = 1024;
constexpr std::uint32_t BinVersion = 0x80000002;
constexpr std::array<std::size_t, 4> BinRecordLengths = {248, 280, 296, 304};
constexpr std::array<int, 6> BinInstrumentTypes = {3, 4, 5, 8, 9, 11};

// The one .binx record layout the reader knows.
constexpr std::int32_t BinxRecordVersion = 9;
constexpr std::uint32_t BinxLargestHeaderVersion = 6;
constexpr std::size_t BinxRawSamples = 800;

// Dates are days since 1899-12-30; anything outside the years 1900 to 9999
// is no date.
constexpr double FirstDay = 1;
constexpr double LastDay = 2958465;

// An electrode this far away is at infinity (as in the text exports); one
// farther still is no position any survey has.
constexpr double RemoteLimit = 99999;
constexpr double ImpossiblePosition = 1e7;

// One reading as the file gives it.
struct Reading {
  std::array<double, 4> x{}, y{}, z{};  // A, B, M, N
  double sp = 0, vp = 0, in = 0, rho = 0, m = 0, dev = 0;
  double ipDelay = 0;
  std::array<double, MaxIPWindows> tm{}, windows{};
  int number = -1;  // the quadripole number the record carries (from 0), -1 when it has none
  std::string name;
  double date = 0;
  std::size_t offset = 0;  // where the record starts in the file
};

struct DecodedFile {
  std::string comment;
  std::vector<Reading> readings;
};

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The text of a zero-padded field whose text may go on after a zero byte
// ("SYSCAL Pro\0 at 8/26/2011"): every non-empty piece, joined by blanks,
// with line ends as blanks.
std::string PiecesText(Bytes field) {
  std::string text;
  std::string piece;
  const auto flush = [&] {
    const std::size_t first = piece.find_first_not_of(' ');
    if (first != std::string::npos) {
      if (!text.empty()) text += ' ';
      text += piece.substr(first, piece.find_last_not_of(' ') - first + 1);
    }
    piece.clear();
  };
  for (const std::uint8_t b : field) {
    if (b == 0) {
      flush();
    } else if (b == '\r' || b == '\n') {
      if (!piece.empty() && piece.back() != ' ') piece += ' ';
    } else {
      piece += static_cast<char>(b);
    }
  }
  flush();
  return text;
}

std::string Hex(std::uint32_t v) {
  constexpr char digits[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
  return s;
}

// Field readers at a byte offset of a block the caller has checked.
std::uint16_t U16At(Bytes b, std::size_t at) {
  ByteReader in(b.subspan(at, 2));
  return in.U16();
}
std::int16_t I16At(Bytes b, std::size_t at) { return static_cast<std::int16_t>(U16At(b, at)); }
std::uint32_t U32At(Bytes b, std::size_t at) {
  ByteReader in(b.subspan(at, 4));
  return in.U32();
}
double F32At(Bytes b, std::size_t at) {
  ByteReader in(b.subspan(at, 4));
  return double{in.F32()};
}
double F64At(Bytes b, std::size_t at) {
  ByteReader in(b.subspan(at, 8));
  return in.F64();
}

class Refusal {
public:
  std::optional<std::string> text;
  bool Set(std::string message) {
    text = std::move(message);
    return false;
  }
};

std::string RecordPlace(std::size_t index, std::size_t offset) {
  return "record " + std::to_string(index) + " (offset " + std::to_string(offset) + ")";
}

// One .bin record at `at` (its length checked): the base block and the
// optional blocks its extension code announces.
Reading DecodeBinRecord(Bytes record, int extension, std::size_t at) {
  Reading r;
  r.offset = at;
  r.ipDelay = F32At(record, 8);
  for (std::size_t e = 0; e < 4; ++e) {
    r.x[e] = F32At(record, 16 + 4 * e);
    r.y[e] = F32At(record, 32 + 4 * e);
    r.z[e] = F32At(record, 48 + 4 * e);
  }
  r.sp = F32At(record, 64);
  r.vp = F32At(record, 68);
  r.in = F32At(record, 72);
  r.rho = F32At(record, 76);
  r.m = F32At(record, 80);
  r.dev = F32At(record, 84);
  for (std::size_t w = 0; w < MaxIPWindows; ++w) {
    r.tm[w] = F32At(record, 88 + 4 * w);
    r.windows[w] = F32At(record, 168 + 4 * w);
  }
  if (extension >= 1) {
    r.number = U16At(record, 250);
    r.name = PiecesText(record.subspan(252, 12));
  }
  if (extension >= 3) r.date = F64At(record, 296);
  return r;
}

bool DecodeBin(Bytes bytes, DecodedFile& file, Refusal& refusal) {
  if (bytes.size() < BinHeaderSize) {
    return refusal.Set("The file is shorter than the " + std::to_string(BinHeaderSize) +
                       "-byte header of a Syscal Pro binary file.");
  }
  const std::uint32_t version = U32At(bytes, 0);
  if (version != BinVersion) {
    if (version == 0x80000003u || version == 0x80000004u) {
      return refusal.Set("Version " + Hex(version) + " of the Syscal Pro binary format is not supported.");
    }
    return refusal.Set("The version word " + Hex(version) + " is not that of a Syscal Pro binary file.");
  }
  const int instrument = bytes[4];
  if (std::find(BinInstrumentTypes.begin(), BinInstrumentTypes.end(), instrument) == BinInstrumentTypes.end()) {
    return refusal.Set("Records of instrument type " + std::to_string(instrument) + " are not supported.");
  }
  file.comment = PiecesText(bytes.subspan(5, BinCommentSize));

  // Every record is checked, and counted against the capacity, before any
  // is decoded.
  struct Place {
    std::size_t at;
    int extension;
  };
  std::vector<Place> places;
  std::size_t at = BinHeaderSize;
  while (at < bytes.size()) {
    const std::size_t index = places.size() + 1;
    const std::size_t left = bytes.size() - at;
    if (left < BinRecordLengths[0]) {
      return refusal.Set("The file is truncated in " + RecordPlace(index, at) + ": " + std::to_string(left) +
                         " bytes are left of a record of at least " + std::to_string(BinRecordLengths[0]) + ".");
    }
    const int extension = I16At(bytes, at + 2);
    if (extension < 0 || extension > 3) {
      return refusal.Set("The file is damaged: " + RecordPlace(index, at) + " has the extension code " +
                         std::to_string(extension) + " (0 to 3 expected).");
    }
    const std::size_t length = BinRecordLengths[static_cast<std::size_t>(extension)];
    if (left < length) {
      return refusal.Set("The file is truncated in " + RecordPlace(index, at) + ": " + std::to_string(left) +
                         " bytes are left of a record of " + std::to_string(length) + ".");
    }
    const int coordinates = I16At(bytes, at + 12);
    if (coordinates != 1) {
      return refusal.Set(RecordPlace(index, at) + " has the coordinate type " + std::to_string(coordinates) +
                         " (1 expected; 0 is a Syscal Kid record): it cannot be read.");
    }
    places.push_back({at, extension});
    if (places.size() > static_cast<std::size_t>(MaxPoints)) {
      return refusal.Set("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
    }
    at += length;
  }
  if (places.empty()) return refusal.Set("The file holds no measurements.");

  file.readings.reserve(places.size());
  for (const Place& p : places) {
    file.readings.push_back(
        DecodeBinRecord(bytes.subspan(p.at, BinRecordLengths[static_cast<std::size_t>(p.extension)]), p.extension,
                        p.at));
  }
  return true;
}

// Sequential reads of the .binx container, every one checked against the
// bytes left: a read beyond the end marks the cursor failed and gives 0.
class BinxCursor {
public:
  explicit BinxCursor(Bytes bytes) : bytes_(bytes) {}

  bool Failed() const { return failed_; }
  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return bytes_.size() - pos_; }

  bool Skip(std::size_t n) {
    if (failed_ || Remaining() < n) {
      failed_ = true;
      return false;
    }
    pos_ += n;
    return true;
  }
  std::uint8_t U8() { return Take(1) ? bytes_[pos_ - 1] : 0; }
  std::int16_t I16() { return Take(2) ? I16At(bytes_, pos_ - 2) : 0; }
  std::uint32_t U32() { return Take(4) ? U32At(bytes_, pos_ - 4) : 0; }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  double F32() { return Take(4) ? F32At(bytes_, pos_ - 4) : 0; }
  double F64() { return Take(8) ? F64At(bytes_, pos_ - 8) : 0; }
  // A string: its length in bytes, then the bytes.
  std::string String() {
    const std::uint32_t length = U32();
    if (failed_ || Remaining() < length) {
      failed_ = true;
      return {};
    }
    const std::string text = PiecesText(bytes_.subspan(pos_, length));
    pos_ += length;
    return text;
  }

private:
  bool Take(std::size_t n) {
    if (failed_ || Remaining() < n) {
      failed_ = true;
      return false;
    }
    pos_ += n;
    return true;
  }

  Bytes bytes_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// One record of the Prosys III container, record version 9.
Reading DecodeBinxRecord(BinxCursor& in) {
  Reading r;
  r.offset = in.Position();
  in.I32();  // record version, checked by the caller
  r.date = in.F64();
  in.F64();  // a second date
  in.I32();  // overload
  in.I32();  // stacks
  r.sp = in.F64();
  r.vp = in.F64();
  r.in = in.F64();
  r.m = in.F64();
  for (double& w : r.windows) w = in.F64();
  in.F64();  // K
  r.rho = in.F64();
  r.dev = in.F64();
  in.Skip(2 * 8);             // deviation of M, contact resistance check
  in.Skip(5 * 4);             // transmitter voltage, batteries, temperatures
  in.Skip(BinxRawSamples * 4);
  r.name = in.String();
  in.Skip(4 + 8 + 2);         // regulated current, largest Vab, array code
  in.Skip(2 * 4 + 2 * 8);     // stack limits, stack deviation limits
  in.I32();                   // injection time
  in.I32();                   // V delay
  r.ipDelay = in.I32();
  for (double& t : r.tm) t = in.I32();
  in.Skip(1 + 2 * 4 + 9 + 4 + 1);  // filter, sync trigger, sampling, settings, GMT offset, deviation unit
  in.String();                     // sequence file name
  in.Skip(4 * 4);                  // sequence type, channel count, sync channel, largest channel count
  r.number = in.I32();             // quadripole index from 0
  in.Skip(5 * 4);                  // first and last quadripole, electrode count, first and last electrode
  in.Skip(8 + 2 * 4 + 1 + 2 + 2 * 8);  // spacing, channels, gap filler, input range, gain, offset
  for (std::size_t e = 0; e < 4; ++e) {
    r.x[e] = in.F64();
    r.y[e] = in.F64();
    r.z[e] = in.F64();
    in.Skip(8 + 4 + 2 + 4 + 4 + 4 + 1);  // depth, geo type, UTM zone, electrode number, hemisphere
  }
  in.Skip(4 * 8 + 4 + 2 + 4 + 4 + 4 + 1 + 2 * 8);  // the grid
  in.Skip(11 + 2 * 8);                             // alarm and flags, latitude and longitude
  in.I16();                                        // extension code
  in.Skip(3 * 4);                                  // waveform file indexes
  in.String();
  in.String();
  in.Skip(3 * 8 + 1);    // Cole-Cole fit, PPS flag
  in.Skip(6 * 4 + 4);    // quadripole counts, injection number
  in.Skip(54 + 30 + 20 + 8 + 4 + 10);  // settings of record versions 3 to 8
  return r;
}

bool DecodeBinx(Bytes bytes, DecodedFile& file, Refusal& refusal) {
  BinxCursor in(bytes);
  const std::uint32_t version = in.U32();
  in.U8();  // instrument type
  if (in.Failed()) return refusal.Set("The file is shorter than the header of a Prosys III file.");
  if (version < 1 || version > BinxLargestHeaderVersion) {
    return refusal.Set("Version " + std::to_string(version) + " of the Prosys III file format is not supported.");
  }
  if (version >= 4) in.Skip(1 + 3 * 2);  // software and its version
  file.comment = in.String();
  in.String();  // common file path
  const std::uint32_t waveforms = in.U32();
  const std::uint32_t ivz = in.U32();
  const std::uint32_t count = in.U32();
  if (in.Failed()) return refusal.Set("The file is shorter than the header of a Prosys III file.");
  if (waveforms != 0 || ivz != 0) {
    return refusal.Set("The readings of this Prosys III file are split in other files: it cannot be read alone.");
  }
  if (count == 0) return refusal.Set("The file holds no measurements.");
  if (count > static_cast<std::uint32_t>(MaxPoints)) {
    return refusal.Set("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
  }
  for (std::uint32_t n = 1; n <= count; ++n) {
    const std::size_t at = in.Position();
    BinxCursor peek = in;
    const std::int32_t recordVersion = peek.I32();
    if (peek.Failed()) {
      return refusal.Set("The file is truncated in " + RecordPlace(n, at) + ".");
    }
    if (recordVersion != BinxRecordVersion) {
      return refusal.Set(RecordPlace(n, at) + " is of record version " + std::to_string(recordVersion) +
                         ", which is not supported (only " + std::to_string(BinxRecordVersion) + ").");
    }
    Reading r = DecodeBinxRecord(in);
    if (in.Failed()) return refusal.Set("The file is truncated in " + RecordPlace(n, at) + ".");
    file.readings.push_back(std::move(r));
  }
  if (in.Remaining() != 0) {
    return refusal.Set("The file has " + std::to_string(in.Remaining()) +
                       " bytes after its last record: it is damaged or not a Prosys III file.");
  }
  return true;
}

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) <= 3.4e38; }

// The checks on the values of every reading, before anything is built.
bool CheckReadings(const DecodedFile& file, Refusal& refusal) {
  for (std::size_t i = 0; i < file.readings.size(); ++i) {
    const Reading& r = file.readings[i];
    const std::string place = RecordPlace(i + 1, r.offset);
    for (std::size_t e = 0; e < 4; ++e) {
      for (const double v : {r.x[e], r.y[e], r.z[e]}) {
        if (!Finite(v) || std::fabs(v) >= ImpossiblePosition) {
          return refusal.Set(place + " gives an impossible electrode position: the file is damaged.");
        }
      }
    }
    bool values = Finite(r.sp) && Finite(r.vp) && Finite(r.in) && Finite(r.rho) && Finite(r.m) && Finite(r.dev) &&
                  Finite(r.ipDelay);
    for (std::size_t w = 0; w < MaxIPWindows; ++w) values = values && Finite(r.tm[w]) && Finite(r.windows[w]);
    if (!values) return refusal.Set(place + " holds values that are not numbers: the file is damaged.");
    if (r.date != 0 && !(r.date >= FirstDay && r.date <= LastDay)) {
      return refusal.Set(place + " has a date out of range: the file is damaged.");
    }
  }
  return true;
}

// Distinct electrode abscissas (ApproxEqual), remote electrodes left out,
// up to one more than the capacity.
int DistinctPositions(const DecodedFile& file) {
  std::vector<double> seen;
  for (const Reading& r : file.readings) {
    for (const double x : r.x) {
      if (std::fabs(x) >= RemoteLimit) continue;
      const bool known = std::any_of(seen.begin(), seen.end(), [x](double s) { return ApproxEqual(s, x); });
      if (!known) seen.push_back(x);
      if (static_cast<int>(seen.size()) > MaxElectrodePositions) return static_cast<int>(seen.size());
    }
  }
  return static_cast<int>(seen.size());
}

// Messages about readings the file holds that are read but look wrong.
void WarnAboutReadings(const DecodedFile& file, Messenger& messenger) {
  bool numbersBreak = false;
  bool namesChange = false;
  const Reading& first = file.readings.front();
  if (first.number > 0) numbersBreak = true;
  for (std::size_t i = 1; i < file.readings.size(); ++i) {
    const Reading& r = file.readings[i];
    const Reading& before = file.readings[i - 1];
    if (r.number >= 0 && r.number < before.number) numbersBreak = true;
    if (r.name != first.name) namesChange = true;
  }
  if (numbersBreak) {
    messenger.Warning("The reading numbers of the file do not start at 1 or go back: the file may hold readings "
                      "of more than one acquisition.");
  }
  if (namesChange) {
    messenger.Warning("The acquisition name changes within the file: it may hold readings of more than one "
                      "acquisition.");
  }
}

// Leading windows with a time: the windows the instrument measured.
int WindowCount(const Reading& r) {
  int n = 0;
  while (n < MaxIPWindows && r.tm[static_cast<std::size_t>(n)] != 0) ++n;
  return n;
}

TDataPoint PointOf(const Reading& r, int index) {
  TDataPoint p;
  p.XA = static_cast<float>(r.x[0]);
  p.XB = static_cast<float>(r.x[1]);
  p.XM = static_cast<float>(r.x[2]);
  p.XN = static_cast<float>(r.x[3]);
  p.ZA = static_cast<float>(r.z[0]);
  p.ZB = static_cast<float>(r.z[1]);
  p.ZM = static_cast<float>(r.z[2]);
  p.ZN = static_cast<float>(r.z[3]);
  p.SP = static_cast<float>(r.sp);
  p.V = static_cast<float>(r.vp);
  p.I = static_cast<float>(r.in);
  p.Rho = static_cast<float>(r.rho);
  p.IP = static_cast<float>(r.m);
  p.Dev = static_cast<float>(r.dev);
  for (int w = 1; w <= MaxIPWindows; ++w) p.M[w] = static_cast<float>(r.windows[static_cast<std::size_t>(w - 1)]);
  p.Number = r.number >= 0 ? r.number + 1 : index;
  p.LineNo = index;

  const double dev = std::fabs(r.dev);
  p.Q = static_cast<std::uint8_t>(dev > 100 ? 100 : std::lround(dev));
  // A failed injection gives no value.
  if (r.in == 0 || r.rho < 0.001) p.Q = QRejected;

  int count = 4;
  if (std::fabs(p.XA) >= RemoteLimit) {
    p.XA = p.XB;
    p.XB = NoElectrode;
    p.ZA = p.ZB;
    count = 3;
  } else if (std::fabs(p.XB) >= RemoteLimit) {
    p.XB = NoElectrode;
    count = 3;
  }
  if (std::fabs(p.XM) >= RemoteLimit) {
    p.XM = p.XN;
    p.XN = NoElectrode;
    p.ZM = p.ZN;
    --count;
  } else if (std::fabs(p.XN) >= RemoteLimit) {
    p.XN = NoElectrode;
    --count;
  }
  p.ElectrodeCount = static_cast<std::uint8_t>(count);
  return p;
}

bool BuildDataset(TDataset& ds, int firstSet, const DecodedFile& file, Messenger& messenger) {
  const int count = static_cast<int>(file.readings.size());
  ds.Points.Resize(count);
  ds.PointCount = count;
  ds.TypesPresent.reset();
  bool anyIP = false;
  bool anySP = false;
  bool anyY = false;
  for (int i = 1; i <= count; ++i) {
    const Reading& r = file.readings[static_cast<std::size_t>(i - 1)];
    ds.Points[i] = PointOf(r, i);
    anySP = anySP || r.sp != 0;
    anyIP = anyIP || r.m != 0 || std::any_of(r.windows.begin(), r.windows.end(), [](double w) { return w != 0; });
    anyY = anyY || std::any_of(r.y.begin(), r.y.end(), [](double y) { return y != 0; });
    if (!ClassifyPoint(ds, i, messenger)) return false;
    TDataPoint& p = ds.Points[i];
    // Absent electrodes stand where their partner stands, elevation included.
    if (p.ElectrodeCount != 4) p.ZB = p.ZA;
    if (p.ElectrodeCount == 2) p.ZN = p.ZM;
  }
  if (anyY) {
    messenger.Warning("The electrodes of the file have y coordinates; Tarvo places them on one line by x.");
  }

  const Reading& first = file.readings.front();
  ds.HasSP = anySP;
  ds.HasIP = anyIP;
  ds.IPWindowCount = anyIP ? WindowCount(first) : 0;
  ds.IPWindowTimes = TIPWindowTimes{};
  if (WindowCount(first) > 0) {
    ds.IPWindowTimes.Known = true;
    ds.IPWindowTimes.Delay = static_cast<float>(first.ipDelay);
    for (int w = 1; w <= MaxIPWindows; ++w) {
      ds.IPWindowTimes.Widths[w] = static_cast<float>(first.tm[static_cast<std::size_t>(w - 1)]);
    }
    const bool changes = std::any_of(file.readings.begin(), file.readings.end(), [&first](const Reading& r) {
      return r.tm != first.tm || r.ipDelay != first.ipDelay;
    });
    if (changes) {
      messenger.Warning("The IP windows change within the file; the window times of the first reading are kept.");
    }
  }
  if (!GroupTextPoints(ds, firstSet, messenger)) return false;
  return true;
}

}  // namespace

bool ReadSyscalProBinary(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  Messenger& messenger = env.messenger;
  // A missing template leaves the headers as they were; the read goes on.
  LoadTemplate(ds, env.templatePath, messenger);
  ds.DataKind = DataKindNone;
  ds.PointCount = 0;

  std::vector<std::uint8_t> bytes;
  if (const FileReadResult r = ReadFileBytes(source.fileName, bytes); !r.ok) {
    messenger.Error(r.error);
    return false;
  }
  const std::string file = BaseName(source.fileName);
  const auto refuse = [&](const std::string& why) {
    messenger.Error("Syscal Pro file " + file + ": " + why);
    return false;
  };

  const std::string_view magic = TFileHeader::MagicText;
  if (bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin())) {
    return refuse("it is a Syscal file of the older kind (it begins with \"_DOC_\"); open it as SysCal data.");
  }

  // A container of Prosys III (".binx") starts with a small version number,
  // a ".bin" file with its version word.
  const bool container = bytes.size() >= 4 && U32At(bytes, 0) <= BinxLargestHeaderVersion;
  DecodedFile decoded;
  Refusal refusal;
  const bool decodedOk = container ? DecodeBinx(bytes, decoded, refusal) : DecodeBin(bytes, decoded, refusal);
  if (!decodedOk || !CheckReadings(decoded, refusal)) return refuse(refusal.text.value_or("it cannot be read."));
  if (DistinctPositions(decoded) > MaxElectrodePositions) {
    messenger.Error("Too many electrodes in data.\r\nMaximal number - " + std::to_string(MaxElectrodePositions));
    return false;
  }

  ds.FileHeader.SetCommentsText(decoded.comment);
  ds.FileHeader.SetOperatorText(OperatorName);
  WarnAboutReadings(decoded, messenger);
  if (!BuildDataset(ds, source.firstSet, decoded, messenger)) return false;
  ds.DataKind = DataKindTextWithVI;
  ds.ReadOnlyData = true;
  return true;
}

}  // namespace tarvo
