#include "engine/import/abem_protocol_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/array_types.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"
#include "engine/import/syscal_template.h"

namespace tarvo {

namespace {

// The standard layout: 41 electrodes centred on 0.
constexpr int StandardLayoutElectrodes = 41;
constexpr double LongLayoutSpacing = 20;
constexpr double ShortLayoutSpacing = 10;

constexpr std::size_t OperatorLimit = 31;

// The last `limit` characters of text when it has more than that.
std::string_view Tail(std::string_view text, std::size_t limit) {
  return text.size() > limit ? text.substr(text.size() - limit) : text;
}

std::string_view TrimRight(std::string_view text) {
  const std::size_t last = text.find_last_not_of(" \t");
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

// A quadripole line: four electrode numbers A, B, M, N (0 = absent). Lines
// that do not give four non-negative numbers with a current and a potential
// electrode are not quadripoles.
std::optional<std::array<int, 4>> ReadQuadripole(std::string_view rest) {
  std::array<int, 4> n{};
  for (int& value : n) {
    const auto number = ParseInteger(NextToken(rest));
    if (!number || *number < 0) return std::nullopt;
    value = *number;
  }
  if ((n[0] == 0 && n[1] == 0) || (n[2] == 0 && n[3] == 0)) return std::nullopt;
  return n;
}

bool ReadProtocolFile(TDataset& ds, const std::string& fileName, Messenger& messenger) {
  std::vector<std::string> lines;
  const FileReadResult r = ReadTextLines(fileName, lines);
  if (!r.ok) {
    messenger.Error(r.error);
    return false;
  }

  const std::string_view name = lines.size() >= 2 ? TrimRight(lines[1]) : std::string_view{};
  const bool longLayout = !name.empty() && (name.front() == 'L' || name.front() == 'l');
  ds.FileHeader.SetCommentsText(Tail(fileName, TFileHeader::CommentsLimit));
  const std::string operatorText = "0RG " + std::string(name);
  ds.FileHeader.SetOperatorText(Tail(operatorText, OperatorLimit));

  std::vector<TQuadripole> quads;
  int electrodes = 0;
  for (std::size_t index = 2; index < lines.size(); ++index) {
    const auto numbers = ReadQuadripole(lines[index]);
    if (!numbers) continue;
    const int largest = *std::max_element(numbers->begin(), numbers->end());
    if (largest > MaxElectrodes) {
      messenger.Error("Too many electrodes " + std::to_string(largest) + "\r\nMaximal number is " +
                      std::to_string(MaxElectrodes));
      return false;
    }
    if (quads.size() == static_cast<std::size_t>(MaxPoints)) {
      messenger.Error("Too many data points\r\nMaximal data point number is " + std::to_string(MaxPoints));
      return false;
    }
    TQuadripole q;
    q.A = static_cast<std::int16_t>((*numbers)[0]);
    q.B = static_cast<std::int16_t>((*numbers)[1]);
    q.M = static_cast<std::int16_t>((*numbers)[2]);
    q.N = static_cast<std::int16_t>((*numbers)[3]);
    q.Flag = 1;
    quads.push_back(q);
    electrodes = std::max(electrodes, largest);
  }
  if (quads.empty()) {
    messenger.Error("No data in file\r\n" + fileName);
    return false;
  }

  // Electrode table: the standard layout, or for larger protocols the
  // electrode positions of the data loaded before.
  const bool knownPositions = electrodes > StandardLayoutElectrodes;
  if (knownPositions && electrodes > ds.ElectrodePosCount) {
    messenger.Error("Electrode positions are not known for " + std::to_string(electrodes) +
                    " electrodes.\r\nKnown electrode positions - " + std::to_string(ds.ElectrodePosCount));
    return false;
  }
  const double spacing = longLayout ? LongLayoutSpacing : ShortLayoutSpacing;
  const double centre = spacing * (StandardLayoutElectrodes - 1) / 2;
  ds.Electrodes.Fill(TElectrode{});
  for (int i = 1; i <= electrodes; ++i) {
    TElectrode& e = ds.Electrodes[i];
    e.Number = static_cast<std::int16_t>(i);
    e.X = knownPositions ? ds.ElectrodePos[i] : static_cast<float>(spacing * (i - 1) - centre);
  }
  ds.SeqHeader.ElectrodeTotal = static_cast<std::int16_t>(electrodes);

  const int count = static_cast<int>(quads.size());
  ds.Quads.Resize(count);
  for (int i = 1; i <= count; ++i) {
    TQuadripole& q = ds.Quads[i];
    q = quads[static_cast<std::size_t>(i - 1)];
    const auto x = [&ds](int n) { return n != 0 ? double{ds.Electrodes[n].X} : 0.0; };
    const double k =
        GeometricFactor(x(q.A), x(q.B), x(q.M), x(q.N), ElectrodePresence{q.A != 0, q.B != 0, q.M != 0, q.N != 0});
    // A quadripole with an electrode used twice has no finite factor.
    q.K = std::isfinite(k) && std::fabs(k) <= std::numeric_limits<float>::max() ? static_cast<float>(k) : 0.0f;
  }
  ds.SeqHeader.QuadCount = static_cast<int>(count);
  ds.SeqHeader.Area = 0;
  ds.SeqHeader.Line = 0;
  ds.SeqHeader.Reserved0[1] = 0;
  ds.DataKind = DataKindSequence;
  ds.FileHeader.DocType = DocTypeOld;

  if (!ClassifySequence(ds, messenger)) return false;
  ds.SeqHeader.SetTitleText(IsValidArrayCode(ds.ArrayType) ? ArrayShortNames[ds.ArrayType] : "");
  return true;
}

}  // namespace

bool ReadProtocol(const ReadSource& source, TDataset& ds, ReadEnvironment& env) {
  const bool haveTemplate = LoadTemplate(ds, env.templatePath, env.messenger);
  ds.DataKind = DataKindNone;
  return haveTemplate && ReadProtocolFile(ds, source.fileName, env.messenger);
}

}  // namespace tarvo
