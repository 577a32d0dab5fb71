#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/capacities.h"
#include "engine/core/data_kind.h"
#include "engine/core/syscal_records.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/open_command.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"
#include "test_files.h"

// Malformed inputs for every reader, driven through the open command with the
// program's own reader table: each damaged file is either refused with a
// message, leaving nothing loaded, or (a text file cut after a complete data
// line) read as the shorter file it now is. The damaged files are made here
// from the valid examples shipped with the program.
namespace tarvo {
namespace {

namespace fs = std::filesystem;

const fs::path ExamplesDir = fs::path(TARVO_EXAMPLES_DIR);

// One reader and the valid example it is tried on.
struct Format {
  const char* name;
  const char* example;               // the file the corpus is made from
  std::vector<const char*> companions;  // files read next to it, copied unchanged
  int filter;                        // open dialog filter index
  const char* sequence = nullptr;    // the file the chooser answers with, if asked
  bool binary = false;
  // A text file cut after this many lines or more may read as a shorter
  // valid file (0: never); below, the cut must be refused.
  std::size_t shorterFrom = 0;
};

std::string FormatName(const ::testing::TestParamInfo<Format>& info) {
  std::string n = info.param.name;
  for (char& c : n) {
    if (c == '-') c = '_';
  }
  return n;
}

const Format Formats[] = {
    {"syscal_data", "wenner32.001", {}, 1, nullptr, true},
    {"syscal_sequence", "wenner32.seq", {}, 2, nullptr, true},
    // Res2dInv: once the data lines are complete, the topography and the
    // closing lines are optional (a cut topography block is reported and left out).
    {"res2dinv_usual", "wenner32_topo.dat", {}, 4, nullptr, false, 84},
    {"res2dinv_general", "mixed32_ip.dat", {}, 4, nullptr, false, 124},
    {"res2dinv_time_lapse", "dipole32_tl.dat", {}, 4, nullptr, false, 99},
    // Formats without a point count: every complete data line is a point.
    {"prosys", "dipole32_ip.txt", {}, 7, nullptr, false, 1},
    {"syscal_pro", "dipole32_ip.txt", {"dipole32_seq.txt"}, 9, "dipole32_seq.txt", false, 1},
    {"electre2", "dipole32_seq.txt", {}, 8, nullptr, false, 1},
    {"sensinv2d", "poledipole32.ui", {"poledipole32.gem", "poledipole32.sen"}, 3, nullptr, false, 1},
    {"abem_amp", "schlumberger32.amp", {}, 5, nullptr, false, 1},
    {"abem_protocol", "poledipole32.org", {}, 6, nullptr, false, 1},
};

void PrintTo(const Format& f, std::ostream* os) { *os << f.name; }

// Answers every "choose a file" question with one file.
class FixedChooser final : public FileChooser {
public:
  explicit FixedChooser(std::optional<std::string> answer) : answer_(std::move(answer)) {}
  std::optional<std::string> ChooseFileToOpen(std::string_view, std::string_view) override { return answer_; }

private:
  std::optional<std::string> answer_;
};

// A damaged copy of the example and what it must do.
struct Damage {
  std::string what;
  std::string bytes;
  bool mustFail = true;  // false: a shorter valid file may be read
};

struct Outcome {
  bool loaded = false;
  std::vector<std::string> messages;
  TDataset ds;
};

class MalformedInput : public ::testing::TestWithParam<Format> {
protected:
  test::ScratchFolder scratch;
  std::string original;
  std::vector<std::string> lines;  // the example's lines, without their ends
  std::string templatePath;        // the sequence template the program ships

  void SetUp() override {
    const Format& f = GetParam();
    original = test::ReadWhole(ExamplesDir / f.example);
    ASSERT_FALSE(original.empty()) << "missing example " << (ExamplesDir / f.example).string();
    for (const char* c : f.companions) {
      scratch.Write(c, test::ReadWhole(ExamplesDir / c));
    }
    lines = SplitLines(original);
    const auto bytes = MakeTemplateBytes();
    templatePath = scratch.Write(TemplateFileName, std::string(bytes.begin(), bytes.end()));
  }

  // Reads `bytes` as the example's file through the open command.
  Outcome Open(const std::string& bytes) {
    const Format& f = GetParam();
    const std::string path = scratch.Write(f.example, bytes);
    Outcome out;
    RecordingMessenger messenger;
    FixedChooser chooser(f.sequence ? std::optional<std::string>(scratch.PathOf(f.sequence)) : std::nullopt);
    ReadEnvironment env{messenger, templatePath, &chooser};
    OpenCommandState state;
    OpenRequest request;
    request.files = {path};
    request.filterIndex = f.filter;
    out.loaded = RunOpenCommand(out.ds, state, request, DefaultReaders(), env).loaded;
    out.messages = messenger.Texts();
    return out;
  }

  // Sound handling of a damaged file: a refused file leaves nothing loaded and
  // says why; a file that is read anyway holds consistent data.
  static void ExpectSound(const Outcome& o, bool mustFail) {
    if (mustFail) {
      EXPECT_FALSE(o.loaded) << "a damaged file was read without complaint";
    }
    if (!o.loaded) {
      EXPECT_FALSE(o.messages.empty()) << "refused without a message";
      for (const std::string& m : o.messages) EXPECT_FALSE(m.empty());
      EXPECT_EQ(o.ds.DataKind, DataKindNone);
      EXPECT_EQ(o.ds.PointCount, 0);
      EXPECT_EQ(o.ds.SetCount, 0);
      return;
    }
    ExpectConsistent(o.ds);
  }

  // Sets partition the points in order; every point has a station and a level.
  static void ExpectConsistent(const TDataset& ds) {
    ASSERT_GT(ds.PointCount, 0);
    ASSERT_LE(ds.PointCount, MaxPoints);
    ASSERT_GE(ds.SetCount, 1);
    ASSERT_LE(ds.SetCount, MaxSets);
    int next = 1;
    for (int k = 1; k <= ds.SetCount; ++k) {
      EXPECT_EQ(ds.Sets[k].First, next) << "set " << k;
      EXPECT_GE(ds.Sets[k].Last, ds.Sets[k].First) << "set " << k;
      next = ds.Sets[k].Last + 1;
    }
    EXPECT_EQ(next, ds.PointCount + 1);
    for (int i = 1; i <= ds.PointCount; ++i) {
      const TDataPoint& p = ds.Points[i];
      EXPECT_TRUE(p.Station >= 1 && p.Station <= ds.StationCount) << "point " << i << " station " << p.Station;
      EXPECT_TRUE(p.Level >= 1 && p.Level <= ds.LevelCount) << "point " << i << " level " << p.Level;
      if (p.Station < 1 || p.Level < 1) return;  // one report is enough
    }
  }

  std::string Join(std::size_t count) const {
    std::string text;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i) text += lines[i] + "\r\n";
    return text;
  }
};

// Every reader's example reads cleanly: the corpus starts from a good file.
TEST_P(MalformedInput, ExampleReadsWithoutMessages) {
  const Outcome o = Open(original);
  EXPECT_TRUE(o.loaded);
  EXPECT_EQ(o.messages, std::vector<std::string>{});
  ExpectConsistent(o.ds);
}

TEST_P(MalformedInput, EmptyFileAndGarbageAreRefused) {
  std::mt19937 random(20240612);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
  std::string printable;
  for (int i = 0; i < 200; ++i) {
    for (int j = 0; j < 30; ++j) printable += static_cast<char>('!' + random() % 90);
    printable += "\r\n";
  }
  // The example's bytes reversed: every character it is made of, in no order.
  const std::string reversed(original.rbegin(), original.rend());
  for (const auto& [what, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"empty", ""}, {"one blank line", "\r\n"}, {"binary garbage", garbage},
           {"printable garbage", printable}, {"reversed example", reversed}}) {
    SCOPED_TRACE(what);
    ExpectSound(Open(bytes), true);
  }
}

// A text file cut after every line; a binary file at every record boundary and
// inside every record.
TEST_P(MalformedInput, CutShortAnywhere) {
  const Format& f = GetParam();
  std::vector<Damage> corpus;
  if (f.binary) {
    // The example's blocks: headers, electrodes, quadripoles, measurements.
    std::vector<std::uint8_t> bytes(original.begin(), original.end());
    ByteReader in(bytes);
    TFileHeader::Decode(in);
    const TSeqHeader seq = TSeqHeader::Decode(in);
    std::vector<std::pair<std::size_t, std::size_t>> records;  // start, size
    records.push_back({0, TFileHeader::Size});
    records.push_back({TFileHeader::Size, TSeqHeader::Size});
    std::size_t at = SyscalHeadersSize;
    for (int i = 0; i < seq.ElectrodeTotal; ++i, at += TElectrode::Size) records.push_back({at, TElectrode::Size});
    for (int i = 0; i < seq.QuadCount; ++i, at += TQuadripole::Size) records.push_back({at, TQuadripole::Size});
    const std::size_t measurementStart = at;
    for (; at + TSyscalRecord::Size <= original.size(); at += TSyscalRecord::Size) {
      records.push_back({at, TSyscalRecord::Size});
    }
    ASSERT_EQ(at, original.size()) << "the example is not made of whole records";
    for (const auto& [start, size] : records) {
      for (std::size_t cut : {start, start + 1, start + size / 2, start + size - 1}) {
        // A data file keeps the measurements before the cut, once it has one.
        const bool dataAfterFirstMeasurement = f.filter == 1 && cut >= measurementStart + TSyscalRecord::Size;
        corpus.push_back({"cut at byte " + std::to_string(cut), original.substr(0, cut), !dataAfterFirstMeasurement});
      }
    }
  } else {
    for (std::size_t n = 0; n < lines.size(); ++n) {
      corpus.push_back({"cut after line " + std::to_string(n), Join(n), f.shorterFrom == 0 || n < f.shorterFrom});
      // The same, with the next line half written.
      const std::string& next = lines[n];
      if (next.size() > 1) {
        corpus.push_back({"cut inside line " + std::to_string(n + 1), Join(n) + next.substr(0, next.size() / 2),
                          false});
      }
    }
  }
  const int wholeCount = Open(original).ds.PointCount;
  for (const Damage& d : corpus) {
    SCOPED_TRACE(d.what);
    const Outcome o = Open(d.bytes);
    ExpectSound(o, d.mustFail);
    if (o.loaded) {
      EXPECT_LE(o.ds.PointCount, wholeCount);
    }
  }
}

// Every token of the first lines and the last lines replaced by a word that is
// no number.
TEST_P(MalformedInput, BadNumberInEveryColumn) {
  const Format& f = GetParam();
  if (f.binary) GTEST_SKIP() << "binary records hold no text numbers";
  const Outcome whole = Open(original);
  std::vector<std::size_t> chosen;
  for (std::size_t n = 0; n < lines.size() && n < 14; ++n) chosen.push_back(n);
  for (std::size_t n = lines.size() >= 3 ? lines.size() - 3 : 0; n < lines.size(); ++n) {
    if (n >= 14) chosen.push_back(n);
  }
  int refusedOrShorter = 0;
  for (std::size_t n : chosen) {
    const std::string& line = lines[n];
    std::size_t pos = 0;
    while (true) {
      pos = line.find_first_not_of(" \t,;", pos);
      if (pos == std::string::npos) break;
      const std::size_t end = std::min(line.find_first_of(" \t,;", pos), line.size());
      std::vector<std::string> damaged = lines;
      damaged[n] = line.substr(0, pos) + "x?" + line.substr(end);
      std::string text;
      for (const std::string& l : damaged) text += l + "\r\n";
      SCOPED_TRACE("line " + std::to_string(n + 1) + " token at column " + std::to_string(pos + 1) + ": " + damaged[n]);
      const Outcome o = Open(text);
      ExpectSound(o, false);
      if (!o.loaded || o.ds.PointCount < whole.ds.PointCount) ++refusedOrShorter;
      // What is read holds no more than the file.
      if (o.loaded) {
        EXPECT_LE(o.ds.PointCount, whole.ds.PointCount);
      }
      pos = end;
    }
  }
  // Damaged data lines are refused, or (ABEM protocol, where any line that
  // is no quadripole is a comment) left out.
  EXPECT_GT(refusedOrShorter, 0) << "no damaged number was ever noticed";
}

// Every number a read loaded is a number: no NaN, no infinity.
void ExpectFinite(const TDataset& ds) {
  const auto finite = [](std::initializer_list<float> values) {
    for (const float v : values) {
      if (!std::isfinite(v)) return false;
    }
    return true;
  };
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    bool windows = true;
    for (int w = 1; w <= MaxIPWindows; ++w) windows = windows && std::isfinite(p.M[w]);
    EXPECT_TRUE(windows && finite({p.Rho, p.X, p.Spacing, p.MN, p.Dev, p.XA, p.XB, p.XM, p.XN, p.ZA, p.ZB, p.ZM,
                                   p.ZN, p.I, p.V, p.IP, p.SP}))
        << "point " << i;
  }
  for (int n = 1; n <= MaxElectrodes; ++n) {
    EXPECT_TRUE(finite({ds.Electrodes[n].X, ds.Electrodes[n].Y, ds.Electrodes[n].Z})) << "electrode " << n;
  }
  for (int q = 1; q <= ds.Quads.Size(); ++q) EXPECT_TRUE(std::isfinite(ds.Quads[q].K)) << "quadripole " << q;
  for (int st = 1; st <= ds.StationCount; ++st) EXPECT_TRUE(std::isfinite(ds.Stations[st])) << "station " << st;
  for (int e = 1; e <= ds.ElectrodePosCount; ++e) EXPECT_TRUE(std::isfinite(ds.ElectrodePos[e])) << "position " << e;
  for (int k = 1; k <= ds.ElectrodeXZCount; ++k) {
    EXPECT_TRUE(finite({ds.ElectrodeXZ[k].X, ds.ElectrodeXZ[k].Z})) << "topography " << k;
  }
}

// Every number of the first and last lines replaced by one that is no value:
// not a number, an infinity, beyond the float range, or at its edge (each
// fits, what two of them give may not). Each file is refused or read with
// finite numbers only.
TEST_P(MalformedInput, NumbersThatAreNoNumbers) {
  const Format& f = GetParam();
  if (f.binary) GTEST_SKIP() << "binary records: see BinaryNumbersThatAreNoNumbers";
  const std::vector<std::string> hostile = {"1e308", "nan", "-inf", "3.4e38", "-3.4e38", "inf", "-1e39"};
  std::vector<std::size_t> chosen;
  for (std::size_t n = 0; n < lines.size() && n < 14; ++n) chosen.push_back(n);
  for (std::size_t n = lines.size() >= 3 ? lines.size() - 3 : 0; n < lines.size(); ++n) {
    if (n >= 14) chosen.push_back(n);
  }
  std::size_t next = 0;
  int refused = 0;
  for (std::size_t n : chosen) {
    const std::string& line = lines[n];
    std::size_t pos = 0;
    while (true) {
      pos = line.find_first_not_of(" \t,;", pos);
      if (pos == std::string::npos) break;
      const std::size_t end = std::min(line.find_first_of(" \t,;", pos), line.size());
      const std::string token = line.substr(pos, end - pos);
      if (!ParseNumber(token)) {  // words and titles stay
        pos = end;
        continue;
      }
      std::vector<std::string> damaged = lines;
      damaged[n] = line.substr(0, pos) + hostile[next++ % hostile.size()] + line.substr(end);
      std::string text;
      for (const std::string& l : damaged) text += l + "\r\n";
      SCOPED_TRACE("line " + std::to_string(n + 1) + ": " + damaged[n]);
      const Outcome o = Open(text);
      ExpectSound(o, false);
      if (o.loaded) {
        ExpectFinite(o.ds);
      } else {
        ++refused;
      }
      pos = end;
    }
  }
  // The ABEM protocol takes a line without four electrode numbers for a comment.
  if (std::string(f.name) != "abem_protocol") {
    EXPECT_GT(refused, 0) << "no hostile number was ever refused";
  }
}

// The binary records with coordinates and factors that are no numbers are
// refused with the record's number; measured values that are none make
// their point bad, with finite values in their place.
TEST_P(MalformedInput, BinaryNumbersThatAreNoNumbers) {
  const Format& f = GetParam();
  if (!f.binary) GTEST_SKIP() << "text: see NumbersThatAreNoNumbers";
  std::vector<std::uint8_t> bytes(original.begin(), original.end());
  ByteReader in(bytes);
  TFileHeader::Decode(in);
  const TSeqHeader seq = TSeqHeader::Decode(in);
  const std::size_t electrodes = SyscalHeadersSize;
  const std::size_t quads = electrodes + static_cast<std::size_t>(seq.ElectrodeTotal) * TElectrode::Size;
  const std::size_t records = quads + static_cast<std::size_t>(seq.QuadCount) * TQuadripole::Size;
  const auto withFloat = [&](std::size_t at, float value) {
    std::string copy = original;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int b = 0; b < 4; ++b) copy[at + static_cast<std::size_t>(b)] = static_cast<char>((bits >> (8 * b)) & 0xFF);
    return copy;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    std::string what;
    std::string bytes;
    std::string message;  // empty: read, with the point bad
    int badPoint = 0;
  };
  std::vector<Case> cases = {
      {"electrode 3 x", withFloat(electrodes + 2 * TElectrode::Size + 2, nan),
       "Bad electrode coordinate in Syscal data.\r\nElectrode number - 3"},
      {"electrode 1 y", withFloat(electrodes + 6, inf),
       "Bad electrode coordinate in Syscal data.\r\nElectrode number - 1"},
      {"last electrode z", withFloat(electrodes + (static_cast<std::size_t>(seq.ElectrodeTotal) - 1) * TElectrode::Size + 10, -inf),
       "Bad electrode coordinate in Syscal data.\r\nElectrode number - " + std::to_string(seq.ElectrodeTotal)},
      {"quadripole 2 factor", withFloat(quads + TQuadripole::Size + 10, nan),
       "Bad geometric factor in Syscal data.\r\nQuadripole number - 2"},
  };
  if (f.filter == 1) {
    cases.push_back({"voltage of measurement 5", withFloat(records + 4 * TSyscalRecord::Size, nan), "", 5});
    cases.push_back({"current of measurement 9", withFloat(records + 8 * TSyscalRecord::Size + 4, -inf), "", 9});
  }
  const Outcome whole = Open(original);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.badPoint != 0) {
      ASSERT_FALSE(IsBad(whole.ds, c.badPoint)) << "the example's point is bad already";
    }
    const Outcome o = Open(c.bytes);
    if (!c.message.empty()) {
      ExpectSound(o, true);
      EXPECT_EQ(o.messages, std::vector<std::string>{c.message});
      continue;
    }
    ASSERT_TRUE(o.loaded);
    ExpectConsistent(o.ds);
    ExpectFinite(o.ds);
    EXPECT_TRUE(IsBad(o.ds, c.badPoint));
  }
}

// Counts beyond the capacities: announced in a header, or simply more lines
// than the table holds. The message names the capacity.
TEST_P(MalformedInput, CountsBeyondCapacity) {
  const Format& f = GetParam();
  const std::string name = f.name;
  // The lines from `first` on, repeated until they are more than MaxPoints.
  const auto repeated = [&](std::size_t first) {
    std::string text = Join(first);
    std::string block;
    for (std::size_t i = first; i < lines.size(); ++i) {
      if (!lines[i].empty()) block += lines[i] + "\r\n";
    }
    const std::size_t blockLines = lines.size() - first;
    for (std::size_t done = 0; done <= static_cast<std::size_t>(MaxPoints); done += blockLines) text += block;
    return text;
  };
  const auto withLine = [&](std::size_t index, const std::string& text) {
    std::vector<std::string> copy = lines;
    copy[index] = text;
    std::string all;
    for (const std::string& l : copy) all += l + "\r\n";
    return all;
  };
  // A Syscal sequence-header count (little-endian 16 bits) set to `value`.
  const auto withCount = [&](std::size_t offset, int value) {
    std::string bytes = original;
    bytes[TFileHeader::Size + offset] = static_cast<char>(value & 0xFF);
    bytes[TFileHeader::Size + offset + 1] = static_cast<char>((value >> 8) & 0xFF);
    return bytes;
  };
  const std::string tooManyPoints = "Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints);
  std::vector<std::pair<std::string, std::string>> cases;  // bytes, first message
  if (f.binary) {
    cases = {{withCount(2, MaxElectrodes + 1), "Too many electrodes " + std::to_string(MaxElectrodes + 1) +
                                                   "\r\nMaximal number is " + std::to_string(MaxElectrodes)},
             {withCount(2, -1), "Bad number of electrodes -1"},
             // A 16-bit count stays below the capacity; the largest one in a
             // small file is refused by the file's size, before any record
             // is kept, and 0xFFFF reads as a negative count.
             {withCount(10, MaxSyscalFileQuadripoles),
              "Short file: incomplete quadripole records (" + std::to_string(MaxSyscalFileQuadripoles) + ")"},
             {withCount(10, 0xFFFF), "Bad number of quadripoles -1"}};
  } else if (name.rfind("res2dinv", 0) == 0) {
    const std::size_t countLine = name == "res2dinv_general" ? 6 : 3;
    // Just beyond the capacity, and the largest count a file can declare.
    cases = {{withLine(countLine, std::to_string(MaxPoints + 1)), tooManyPoints},
             {withLine(countLine, std::to_string(100 * MaxPoints)), tooManyPoints}};
  } else {
    std::size_t first = 1;
    if (name == "electre2") {
      while (first < lines.size() && lines[first - 1].rfind("# A", 0) != 0) ++first;
    } else if (name == "abem_amp") {
      while (first < lines.size() && lines[first - 1].rfind("No.", 0) != 0) ++first;
    } else if (name == "abem_protocol") {
      first = 2;
    } else if (name == "sensinv2d") {
      first = 0;
    }
    cases = {{repeated(first), name == "electre2" ? "Too many quadripoles in sequence.\r\nMaximal number - " +
                                                        std::to_string(MaxPoints)
                                                  : tooManyPoints}};
  }
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    const Outcome o = Open(bytes);
    ExpectSound(o, true);
    ASSERT_FALSE(o.messages.empty());
    EXPECT_EQ(o.messages.front(), message);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryReader, MalformedInput, ::testing::ValuesIn(Formats), FormatName);

}  // namespace
}  // namespace tarvo
