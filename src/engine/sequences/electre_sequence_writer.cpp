#include "engine/sequences/electre_sequence_writer.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/capacities.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/sequences/syscal_sequence_writer.h"

namespace tarvo {

namespace {

std::string QuadripoleLine(int number, const TQuadripole& q, bool reciprocal) {
  const int first[4] = {q.A, q.B, q.M, q.N};
  const int swapped[4] = {q.M, q.N, q.A, q.B};
  const int* e = reciprocal ? swapped : first;
  std::string line = std::to_string(number);
  for (int k = 0; k < 4; ++k) line += "\t" + std::to_string(e[k]);
  return line;
}

// The good points from `firstPoint` to `lastPoint`, each with the quadripole
// its Number addresses, led by the point's index.
void AppendPointLines(const TDataset& ds, int firstPoint, int lastPoint, bool reciprocal,
                      std::vector<std::string>& lines) {
  firstPoint = std::max(firstPoint, 1);
  lastPoint = std::min(lastPoint, ds.PointCount);
  for (int i = firstPoint; i <= lastPoint; ++i) {
    const int number = ds.Points[i].Number;
    if (number < 1 || number > ds.Quads.Size() || IsBad(ds, i)) continue;
    lines.push_back(QuadripoleLine(i, ds.Quads[number], reciprocal));
  }
}

// The lines of the file and, in `quadripoles`, how many of them are quadripole lines.
std::vector<std::string> ElectreLines(const TDataset& ds, ElectreSender sender, bool reciprocal, int extraDigits,
                                      int& quadripoles) {
  std::vector<std::string> lines;
  lines.emplace_back("# X Y Z");
  const int electrodes = std::clamp(static_cast<int>(ds.SeqHeader.ElectrodeTotal), 0, MaxElectrodes);
  for (int n = 1; n <= electrodes; ++n) {
    lines.push_back(std::to_string(n) + "\t" + FormatValue(ds.Electrodes[n].X, extraDigits) + " 0 0");
  }
  lines.emplace_back("# A B M N");

  switch (sender) {
    case ElectreSender::None: {
      const int count = std::min(static_cast<int>(ds.SeqHeader.QuadCount), ds.Quads.Size());
      for (int q = 1; q <= count; ++q) lines.push_back(QuadripoleLine(q, ds.Quads[q], reciprocal));
      break;
    }
    case ElectreSender::Extract: {
      if (ds.SetCount < 1) break;
      const int selected = ds.SelectedSetEntry + 1;
      const int set = selected >= 1 && selected <= ds.SetCount ? selected : ds.SetCount;
      AppendPointLines(ds, ds.Sets[set].First, ds.Sets[set].Last, reciprocal, lines);
      break;
    }
    case ElectreSender::Other: {
      if (ds.SetCount < 1) break;
      const int sequenceSets = std::clamp(ds.SequenceSetCount, 1, ds.SetCount);
      const int firstSet = ds.SetCount - sequenceSets + 1;
      AppendPointLines(ds, ds.Sets[firstSet].First, ds.Sets[ds.SetCount].Last, reciprocal, lines);
      break;
    }
  }
  quadripoles = static_cast<int>(lines.size()) - electrodes - 2;
  return lines;
}

}  // namespace

SaveDialogDescription ElectreSaveDialog(const TDataset& ds) {
  return {"ElectreII sequence", std::filesystem::path(ds.FileName).replace_extension(".txt").string(),
          "ElectreII sequence files|*.txt", "TXT"};
}

std::string ElectreSequenceText(const TDataset& ds, ElectreSender sender, bool reciprocal, int extraDigits) {
  int quadripoles = 0;
  return JoinCrLf(ElectreLines(ds, sender, reciprocal, extraDigits, quadripoles));
}

ElectreSaveResult SaveElectreSequence(TDataset& ds, ElectreSender sender, bool reciprocal, int extraDigits,
                                      const TargetChooser& chooser, Messenger& messenger) {
  ElectreSaveResult result;
  const bool withSender = sender != ElectreSender::None;
  if (withSender && !ds.IsSequence()) return result;
  if (ds.Quads.Empty()) return result;

  ApplyLayoutXShift(ds);
  if (withSender && ds.SetCount > ds.SequenceSetCount && ds.SelectedSetEntry != ds.SetCount - 1) {
    SelectSet(ds, ds.SetCount);
  }

  const std::optional<std::string> chosen = chooser(ElectreSaveDialog(ds));
  if (!chosen) {
    result.outcome = SaveOutcome::Cancelled;
    return result;
  }

  int quadripoles = 0;
  const std::string text = JoinCrLf(ElectreLines(ds, sender, reciprocal, extraDigits, quadripoles));
  const FileReadResult written = WriteFileWhole(*chosen, text);
  if (!written.ok) {
    messenger.Error(written.error);
    result.outcome = SaveOutcome::Failed;
    return result;
  }
  result.outcome = SaveOutcome::Written;
  result.path = *chosen;
  result.quadripoles = quadripoles;
  return result;
}

}  // namespace tarvo
