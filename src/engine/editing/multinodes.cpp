#include "engine/editing/multinodes.h"

#include <algorithm>
#include <map>

namespace tarvo {

namespace {

int Positions(const TDataset& ds) { return std::clamp(ds.ElectrodePosCount, 0, MaxElectrodePositions); }

}  // namespace

bool MultinodesShown(const TDataset& ds) {
  return ds.ElectrodeNumbersAvailable && ds.DataKind <= DataKindInstrument && IsLoaded(ds.DataKind) &&
         ds.SetCount == ds.SequenceSetCount;
}

bool RenumberAllowed(const TDataset& ds) {
  return ds.ElectrodeNumbersAvailable && ds.IsSequence() && ds.SetCount == ds.SequenceSetCount && ds.HasQuads();
}

TMultinodeList AnalyseMultinodes(const TDataset& ds, int L) {
  TMultinodeList list;
  if (!ds.ElectrodeNumbersAvailable || L < 1) return list;
  std::vector<std::pair<int, int>> ends;  // first and last cable number met, per entry
  for (int i = 1; i <= Positions(ds); ++i) {
    const int c = ds.ElectrodePosNumber[i];
    if (c < 1) continue;
    const int m = MultinodeOf(c, L);
    const auto at = std::find_if(list.begin(), list.end(), [m](const TMultinode& n) { return n.Number == m; });
    if (at == list.end()) {
      if (static_cast<int>(list.size()) >= MaxMultinodes) continue;
      list.push_back({m, false});
      ends.push_back({c, c});
    } else {
      ends[static_cast<std::size_t>(at - list.begin())].second = c;
    }
  }
  for (std::size_t t = 0; t < list.size(); ++t) list[t].Reversed = ends[t].second < ends[t].first;
  return list;
}

std::string MultinodeListText(const TMultinodeList& list) {
  std::string text;
  for (std::size_t t = 0; t < list.size(); ++t) {
    if (t > 0) text += "-";
    text += std::to_string(list[t].Number);
    if (list[t].Reversed) text += "R";
  }
  return text;
}

MultinodeLabels MultinodeLabelTexts(const TDataset& ds, const TMultinodeList& list) {
  MultinodeLabels l;
  l.usedElectrodes = "Number of used electrodes: " + std::to_string(ds.ElectrodePosCount);
  l.multinodeCount = "Number of multinodes: " + std::to_string(list.size());
  l.usedMultinodes = ds.ElectrodeNumbersAvailable ? "Used multinodes: " + MultinodeListText(list)
                                                  : "   Analysis of mulinodes is impossible !!!";
  return l;
}

std::vector<std::string> NewMultinodeItems(int L) {
  std::vector<std::string> items;
  const int count = L == 8 ? 32 : 16;
  for (int p = 1; p <= count; ++p) {
    items.push_back(std::to_string(p) + " | " + std::to_string((p - 1) * L + 1) + "-" + std::to_string(p * L));
  }
  return items;
}

std::string MultinodeTabText(int number, int L) {
  return std::to_string((number - 1) * L + 1) + "-" + std::to_string(number * L);
}

std::string RenumberButtonText(const TMultinodeList& newList) {
  return "Make SEQ for \"" + MultinodeListText(newList) + "\"";
}

bool RenumberMultinodes(TDataset& ds, int L, const TMultinodeList& list, const TMultinodeList& newList,
                        Messenger& messenger) {
  if (!RenumberAllowed(ds) || L < 1 || list.empty() || list.size() != newList.size()) return false;
  for (std::size_t a = 0; a < newList.size(); ++a) {
    if (newList[a].Number < 1) return false;
    for (std::size_t b = a + 1; b < newList.size(); ++b) {
      if (newList[a].Number == newList[b].Number) return false;
    }
  }
  if (list == newList) return false;

  // The new number of every electrode position, and the map of numbers.
  const int count = Positions(ds);
  std::vector<int> renumbered(static_cast<std::size_t>(count) + 1, 0);
  std::map<int, int> numbers;
  for (int i = 1; i <= count; ++i) {
    const int c = ds.ElectrodePosNumber[i];
    renumbered[static_cast<std::size_t>(i)] = c;
    if (c < 1) continue;
    const int m = MultinodeOf(c, L);
    const auto at = std::find_if(list.begin(), list.end(), [m](const TMultinode& n) { return n.Number == m; });
    if (at == list.end()) continue;
    const TMultinode& to = newList[static_cast<std::size_t>(at - list.begin())];
    const bool turned = to.Reversed != at->Reversed;
    if (to.Number == m && !turned) continue;
    int moved = (to.Number - m) * L + c;
    if (turned) {
      const int r = c % L == 0 ? L : c % L;
      moved += L + 1 - 2 * r;
    }
    renumbered[static_cast<std::size_t>(i)] = moved;
    numbers.emplace(c, moved);
  }

  int smallest = 0, largest = 0;
  for (int i = 1; i <= count; ++i) {
    const int c = renumbered[static_cast<std::size_t>(i)];
    if (c < 1) continue;
    if (smallest == 0 || c < smallest) smallest = c;
    largest = std::max(largest, c);
  }
  if (largest > MaxElectrodes) {
    messenger.Error("The new electrode numbers need " + std::to_string(largest) +
                    " cable electrodes.\r\nMaximal number - " + std::to_string(MaxElectrodes));
    return false;
  }
  if (smallest == 0) return false;

  for (int q = 1; q <= ds.Quads.Size(); ++q) {
    TQuadripole& quad = ds.Quads[q];
    for (std::int16_t* n : {&quad.A, &quad.B, &quad.M, &quad.N}) {
      const auto to = numbers.find(*n);
      if (*n != 0 && to != numbers.end()) *n = static_cast<std::int16_t>(to->second);
    }
  }

  // The layout for the new numbers; each electrode keeps its own entry's
  // altitude and offset.
  auto layout = ds.Electrodes;
  const double x1 = ds.ElectrodePos[1];
  const double x2 = count >= 2 ? ds.ElectrodePos[2] : x1 + 1;
  std::vector<bool> used(static_cast<std::size_t>(largest) + 1, false);
  for (int n = 1; n <= largest; ++n) {
    TElectrode& e = layout[n];
    e.Number = static_cast<std::int16_t>(n);
    e.X = 1e19f;
    e.Y = 0;
    e.Z = 0;
    if (n < smallest) e.X = static_cast<float>(x1 - (smallest - n) * (x2 - x1));
  }
  for (int i = 1; i <= count; ++i) {
    const int c = ds.ElectrodePosNumber[i];
    const int to = renumbered[static_cast<std::size_t>(i)];
    if (to < 1) continue;
    TElectrode& e = layout[to];
    if (c >= 1 && c <= MaxElectrodes) {
      e.Y = ds.Electrodes[c].Y;
      e.Z = ds.Electrodes[c].Z;
    }
    e.X = ds.ElectrodePos[i];
    used[static_cast<std::size_t>(to)] = true;
    ds.ElectrodePosNumber[i] = to;
  }
  for (int n = smallest + 1; n < largest; ++n) {
    if (used[static_cast<std::size_t>(n)]) continue;
    layout[n].X = 0;
    layout[n].Y = static_cast<float>(n);
  }
  ds.Electrodes = layout;
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(largest);
  for (int k = 1; k <= std::min(ds.SetCount, MaxSets); ++k) ds.SetSeqHeaders[k].ElectrodeTotal = ds.SeqHeader.ElectrodeTotal;
  return true;
}

}  // namespace tarvo
