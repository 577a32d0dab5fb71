#include "engine/sequences/sequence_generator.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/core/array_types.h"
#include "engine/core/data_kind.h"
#include "engine/core/numbers.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

constexpr double Pi = TwoPi / 2.0;

bool InLine(int e, int electrodes) { return e >= 1 && e <= electrodes; }

// Sounding position j (1-based) for the step s: the centre of the potential
// dipole, half an electrode spacing past an electrode.
double SoundingPosition(int j, int step) { return (j - 1) * step + 1.5; }

int SoundingPositionCount(const SequenceGeneratorState& state) {
  return state.step >= 1 ? state.electrodes / state.step : 0;
}

// AM shown in the item text: for dipole-dipole the distance between the
// inner electrodes of the two dipoles, 2 AM - MN.
int ShownAM(GeneratorArray array, ItemPair pair) {
  return array == GeneratorArray::DipoleDipole ? 2 * pair.am - pair.mn : pair.am;
}

// K / a of an item, in electrode spacings.
double ItemFactor(GeneratorArray array, ItemPair pair) {
  const double am = pair.am;
  const double mn = pair.mn;
  switch (array) {
    case GeneratorArray::WennerBeta:
    case GeneratorArray::DipoleDipole: {
      const double g = ShownAM(array, pair);
      return Pi * g * (g + mn) * (g + 2 * mn) / (mn * mn);
    }
    case GeneratorArray::WennerAlpha:
    case GeneratorArray::Schlumberger: return Pi * am * (am + mn) / mn;
    case GeneratorArray::PoleDipole:
    case GeneratorArray::HalfWenner: break;
  }
  return TwoPi * am * (am + mn) / mn;
}

// The lists the array uses, in generation order (largest dipole first).
std::vector<CheckListRef> ListsInGenerationOrder(GeneratorArray array) {
  if (UsesWennerList(array)) return {CheckListRef{true, 0}};
  std::vector<CheckListRef> lists;
  for (int l = DipoleListCount - 1; l >= 0; --l) lists.push_back(CheckListRef{false, l});
  return lists;
}

}  // namespace

SequenceGeneratorState::SequenceGeneratorState() {
  for (int i = 0; i <= 7; ++i) dipoleChecks[0][static_cast<std::size_t>(i)] = true;
  for (int i = 0; i <= 16; i += 2) wennerChecks[static_cast<std::size_t>(i)] = true;
  wennerChecks[1] = true;
}

bool& SequenceGeneratorState::Checked(CheckListRef list, int item) {
  auto& row = list.wenner ? wennerChecks : dipoleChecks[static_cast<std::size_t>(list.dipoleList)];
  return row[static_cast<std::size_t>(item)];
}

bool SequenceGeneratorState::Checked(CheckListRef list, int item) const {
  const auto& row = list.wenner ? wennerChecks : dipoleChecks[static_cast<std::size_t>(list.dipoleList)];
  return row[static_cast<std::size_t>(item)];
}

bool UsesWennerList(GeneratorArray array) {
  return array == GeneratorArray::HalfWenner || array == GeneratorArray::WennerAlpha ||
         array == GeneratorArray::WennerBeta;
}

ItemPair CheckListItem(CheckListRef list, int item) {
  if (list.wenner) return ItemPair{item + 1, 2 * (item / 2) + 1};
  const int tag = DipoleLengths[static_cast<std::size_t>(list.dipoleList)];
  return ItemPair{tag + item, tag};
}

std::optional<CheckListPosition> FindCheckListItem(GeneratorArray array, int shownAm, int mn) {
  for (const CheckListRef list : ListsInGenerationOrder(array)) {
    for (int i = 0; i < CheckListItemCount; ++i) {
      const ItemPair pair = CheckListItem(list, i);
      if (pair.mn == mn && ShownAM(array, pair) == shownAm) return CheckListPosition{list, i};
    }
  }
  return std::nullopt;
}

Placement PlaceQuadripole(GeneratorArray array, int electrodes, int am, int mn, double x) {
  Placement p;
  const int m = static_cast<int>(std::lround(x - mn / 2.0));
  const int n = static_cast<int>(std::lround(x + mn / 2.0));
  const int a = m - am;
  if (!InLine(a, electrodes) || !InLine(m, electrodes) || !InLine(n, electrodes)) return p;

  if (array == GeneratorArray::PoleDipole || array == GeneratorArray::HalfWenner) {
    p = Placement{true, a, 0, m, n};
    return p;
  }

  const int b = n + am;
  if (b > electrodes) return p;
  switch (array) {
    case GeneratorArray::WennerBeta: {
      // The four electrodes become a dipole-dipole layout B' A' M' N'; the
      // inner ones move apart when the current dipole is the longer.
      const int bCur = a;
      int aCur = m;
      int mPot = n;
      const int nPot = mPot + am;
      if (aCur - bCur > mPot - aCur) {
        aCur -= 1;
        mPot += 1;
      }
      p = Placement{true, bCur, aCur, nPot, mPot};
      break;
    }
    case GeneratorArray::DipoleDipole: {
      const int mPot = b;
      p = Placement{true, a, a + mn, mPot, mPot - mn};
      break;
    }
    default: p = Placement{true, a, b, m, n}; break;
  }
  return p;
}

double GeneratedFactor(GeneratorArray array, const Placement& p) {
  const double a = p.A, b = p.B, m = p.M, n = p.N;
  switch (array) {
    case GeneratorArray::PoleDipole: return TwoPi * (m - a) * (n - a) / (n - m);
    case GeneratorArray::HalfWenner: return TwoPi * std::fabs(m - a) * std::fabs(n - a) / (n - m);
    case GeneratorArray::WennerAlpha: return Pi * std::fabs(m - a) * std::fabs(n - a) / (n - m);
    case GeneratorArray::Schlumberger: return Pi * (m - a) * (n - a) / (n - m);
    case GeneratorArray::WennerBeta: {
      // Written as A = B', B = A', M = N', N = M'.
      const double s = std::fabs(n - b);
      const double d = m - n;
      return Pi * s * (s + d) * (s + 2 * d) / (d * d);
    }
    case GeneratorArray::DipoleDipole:
      return TwoPi / (1 / std::fabs(a - m) - 1 / std::fabs(a - n) - 1 / std::fabs(b - m) + 1 / std::fabs(b - n));
  }
  return 0;
}

int ItemQuadripoleCount(const SequenceGeneratorState& state, CheckListRef list, int item) {
  const ItemPair pair = CheckListItem(list, item);
  int count = 0;
  for (int j = 1; j <= SoundingPositionCount(state); ++j) {
    if (PlaceQuadripole(state.array, state.electrodes, pair.am, pair.mn, SoundingPosition(j, state.step)).valid) {
      ++count;
    }
  }
  return count;
}

int TotalQuadripoles(const SequenceGeneratorState& state) {
  int total = 0;
  for (const CheckListRef list : ListsInGenerationOrder(state.array)) {
    for (int i = 0; i < CheckListItemCount; ++i) {
      if (state.Checked(list, i)) total += ItemQuadripoleCount(state, list, i);
    }
  }
  return total;
}

bool ItemOverlaps(const SequenceGeneratorState& state, CheckListRef list, int item) {
  if (list.wenner || list.dipoleList == 0) return false;
  const CheckListRef smaller{false, list.dipoleList - 1};
  const int difference = DipoleLengths[static_cast<std::size_t>(list.dipoleList)] -
                         DipoleLengths[static_cast<std::size_t>(smaller.dipoleList)];
  const int offset = state.array == GeneratorArray::DipoleDipole ? difference
                                                                 : static_cast<int>(std::lround(1.5 * difference));
  const int there = item + offset;
  if (there >= CheckListItemCount) return false;
  return state.Checked(smaller, there) || ItemOverlaps(state, smaller, there);
}

std::string ItemText(const SequenceGeneratorState& state, CheckListRef list, int item, int extraDigits) {
  const ItemPair pair = CheckListItem(list, item);
  const int shown = ShownAM(state.array, pair);
  const double r = state.array == GeneratorArray::DipoleDipole ? pair.am : pair.am + pair.mn / 2.0;

  std::string text;
  if (shown < 10) text += "  ";
  text += std::to_string(shown) + "/" + std::to_string(pair.mn);
  if (r < 10) text += "  ";
  text += "   " + FormatValue(r, extraDigits);
  text += "    (" + FormatValue(ItemFactor(state.array, pair), extraDigits) + ")   ";
  if (ItemOverlaps(state, list, item)) text += " Yes";
  if (state.Checked(list, item)) text += " " + std::to_string(ItemQuadripoleCount(state, list, item));
  return text;
}

std::string_view ListHeader(GeneratorArray array) {
  switch (array) {
    case GeneratorArray::PoleDipole: return "AM/MN  R=AO  (K_array/a)  Yes/No  N_reading";
    case GeneratorArray::Schlumberger: return "AM/MN  AB/2   (K_array/a)  Yes/No  N_reading";
    case GeneratorArray::DipoleDipole: return "AM/MN  R=00'/2  (K_array/a)  Yes/No  N_reading";
    case GeneratorArray::HalfWenner:
    case GeneratorArray::WennerAlpha:
    case GeneratorArray::WennerBeta: break;
  }
  return "AM/MN  R=a   (K_array/a)  Yes/No  N_reading";
}

std::vector<TQuadripole> GenerateQuadripoles(const SequenceGeneratorState& state) {
  std::vector<TQuadripole> quads;
  for (const CheckListRef list : ListsInGenerationOrder(state.array)) {
    for (int i = CheckListItemCount - 1; i >= 0; --i) {
      if (!state.Checked(list, i)) continue;
      const ItemPair pair = CheckListItem(list, i);
      for (int j = 1; j <= SoundingPositionCount(state); ++j) {
        const Placement p =
            PlaceQuadripole(state.array, state.electrodes, pair.am, pair.mn, SoundingPosition(j, state.step));
        if (!p.valid) continue;
        quads.push_back(TQuadripole{static_cast<std::int16_t>(p.A), static_cast<std::int16_t>(p.B),
                                    static_cast<std::int16_t>(p.M), static_cast<std::int16_t>(p.N), 1,
                                    static_cast<float>(GeneratedFactor(state.array, p))});
      }
    }
  }
  return quads;
}

bool BuildGeneratedSequence(TDataset& ds, const SequenceGeneratorState& state, const std::string& directory,
                            const std::string& templatePath, Messenger& messenger) {
  if (state.electrodes < MinGeneratorElectrodes || state.electrodes > MaxGeneratorElectrodes) {
    messenger.Error("Bad number of electrodes: " + std::to_string(state.electrodes) +
                    "\r\nThe number of electrodes must be between " + std::to_string(MinGeneratorElectrodes) +
                    " and " + std::to_string(MaxGeneratorElectrodes));
    return false;
  }
  if (state.step != 1 && state.step != 2) {
    messenger.Error("The step between sounding positions must be 1 or 2");
    return false;
  }
  const int total = TotalQuadripoles(state);
  if (total > MaxPoints) {
    messenger.Error("Too many qadripoles");
    return false;
  }
  if (total == 0) {
    messenger.Error("No quadripole fits the line: check an AM/MN item");
    return false;
  }

  ds.PointsMerged = false;
  ClearDataset(ds);
  ds.Points.Release();
  ds.PointCount = 0;
  ds.Quads.Release();
  ds.SyscalRaw.Release();
  ds.DataKind = DataKindNone;
  // A sequence has no measured values of any kind.
  ds.HasIP = false;
  ds.HasSP = false;
  ds.IPWindowCount = 0;
  ds.XShift = 0;
  ds.ElectrodeXZCount = 0;

  // Without the template the headers stay as they were (the operator has
  // been told why); headers that were never those of a Syscal file would
  // make a sequence file no reader accepts, so the built-in template's
  // headers stand in for them.
  if (!LoadTemplate(ds, templatePath, messenger) && !ds.FileHeader.HasMagic()) {
    DecodeSyscalHeaders(MakeTemplateBytes(), ds.FileHeader, ds.SeqHeader);
  }
  ds.FileHeader.DocType = DocTypeOld;

  const std::string_view name = GeneratedSequenceNames[static_cast<std::size_t>(state.array)];
  ds.FileName = (std::filesystem::path(directory) / (std::string(name) + ".seq")).string();
  ds.SeqHeader.SetTitleText(name);

  for (int k = 1; k <= state.electrodes; ++k) {
    ds.Electrodes[k] = TElectrode{};
    ds.Electrodes[k].Number = static_cast<std::int16_t>(k);
    ds.Electrodes[k].X = static_cast<float>(k - 1);
  }
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(state.electrodes);

  std::vector<TQuadripole> quads = GenerateQuadripoles(state);
  if (static_cast<int>(quads.size()) != total) messenger.Error("Error by making Quadro");
  // Only quadripoles that were made enter the sequence.
  ds.SeqHeader.QuadCount = static_cast<int>(quads.size());
  ds.Quads.Storage() = std::move(quads);

  if (!ClassifySequence(ds, messenger)) {
    ds.Quads.Release();
    ds.Points.Release();
    ds.PointCount = 0;
    ds.DataKind = DataKindNone;
    return false;
  }

  return true;
}

GenerateResult GenerateSequence(TDataset& ds, const SequenceGeneratorState& state, const std::string& directory,
                                OpenCommandState& openState, ReadEnvironment& env) {
  GenerateResult result;
  if (!BuildGeneratedSequence(ds, state, directory, env.templatePath, env.messenger)) return result;
  OpenRequest request;
  request.caller = OpenCaller::RebuildGenerated;
  result.open = RunOpenCommand(ds, openState, request, ReaderTable{}, env);
  result.generated = result.open.loaded;
  return result;
}

}  // namespace tarvo
