#include "engine/sequences/syscal_sequence_writer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/capacities.h"
#include "engine/core/text_file.h"

namespace tarvo {

namespace {

namespace fs = std::filesystem;

// Characters of the title the writer fills; the tenth stays NUL so the
// title always ends inside its field.
constexpr std::size_t TitleCharacters = 9;

constexpr std::string_view BackupFailedMessage = "It is impossibe to create backup file";

TQuadripole Reciprocal(TQuadripole q) {
  std::swap(q.A, q.M);
  std::swap(q.B, q.N);
  return q;
}

// The quadripoles to write, in file order.
std::vector<TQuadripole> QuadripolesToWrite(const TDataset& ds, SyscalSaveCaller caller) {
  std::vector<TQuadripole> quads;
  const bool leaveOutBad = caller == SyscalSaveCaller::UserInterface &&
                           ds.FileHeader.DocType == DocTypeOld && ds.SetCount >= 1;
  if (leaveOutBad) {
    const TSetEntry& set = ds.Sets[ds.SetCount];
    const int last = std::min(set.Last, ds.PointCount);
    for (int i = std::max(set.First, 1); i <= last; ++i) {
      if (IsBad(ds, i)) continue;
      // The point's own quadripole: its Number when that addresses one (a
      // sequence read from text is grouped by array type, so a set's points
      // need not follow the quadripole list), else its place in the set.
      const int number = ds.Points[i].Number;
      const int q = number >= 1 && number <= ds.Quads.Size() ? number : i - set.First + 1;
      if (q < 1 || q > ds.Quads.Size()) continue;
      quads.push_back(ds.Quads[q]);
    }
  } else {
    const int count = std::min(static_cast<int>(ds.SeqHeader.QuadCount), ds.Quads.Size());
    for (int q = 1; q <= count; ++q) quads.push_back(ds.Quads[q]);
  }
  return quads;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The file name and the folder of a path, as the set list shows them.
std::string SetListEntry(const std::string& path) {
  const fs::path p(path);
  return p.filename().string() + " - " + p.parent_path().string();
}

}  // namespace

std::string SyscalBackupName(const std::string& path) {
  const fs::path p(path);
  const std::string name = p.filename().string();
  const auto firstDot = name.find('.');
  const auto lastDot = name.rfind('.');
  std::string stem = name;
  std::string ext;
  if (firstDot != std::string::npos) {
    stem.erase(firstDot, 4);
    ext = name.substr(lastDot);
  }
  if (ext.size() < 2) {
    ext = ".~";
  } else {
    ext[1] = '~';
  }
  return (p.parent_path() / (stem + ext)).string();
}

std::string SyscalSequenceTitle(const std::string& path) {
  const fs::path p(path);
  std::string name = p.filename().string();
  const std::string ext = p.extension().string();
  if (!ext.empty()) name = name.substr(0, name.find(ext));
  return UpperCase(name);
}

void ApplyLayoutXShift(TDataset& ds) {
  if (ds.XShift == 0) return;
  const double shift = ds.XShift;
  const auto add = [shift](float& x) { x = static_cast<float>(x + shift); };
  const int electrodes = std::clamp(static_cast<int>(ds.SeqHeader.ElectrodeTotal), 0, MaxElectrodes);
  for (int n = 1; n <= electrodes; ++n) add(ds.Electrodes[n].X);
  for (int s = 1; s <= ds.StationCount; ++s) add(ds.Stations[s]);
  for (int e = 1; e <= ds.ElectrodePosCount; ++e) add(ds.ElectrodePos[e]);
  ds.XShift = 0;
}

std::vector<std::uint8_t> SyscalFileBytes(const TDataset& ds, SyscalSaveCaller caller, bool reciprocal) {
  const std::vector<TQuadripole> quads = QuadripolesToWrite(ds, caller);

  // The count in the header is always the number of records that follow, so
  // the file reads back whole.
  TSeqHeader seq = ds.SeqHeader;
  seq.QuadCount = static_cast<int>(quads.size());
  const int electrodes = std::clamp(static_cast<int>(seq.ElectrodeTotal), 0, MaxElectrodes);
  seq.ElectrodeTotal = static_cast<std::int16_t>(electrodes);

  std::vector<std::uint8_t> bytes;
  ByteWriter out(bytes);
  ds.FileHeader.Encode(out);
  seq.Encode(out);
  for (int n = 1; n <= electrodes; ++n) ds.Electrodes[n].Encode(out);
  for (const TQuadripole& q : quads) (reciprocal ? Reciprocal(q) : q).Encode(out);

  if (ds.FileHeader.DocType == DocTypeCurrent && ds.SetCount >= 1) {
    const int first = ds.Sets[ds.SetCount].First;
    const int records = std::min({static_cast<int>(quads.size()), ds.SyscalRaw.Size(), ds.PointCount - first + 1});
    for (int i = 1; i <= records; ++i) {
      TSyscalRecord r = ds.SyscalRaw[i];
      r.Dev = ds.Points[first + i - 1].Q;
      r.Encode(out);
    }
  }
  return bytes;
}

SaveDialogDescription SyscalSaveDialog(const TDataset& ds) {
  return {"Save SysCal file", ds.FileName, "SysCal Sequence files|*.seq", "SEQ"};
}

SyscalSaveResult SaveSyscalSequence(TDataset& ds, SyscalSaveCaller caller, bool reciprocal,
                                    const TargetChooser& chooser, Messenger& messenger) {
  SyscalSaveResult result;
  if (ds.DataKind < DataKindSequence || ds.ReadOnlyData || ds.Quads.Empty() || ds.SetCount < 1) return result;

  // A Syscal file counts its quadripoles in 16 bits: a longer sequence
  // cannot be written in this format.
  const std::size_t toWrite = QuadripolesToWrite(ds, caller).size();
  if (toWrite > static_cast<std::size_t>(MaxSyscalFileQuadripoles)) {
    messenger.Error("Too many quadripoles for a Syscal file " + std::to_string(toWrite) +
                    "\r\nMaximal number is " + std::to_string(MaxSyscalFileQuadripoles));
    result.outcome = SaveOutcome::Failed;
    return result;
  }

  ApplyLayoutXShift(ds);
  const bool fromInterface = caller == SyscalSaveCaller::UserInterface;
  if (fromInterface && ds.SetCount > 1 && ds.SelectedSetEntry != ds.SetCount - 1) SelectSet(ds, ds.SetCount);
  if (ds.IsSequence()) ds.FileHeader.DocType = DocTypeOld;

  if (ds.FileHeader.DocType == DocTypeOld) {
    const std::optional<std::string> chosen = chooser(SyscalSaveDialog(ds));
    if (!chosen) {
      result.outcome = SaveOutcome::Cancelled;
      return result;
    }
    ds.FileName = *chosen;
    if (fromInterface) {
      if (static_cast<int>(ds.SetNames.size()) < ds.SetCount) ds.SetNames.resize(static_cast<std::size_t>(ds.SetCount));
      ds.SetNames[static_cast<std::size_t>(ds.SetCount - 1)] = SetListEntry(ds.FileName);
    }
    result.sequenceTitle = SyscalSequenceTitle(ds.FileName);
    SetFieldText(ds.SeqHeader.Title, result.sequenceTitle, TitleCharacters);
  } else if (ds.SyscalRaw.Empty()) {
    // Only a Syscal data file that was read can be rewritten in place; any
    // other file under FileName (text, ABEM) must not be overwritten.
    return result;
  }

  const std::vector<std::uint8_t> bytes = SyscalFileBytes(ds, caller, reciprocal);
  const std::string target = ds.FileName;

  std::error_code ec;
  // Only a file is kept as a backup; a folder in the way is reported by the write.
  if (fs::is_regular_file(target, ec)) {
    const std::string backup = SyscalBackupName(target);
    const fs::file_status old = fs::symlink_status(backup, ec);
    if (fs::exists(old) && !fs::is_regular_file(old)) {
      // A folder (or anything but a file) under the backup name cannot be
      // replaced: the file is written without a backup.
      messenger.Error(BackupFailedMessage);
    } else {
      // A copy rather than a rename keeps the file in place until the new
      // one has been written whole; the copy itself is written whole and
      // replaces the previous backup only when complete.
      std::vector<std::uint8_t> previous;
      FileReadResult copied = ReadFileBytes(target, previous);
      if (copied.ok) {
        copied = WriteFileWhole(backup, std::string(previous.begin(), previous.end()), ReadOnlyTarget::Replace);
      }
      if (!copied.ok) {
        messenger.Error(copied.error);
        result.outcome = SaveOutcome::Failed;
        return result;
      }
    }
  }

  // Replacing the file clears its read-only attribute, as the backup rule
  // moves the old file aside and makes a new one.
  const FileReadResult written =
      WriteFileWhole(target, std::string(bytes.begin(), bytes.end()), ReadOnlyTarget::Replace);
  if (!written.ok) {
    messenger.Error(written.error);
    result.outcome = SaveOutcome::Failed;
    return result;
  }
  result.outcome = SaveOutcome::Written;
  result.path = target;
  result.quadripoles = static_cast<int>(QuadripolesToWrite(ds, caller).size());
  return result;
}

}  // namespace tarvo
