#include "engine/sequences/sequence_transforms.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/bad_points.h"
#include "engine/core/byte_io.h"
#include "engine/core/capacities.h"
#include "engine/core/layout_analysis.h"
#include "engine/core/numbers.h"
#include "engine/sequences/syscal_sequence_writer.h"

namespace tarvo {

namespace {

constexpr std::string_view NotAmnMessage = "This function works only for AMN array.";
constexpr std::string_view MergeCountMessage = "Error by making Quadro";

// Electrodes of one cable; Shift64 moves a sequence onto the second one.
constexpr int CableElectrodes = 64;

// Characters of the title a sequence file keeps (the tenth stays NUL).
constexpr std::size_t TitleCharacters = 9;

// Quadripoles 1..QuadCount that the table actually holds.
int QuadripoleRange(const TDataset& ds) {
  return std::clamp(static_cast<int>(ds.SeqHeader.QuadCount), 0, ds.Quads.Size());
}

int LayoutElectrodes(const TDataset& ds) {
  return std::clamp(static_cast<int>(ds.SeqHeader.ElectrodeTotal), 0, MaxElectrodes);
}

// Mirror image of electrode number e about the layout's ends; an absent (0)
// or unknown electrode stays as it is.
std::int16_t MirroredElectrode(const TDataset& ds, std::int16_t e, double x1, double xL) {
  if (e < 1 || e > LayoutElectrodes(ds)) return e;
  return static_cast<std::int16_t>(NearestElectrode(ds, xL - ds.Electrodes[e].X + x1));
}

std::int16_t ShiftedElectrode(std::int16_t e) {
  return e == 0 ? e : static_cast<std::int16_t>(e + CableElectrodes);
}

// Electrode number of the position at x in the merged layout.
std::int16_t MergedElectrode(const TDataset& ds, double x) {
  return static_cast<std::int16_t>(ElectrodeIndexOf(ds, x));
}

}  // namespace

void ExchangeAandB(TDataset& ds) {
  for (int q = 1; q <= QuadripoleRange(ds); ++q) {
    TQuadripole& quad = ds.Quads[q];
    std::swap(quad.A, quad.B);
    quad.K = -quad.K;
  }
}

void ExchangeMandN(TDataset& ds) {
  for (int q = 1; q <= QuadripoleRange(ds); ++q) {
    TQuadripole& quad = ds.Quads[q];
    std::swap(quad.M, quad.N);
    quad.K = -quad.K;
  }
}

int NearestElectrode(const TDataset& ds, double x) {
  int nearest = 0;
  double best = 0;
  for (int n = 1; n <= LayoutElectrodes(ds); ++n) {
    const double d = std::fabs(ds.Electrodes[n].X - x);
    if (nearest == 0 || d < best) {
      nearest = n;
      best = d;
    }
  }
  return nearest;
}

MirrorOutcome MirrorForwardPoleDipole(TDataset& ds, Messenger& messenger) {
  if (ds.SetCount >= 2) return MirrorOutcome::Skipped;
  if (ds.DataKind == DataKindResistivityOnly) {
    if (ds.ArrayType != ForwardPoleDipole || ds.SetCount != 1) {
      messenger.Warning(NotAmnMessage);
      return MirrorOutcome::NotAmnArray;
    }
  } else if (ds.DataKind < DataKindSequence || ds.Quads.Empty()) {
    return MirrorOutcome::Skipped;
  }
  // Without electrode positions there is no line to mirror about.
  if (ds.ElectrodePosCount < 1) return MirrorOutcome::Skipped;

  const double x1 = ds.ElectrodePos[1];
  const double xL = ds.ElectrodePos[ds.ElectrodePosCount];

  if (ds.DataKind == DataKindResistivityOnly) {
    for (int i = 1; i <= ds.PointCount; ++i) {
      TDataPoint& p = ds.Points[i];
      p.X = static_cast<float>(xL - p.X + x1);
    }
    ds.ArrayType = ReversePoleDipole;
    ds.Sets[1].Type = ReversePoleDipole;
    return MirrorOutcome::DataMirrored;
  }

  // Every quadripole takes its new electrodes from the layout as it was.
  std::vector<TQuadripole> mirrored(ds.Quads.Storage());
  for (int q = 1; q <= QuadripoleRange(ds); ++q) {
    TQuadripole& quad = mirrored[static_cast<std::size_t>(q - 1)];
    quad.A = MirroredElectrode(ds, quad.A, x1, xL);
    quad.M = MirroredElectrode(ds, quad.M, x1, xL);
    quad.N = MirroredElectrode(ds, quad.N, x1, xL);
  }
  ds.Quads.Storage() = std::move(mirrored);
  AnalyseLayout(ds, messenger);
  return MirrorOutcome::SequenceMirrored;
}

bool ShiftOnto64(TDataset& ds, Messenger& messenger) {
  if (ds.Quads.Empty()) return false;
  const int total = LayoutElectrodes(ds);
  if (total + CableElectrodes > MaxElectrodes) {
    messenger.Error("Shift64: the layout has " + std::to_string(total) + " electrodes; with " +
                    std::to_string(CableElectrodes) + " more it would exceed the limit of " +
                    std::to_string(MaxElectrodes) + " electrodes. Nothing was changed.");
    return false;
  }
  // The electrodes of the first cable (and any beyond it) move 64 entries
  // up; copying from the top down keeps a layout of more than 64 electrodes
  // whole.
  const int copied = std::max(total, CableElectrodes);
  for (int n = copied; n >= 1; --n) ds.Electrodes[n + CableElectrodes] = ds.Electrodes[n];
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(total + CableElectrodes);
  for (int q = 1; q <= ds.Quads.Size(); ++q) {
    TQuadripole& quad = ds.Quads[q];
    quad.A = ShiftedElectrode(quad.A);
    quad.B = ShiftedElectrode(quad.B);
    quad.M = ShiftedElectrode(quad.M);
    quad.N = ShiftedElectrode(quad.N);
  }
  return true;
}

bool WithExtractedSet(TDataset& ds, int k, const std::function<void()>& work) {
  if (k < 0 || k >= ds.SetCount) return false;

  struct Kept {
    int setCount;
    int pointCount;
    std::vector<TDataPoint> points;
    TSetEntry firstSet;
    std::uint8_t arrayType;
    float xShift;
    TReciprocalPairs reciprocals;
    TDecayFits decayFits;
  };
  const TSetEntry chosen = ds.Sets[k + 1];
  Kept kept{ds.SetCount, ds.PointCount, ds.Points.Storage(), ds.Sets[1], ds.ArrayType, ds.XShift,
            ds.Reciprocals, ds.DecayFits};

  const int first = std::max(chosen.First, 1);
  const int last = std::min(chosen.Last, ds.PointCount);
  std::vector<TDataPoint> narrowed;
  for (int i = first; i <= last; ++i) narrowed.push_back(ds.Points[i]);
  const int size = static_cast<int>(narrowed.size());

  // The per-point lists the bad-point test reads follow the points, so that
  // point i of the set is judged by its own reciprocal error and decay fit.
  const auto slice = [first, last](auto& list) {
    using List = std::decay_t<decltype(list)>;
    List part(1);
    for (int i = first; i <= last; ++i) {
      part.push_back(i < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(i)] : typename List::value_type{});
    }
    if (!list.empty()) list = std::move(part);
  };
  slice(ds.Reciprocals.Partner);
  slice(ds.Reciprocals.Error);
  slice(ds.Reciprocals.IPDifference);
  slice(ds.DecayFits.Misfit);

  ds.Points.Storage() = std::move(narrowed);
  ds.PointCount = size;
  ds.SetCount = 1;
  ds.ArrayType = chosen.Type;
  ds.Sets[1] = TSetEntry{1, size, chosen.Type};

  const auto restore = [&ds, &kept] {
    // The writer adds the x shift to the points it sees and to the layout
    // lists, once; the points coming back get it as well.
    const double applied = double{kept.xShift} - ds.XShift;
    ds.Points.Storage() = std::move(kept.points);
    ds.PointCount = kept.pointCount;
    ds.SetCount = kept.setCount;
    ds.Sets[1] = kept.firstSet;
    ds.ArrayType = kept.arrayType;
    ds.Reciprocals = std::move(kept.reciprocals);
    ds.DecayFits = std::move(kept.decayFits);
    if (applied != 0) {
      for (int i = 1; i <= ds.Points.Size(); ++i) ShiftPoint(ds.Points[i], applied);
    }
  };
  try {
    work();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return true;
}

bool WithMergedSequence(TDataset& ds, const std::string& directory, Messenger& messenger,
                        const std::function<void()>& write) {
  if (ds.DataKind < DataKindSequence || ds.PointCount < 1) return false;

  const int expected = ds.PointCount - ds.BadCount - ds.MergedCount;
  std::vector<TQuadripole> merged;
  for (int i = 1; i <= ds.PointCount; ++i) {
    const TDataPoint& p = ds.Points[i];
    if (IsBad(ds, i) || p.Q == QRepeated) continue;
    TQuadripole q;
    q.A = MergedElectrode(ds, p.XA);
    q.M = MergedElectrode(ds, p.XM);
    q.B = ApproxEqual(p.XB, p.XA) ? std::int16_t{0} : MergedElectrode(ds, p.XB);
    q.N = ApproxEqual(p.XN, p.XM) ? std::int16_t{0} : MergedElectrode(ds, p.XN);
    q.Flag = 1;
    q.K = p.Rho;
    merged.push_back(q);
  }
  if (merged.empty()) return false;
  if (static_cast<int>(merged.size()) != expected) messenger.Error(MergeCountMessage);

  struct Kept {
    TSeqHeader seqHeader;
    std::vector<TQuadripole> quads;
    BoundedTable<TElectrode, MaxElectrodes> electrodes;
    std::int16_t docType;
    std::string fileName;
    float xShift;
  };
  Kept kept{ds.SeqHeader, std::move(ds.Quads.Storage()), ds.Electrodes, ds.FileHeader.DocType, ds.FileName,
            ds.XShift};

  ds.FileHeader.DocType = DocTypeOld;
  ds.FileName = (std::filesystem::path(directory) / "merged.seq").string();
  SetFieldText(ds.SeqHeader.Title, SyscalSequenceTitle(ds.FileName), TitleCharacters);
  const int positions = std::min(ds.ElectrodePosCount, MaxElectrodes);
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(positions);
  for (int e = 1; e <= positions; ++e) {
    TElectrode& electrode = ds.Electrodes[e];
    electrode.Number = static_cast<std::int16_t>(e);
    electrode.X = ds.ElectrodePos[e];
    electrode.Y = 0;
    electrode.Z = 0;
  }
  ds.SeqHeader.QuadCount = static_cast<int>(merged.size());
  ds.Quads.Storage() = std::move(merged);

  const auto restore = [&ds, &kept] {
    // A writer that applied the x shift to the merged layout would have
    // applied it to the instrument layout: the restored one gets it too.
    const double applied = double{kept.xShift} - ds.XShift;
    ds.SeqHeader = kept.seqHeader;
    ds.Quads.Storage() = std::move(kept.quads);
    ds.Electrodes = kept.electrodes;
    ds.FileHeader.DocType = kept.docType;
    ds.FileName = std::move(kept.fileName);
    if (applied != 0) {
      for (int n = 1; n <= LayoutElectrodes(ds); ++n) {
        ds.Electrodes[n].X = static_cast<float>(ds.Electrodes[n].X + applied);
      }
    }
  };
  try {
    write();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return true;
}

}  // namespace tarvo
