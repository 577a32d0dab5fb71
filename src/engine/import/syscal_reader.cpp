#include "engine/import/syscal_reader.h"

#include "engine/import/abem_amp_reader.h"
#include "engine/import/abem_protocol_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/capacities.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"

namespace tarvo {

namespace {


std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// ABEM files are opened through the same file types as the Syscal ones and
// are told apart by the last letter of their name: "P" for AMP data (.amp),
// "G" for protocols (.org), unless a format was named. The reader of the
// file; nothing for a Syscal file.
ReaderFunction AbemReaderFor(const ReadSource& source) {
  switch (source.format) {
    case InstrumentFormat::Syscal: return nullptr;
    case InstrumentFormat::AbemAmp: return ReadAmp;
    case InstrumentFormat::AbemProtocol: return ReadProtocol;
    case InstrumentFormat::ByName: break;
  }
  if (source.fileName.empty()) return nullptr;
  const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(source.fileName.back())));
  if (last == 'P') return ReadAmp;
  if (last == 'G') return ReadProtocol;
  return nullptr;
}

// A sequence file holds the layout and the quadripoles only; every other
// extension is a data file with one measurement record per quadripole.
bool IsSequenceFile(const std::string& fileName) {
  return Upper(std::filesystem::path(fileName).extension().string()) == ".SEQ";
}

// The layout part of a Syscal file, decoded and checked before anything of
// the dataset is replaced.
struct SyscalLayout {
  TFileHeader fileHeader;
  TSeqHeader seqHeader;
  std::vector<TElectrode> electrodes;
  std::vector<TQuadripole> quads;
  std::size_t measurementStart = 0;  // offset of the measurement block
};

bool DecodeLayout(std::span<const std::uint8_t> bytes, SyscalLayout& layout, Messenger& messenger) {
  switch (DecodeSyscalHeaders(bytes, layout.fileHeader, layout.seqHeader)) {
    case SyscalHeaderStatus::Ok: break;
    case SyscalHeaderStatus::NotSyscal: messenger.Error("Bad input SysCal file"); return false;
    case SyscalHeaderStatus::Short: messenger.Error("Short file: incomplete headers"); return false;
  }

  const int electrodeTotal = layout.seqHeader.ElectrodeTotal;
  if (electrodeTotal < 0) {
    messenger.Error("Bad number of electrodes " + std::to_string(electrodeTotal));
    return false;
  }
  if (electrodeTotal > MaxElectrodes) {
    messenger.Error("Too many electrodes " + std::to_string(electrodeTotal) + "\r\n" + "Maximal number is " +
                    std::to_string(MaxElectrodes));
    return false;
  }

  ByteReader in(bytes.subspan(SyscalHeadersSize));
  if (in.Remaining() < TElectrode::Size * static_cast<std::size_t>(electrodeTotal)) {
    messenger.Error("Short file: incomplete electrode records (" + std::to_string(electrodeTotal) + ")");
    return false;
  }
  for (int n = 1; n <= electrodeTotal; ++n) {
    const TElectrode e = TElectrode::Decode(in);
    // A coordinate that is no number (or an infinity) places nothing.
    if (!FitsFloat(e.X) || !FitsFloat(e.Y) || !FitsFloat(e.Z)) {
      messenger.Error("Bad electrode coordinate in Syscal data.\r\nElectrode number - " + std::to_string(n));
      return false;
    }
    layout.electrodes.push_back(e);
  }

  const int quadCount = layout.seqHeader.QuadCount;
  if (quadCount < 0) {
    messenger.Error("Bad number of quadripoles " + std::to_string(quadCount));
    return false;
  }
  if (quadCount > MaxPoints) {
    messenger.Error("Too many quadripoles " + std::to_string(quadCount) + "\r\n" + "Maximal number is " +
                    std::to_string(MaxPoints));
    return false;
  }
  if (in.Remaining() < TQuadripole::Size * static_cast<std::size_t>(quadCount)) {
    messenger.Error("Short file: incomplete quadripole records (" + std::to_string(quadCount) + ")");
    return false;
  }
  for (int i = 1; i <= quadCount; ++i) {
    const TQuadripole q = TQuadripole::Decode(in);
    if (!FitsFloat(q.K)) {
      messenger.Error("Bad geometric factor in Syscal data.\r\nQuadripole number - " + std::to_string(i));
      return false;
    }
    layout.quads.push_back(q);
  }
  if (std::any_of(layout.quads.begin(), layout.quads.end(), [](const TQuadripole& q) { return q.Flag == 0; })) {
    messenger.Error("Undefined array in Syscal data");
    return false;
  }

  layout.measurementStart = SyscalHeadersSize + in.Position();
  return true;
}

// Reads the measurement records that follow the quadripoles. A block cut
// short keeps the complete records before the cut. Returns the number of
// complete records.
int ReadMeasurements(TDataset& ds, std::span<const std::uint8_t> block, Messenger& messenger) {
  const int count = ds.SeqHeader.QuadCount;
  const bool oldLayout = ds.FileHeader.DocType == DocTypeOld;
  const std::size_t recordSize = oldLayout ? TSyscalRecord::OldSize : TSyscalRecord::Size;

  ds.SyscalRaw.Resize(count);
  ByteReader in(block);
  int complete = 0;
  for (int i = 1; i <= count; ++i) {
    if (in.Remaining() < recordSize) {
      messenger.Error("Short file " + std::to_string(i - 1) + " (" + std::to_string(count) + ")");
      break;
    }
    ds.SyscalRaw[i] = oldLayout ? TSyscalRecord::DecodeOld(in) : TSyscalRecord::Decode(in);
    complete = i;
  }
  // From here on the records are held in the current layout (the trailing
  // bytes of converted records are zero), so a rewritten file is current.
  if (oldLayout) ds.FileHeader.DocType = DocTypeCurrent;
  return complete;
}

}  // namespace

SyscalHeaderStatus DecodeSyscalHeaders(std::span<const std::uint8_t> bytes, TFileHeader& fileHeader,
                                       TSeqHeader& seqHeader) {
  const std::string_view magic = TFileHeader::MagicText;
  if (bytes.size() < magic.size() || !std::equal(magic.begin(), magic.end(), bytes.begin())) {
    return SyscalHeaderStatus::NotSyscal;
  }
  if (bytes.size() < SyscalHeadersSize) return SyscalHeaderStatus::Short;
  ByteReader in(bytes);
  fileHeader = TFileHeader::Decode(in);
  seqHeader = TSeqHeader::Decode(in);
  return SyscalHeaderStatus::Ok;
}

bool ReadInstrumentFile(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  Messenger& messenger = env.messenger;
  // The ABEM readers take their files over, so the Syscal steps never see them.
  if (const ReaderFunction abem = AbemReaderFor(source)) return abem(source, ds, env);

  const std::string& fileName = source.fileName;
  if (IsReadOnlyFile(fileName)) {
    messenger.Error(fileName + " is read-only file!" + "\r\n" + "Clear this attribute for work with this file!");
    return false;
  }

  std::vector<std::uint8_t> bytes;
  const FileReadResult read = ReadFileBytes(fileName, bytes);
  if (!read.ok) {
    messenger.Error("Cannot read " + fileName + "\r\n" + read.error);
    return false;
  }

  SyscalLayout layout;
  if (!DecodeLayout(bytes, layout, messenger)) return false;

  ds.FileHeader = layout.fileHeader;
  ds.SeqHeader = layout.seqHeader;
  ds.DataKind = DataKindHeaderOnly;
  int n = 0;
  for (const TElectrode& e : layout.electrodes) ds.Electrodes[++n] = e;
  ds.Quads.Storage() = std::move(layout.quads);
  ds.SyscalRaw.Release();

  if (!ClassifySequence(ds, messenger)) return false;
  ds.DataKind = DataKindSequence;

  if (!IsSequenceFile(fileName)) {
    const int complete =
        ReadMeasurements(ds, std::span<const std::uint8_t>(bytes).subspan(layout.measurementStart), messenger);
    // A data file without a single complete measurement has nothing to show.
    if (complete == 0) return false;
    ds.PointCount = complete;
    ds.DataKind = DataKindInstrument;
    SyscalToValues(ds);
  }
  return true;
}

void SyscalToValues(TDataset& ds) {
  // The raw records and the quadripoles belong to the points of one file;
  // never reach past either table.
  const int count = std::min({ds.PointCount, ds.SyscalRaw.Size(), ds.Quads.Size()});
  const bool absolute = ds.FileHeader.AbsValues != 0;

  for (int i = 1; i <= count; ++i) {
    const TSyscalRecord& r = ds.SyscalRaw[i];
    TDataPoint& p = ds.Points[i];
    const auto noValue = [&p] {
      p.Q = QRejected;
      p.I = -1;
      p.V = -1;
      p.Rho = -1;
    };

    // No current (a current that is not a number counts as none).
    if (!(std::fabs(double{r.I}) > 1e-7)) {
      noValue();
      continue;
    }
    // The instrument flags the measurement as failed: rejected, and the
    // point keeps what it holds.
    if (r.Dev >= 256) {
      p.Q = QRejected;
      continue;
    }
    double rho = double{r.V} / double{r.I} * double{ds.Quads[i].K};
    // A record of garbage bytes gives no value rather than an infinity.
    if (!std::isfinite(r.I) || !std::isfinite(r.V) || !std::isfinite(rho)) {
      noValue();
      continue;
    }

    if (absolute) rho = std::fabs(rho);
    // A negative deviation is no quality figure: the point is rejected but
    // keeps its values.
    p.Q = r.Dev < 0 ? QRejected : static_cast<std::uint8_t>(r.Dev);
    p.Rho = static_cast<float>(rho);
    p.I = r.I;
    p.V = r.V;
    if (rho < 0.001) p.Q = QRejected;
  }
  CountBadPoints(ds);
}

}  // namespace tarvo
