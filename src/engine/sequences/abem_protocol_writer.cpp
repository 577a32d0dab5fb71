#include "engine/sequences/abem_protocol_writer.h"

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/capacities.h"
#include "engine/core/text_file.h"

namespace tarvo {

namespace {

// Instrument codes by array type 1..8: pole-pole, Schlumberger, Wenner,
// forward and reverse pole-dipole (one code for both), dipole-dipole, Wenner
// beta; the asymmetrical array has no code of its own.
constexpr std::array<int, ArrayTypeCount + 1> AbemCodes = {0, 4, 10, 1, 6, 6, 5, 2, 0};

// Sequences with more levels than this reach far enough to need the long cables.
constexpr int ShortCableLevels = 9;

// One electrode number right-aligned in a field of at least two characters.
std::string Field(int n) {
  std::string text = std::to_string(n);
  if (text.size() < 2) text.insert(0, 2 - text.size(), ' ');
  return text;
}

std::string QuadripoleLine(const TQuadripole& q) {
  return Field(q.A) + " " + Field(q.B) + " " + Field(q.M) + " " + Field(q.N);
}

// True when the quadripole uses an electrode numbered from `low` to `high`.
bool Touches(const TQuadripole& q, int low, int high) {
  for (const int n : {q.A, q.B, q.M, q.N}) {
    if (n != 0 && n >= low && n <= high) return true;
  }
  return false;
}

// The quadripoles of the last set, in sequence order. A point's Number
// addresses its quadripole; a point without one takes its place in the set.
std::vector<TQuadripole> LastSetQuadripoles(const TDataset& ds) {
  std::vector<TQuadripole> quads;
  if (ds.SetCount < 1 || ds.SetCount > MaxSets) return quads;
  const TSetEntry& set = ds.Sets[ds.SetCount];
  const int count = std::min(set.Last - set.First + 1, MaxPoints);
  for (int k = 1; k <= count; ++k) {
    const int i = set.First + k - 1;
    const int number = i >= 1 && i <= ds.PointCount ? ds.Points[i].Number : 0;
    const int q = number >= 1 && number <= ds.Quads.Size() ? number : k;
    if (q > ds.Quads.Size()) break;
    quads.push_back(ds.Quads[q]);
  }
  return quads;
}

std::string WithExtension(const std::string& path, const char* ext) {
  return std::filesystem::path(path).replace_extension(ext).string();
}

}  // namespace

int AbemArrayCode(int arrayType) { return IsValidArrayCode(arrayType) ? AbemCodes[static_cast<std::size_t>(arrayType)] : 0; }

CableLayout PresetCableLayout(const TDataset& ds) {
  return ds.LevelCount > ShortCableLevels ? CableLayout::Long32 : CableLayout::Short32;
}

int RollAlongStep(int electrodeTotal, CableLayout c) {
  if (electrodeTotal <= 0) return 0;
  return c == CableLayout::Short32 ? electrodeTotal / 2 : electrodeTotal / 4;
}

AbemProtocolTexts AbemProtocolFiles(const TDataset& ds, CableLayout cable) {
  const bool lastSetHeaders = ds.SetCount > 1 && ds.SetCount <= MaxSets;
  const int arrayType = lastSetHeaders ? ds.Sets[ds.SetCount].Type : ds.ArrayType;
  const int electrodeTotal =
      std::clamp(static_cast<int>(lastSetHeaders ? ds.SetSeqHeaders[ds.SetCount].ElectrodeTotal
                                                 : ds.SeqHeader.ElectrodeTotal),
                 0, MaxElectrodes);
  const int h = RollAlongStep(electrodeTotal, cable);

  std::vector<std::string> header;
  header.push_back(std::to_string(AbemArrayCode(arrayType)) + " " +
                   std::string(IsValidArrayCode(arrayType) ? ArrayTypeNames[static_cast<std::size_t>(arrayType)] : ""));
  header.emplace_back(CableLayoutNames[cable == CableLayout::Short32 ? 0 : 1]);

  std::vector<std::string> org = header;
  std::vector<std::string> up = header;
  std::vector<std::string> dwn = header;
  for (const TQuadripole& q : LastSetQuadripoles(ds)) {
    const std::string line = QuadripoleLine(q);
    org.push_back(line);
    if (h > 0 && Touches(q, electrodeTotal - h + 1, electrodeTotal)) up.push_back(line);
    if (h > 0 && Touches(q, 1, h)) dwn.push_back(line);
  }
  return {JoinCrLf(org), JoinCrLf(up), JoinCrLf(dwn)};
}

SaveDialogDescription AbemSaveDialog(const TDataset& ds) {
  return {"Save Lund protocol", WithExtension(ds.FileName, ".org"), "ABEM org file|*.org", "org"};
}

AbemSaveResult SaveAbemProtocol(TDataset& ds, const TargetChooser& chooser, const CableChooser& cable,
                                Messenger& messenger) {
  AbemSaveResult result;
  if (ds.Quads.Empty() || ds.SetCount < 1) return result;

  if (ds.SetCount > 1 && ds.SelectedSetEntry != ds.SetCount - 1) SelectSet(ds, ds.SetCount);

  const std::optional<std::string> chosen = chooser(AbemSaveDialog(ds));
  if (!chosen) {
    result.outcome = SaveOutcome::Cancelled;
    return result;
  }
  const CableLayout chosenCable = cable ? cable(PresetCableLayout(ds)) : PresetCableLayout(ds);

  const AbemProtocolTexts texts = AbemProtocolFiles(ds, chosenCable);
  // The three protocols are one set: all new, or all as they were.
  const FileReadResult written = WriteFilesWhole({
      {*chosen, texts.org},
      {WithExtension(*chosen, ".up"), texts.up},
      {WithExtension(*chosen, ".dwn"), texts.dwn},
  });
  if (!written.ok) {
    messenger.Error(written.error + "\r\n" + written.path);
    result.outcome = SaveOutcome::Failed;
    return result;
  }
  result.outcome = SaveOutcome::Written;
  result.orgPath = *chosen;
  result.quadripoles = static_cast<int>(LastSetQuadripoles(ds).size());
  return result;
}

}  // namespace tarvo
