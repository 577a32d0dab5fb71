#include "engine/import/inversion_result_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/text_file.h"
#include "engine/core/text_tokens.h"

namespace tarvo {

namespace {

constexpr int GeneralArrayNumber = 11;
constexpr const char* IterationTableRms = "Iteration  Time for this iteration  Total Time   RMS Error";
constexpr const char* IterationTableAbs = "Iteration  Time for this iteration  Total Time   Abs. Error";
constexpr int MaxNoiseLevel = 12;  // percent, as the noise dialog offers it
constexpr int NoiseStep = 2;

std::string_view Trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// Index of the first line from `from` on that reads `text` (blanks at its
// ends aside); -1 when there is none.
int FindLine(const std::vector<std::string>& lines, std::string_view text, int from = 0) {
  for (int i = std::max(from, 0); i < static_cast<int>(lines.size()); ++i) {
    if (Trimmed(lines[static_cast<std::size_t>(i)]) == text) return i;
  }
  return -1;
}

// Line i, or an empty line beyond the end of the file.
std::string_view LineAt(const std::vector<std::string>& lines, int i) {
  return i >= 0 && i < static_cast<int>(lines.size()) ? std::string_view(lines[static_cast<std::size_t>(i)])
                                                        : std::string_view{};
}

// A whole number written as a token ("3", "3.0"); nothing otherwise.
std::optional<int> WholeToken(std::string_view token) {
  const std::optional<double> v = ParseNumber(token);
  if (!v || *v != std::floor(*v) || std::fabs(*v) > 1e9) return std::nullopt;
  return static_cast<int>(*v);
}

// A value that fits the dataset's 32-bit tables.
std::optional<double> FloatToken(std::string_view token) {
  const std::optional<double> v = ParseNumber(token);
  if (!v || std::fabs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
  return v;
}

// Line index of "ITERATION k" for k = 1, 2, ... as long as they follow each
// other; the last entry is the last iteration.
std::vector<int> IterationLines(const std::vector<std::string>& lines) {
  std::vector<int> firstOf;  // [k - 1]: line of iteration k, -1 not (yet) found
  const std::string_view title = IterationTitle;
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    const std::string_view line = Trimmed(lines[static_cast<std::size_t>(i)]);
    if (!line.starts_with(title)) continue;
    const std::optional<int> k = ParseInteger(line.substr(title.size()));
    if (!k || *k < 1 || *k > static_cast<int>(lines.size()) ||
        std::to_string(*k) != line.substr(title.size())) {
      continue;
    }
    if (static_cast<int>(firstOf.size()) < *k) firstOf.resize(static_cast<std::size_t>(*k), -1);
    int& at = firstOf[static_cast<std::size_t>(*k - 1)];
    if (at < 0) at = i;
  }
  const auto gap = std::find(firstOf.begin(), firstOf.end(), -1);
  firstOf.erase(gap, firstOf.end());
  return firstOf;
}

// The table of the iterations' errors: its header and one line per iteration.
std::vector<std::string> IterationTable(const std::vector<std::string>& lines, int lastIteration) {
  int at = FindLine(lines, IterationTableRms);
  if (at < 0) at = FindLine(lines, IterationTableAbs);
  if (at < 0) return {};
  const int end = std::min(at + lastIteration + 1, static_cast<int>(lines.size()));
  return {lines.begin() + at, lines.begin() + end};
}

int AskOrTake(ReadEnvironment& env, const NumberQuestion& q) {
  return env.numbers != nullptr ? env.numbers->AskNumber(q) : q.value;
}

// The array number of the result's data and the block boundary conversion
// of a general array: x := (x - 1) * unit spacing.
struct Coordinates {
  std::optional<int> arrayNumber;
  std::string arrayText;  // the token as written
  double unit = 1;

  bool General() const { return arrayNumber == GeneralArrayNumber; }
  double Convert(double x) const { return General() ? (x - 1) * unit : x; }
};

Coordinates ReadCoordinates(const std::vector<std::string>& lines) {
  Coordinates c;
  std::string_view second = LineAt(lines, 1);
  std::string_view third = LineAt(lines, 2);
  const std::string_view arrayToken = NextToken(third);
  c.arrayText = std::string(arrayToken);
  c.arrayNumber = WholeToken(arrayToken);
  if (const auto unit = ParseNumber(NextToken(second))) c.unit = *unit;
  return c;
}

// Time-lapse results must come from a simultaneous inversion. False after
// telling the operator.
bool CheckTimeSeriesType(const std::vector<std::string>& lines, Messenger& messenger) {
  const int at = FindLine(lines, TimeSeriesTitle);
  if (at < 0) {
    messenger.Error("Not found\r\nType of time series inversion");
    return false;
  }
  std::string_view line = LineAt(lines, at + 1);
  const std::optional<double> type = ParseNumber(NextToken(line));
  if (!type) {
    messenger.Error("Can not read\r\nType of time series inversion");
    return false;
  }
  if (*type != 0) {
    messenger.Error("This type of time series inversion (sequential) is not support yet");
    return false;
  }
  return true;
}

// Reads the layers of the iteration whose title stands at line `title`
// into `models` (one per time set, or one). False after telling the operator.
bool ReadLayers(const TDataset& ds, const std::vector<std::string>& lines, int title, int layerCount,
                const Coordinates& coordinates, std::vector<TInversionModel>& models, Messenger& messenger) {
  const int stations = std::clamp(ds.StationCount, 0, MaxStations);
  const int lineCount = static_cast<int>(lines.size());
  const int sets = static_cast<int>(models.size());
  for (TInversionModel& m : models) {
    m.LayerCount = layerCount;
    m.LayerDepth.fill(0);
    m.Resistivity.Resize(stations);
  }

  std::vector<double> boundaries;
  std::vector<std::vector<double>> resistivities(static_cast<std::size_t>(sets));
  int p = title + 2;
  for (int layer = 1; layer <= layerCount; ++layer) {
    const std::string layerText = " for layer " + std::to_string(layer);
    std::string_view header = LineAt(lines, p + 1);
    const std::optional<int> blocks = WholeToken(NextToken(header));
    // Every block stands on a line of its own: a count beyond the file cannot be right.
    if (!blocks || *blocks < 1 || *blocks > lineCount - (p + 1)) {
      messenger.Error("Can not read\r\nNumber of blocks" + layerText);
      return false;
    }
    if (layer < layerCount) {
      const std::optional<double> depth = FloatToken(NextToken(header));
      const double above = models.front().LayerDepth[static_cast<std::size_t>(layer - 1)];
      if (!depth || *depth < above) {
        messenger.Error("Can not read\r\nThe depth of  layer " + std::to_string(layer));
        return false;
      }
      for (TInversionModel& m : models) m.LayerDepth[static_cast<std::size_t>(layer)] = static_cast<float>(*depth);
    }

    const int n = *blocks;
    boundaries.assign(static_cast<std::size_t>(n - 1), 0.0);
    for (auto& r : resistivities) r.assign(static_cast<std::size_t>(n), 0.0);
    for (int b = 1; b <= n; ++b) {
      std::string_view line = LineAt(lines, p + 1 + b);
      const std::string blockText = " of block " + std::to_string(b) + layerText;
      if (b < n) {
        const std::optional<double> x = FloatToken(NextToken(line));
        if (!x) {
          messenger.Error("Can not read\r\nX" + blockText);
          return false;
        }
        boundaries[static_cast<std::size_t>(b - 1)] = coordinates.Convert(*x);
      }
      for (int t = 0; t < sets; ++t) {
        const std::optional<double> rho = FloatToken(NextToken(line));
        // A resistivity is positive: the station models are averaged in logarithms.
        if (!rho || !(*rho > 0)) {
          std::string text = "Can not read\r\nRo" + blockText;
          if (ds.TimeSetCount > 0) text += "\r\nTime set -" + std::to_string(t + 1);
          messenger.Error(text);
          return false;
        }
        resistivities[static_cast<std::size_t>(t)][static_cast<std::size_t>(b - 1)] = *rho;
      }
    }

    for (int t = 0; t < sets; ++t) {
      auto& table = models[static_cast<std::size_t>(t)].Resistivity;
      for (int st = 1; st <= stations; ++st) {
        table[st][layer] = static_cast<float>(RhoAt(boundaries, resistivities[static_cast<std::size_t>(t)],
                                                    ds.Stations[st]));
      }
    }
    p += n + 2;
  }
  return true;
}

// Replaces Rho of the data points by the calculated apparent resistivities
// that follow line `calculated`. Returns the number of points replaced.
int ReplaceByCalculated(TDataset& ds, const std::vector<std::string>& lines, int calculated, bool general,
                        int noiseLevel, GaussianNoise& noise, Messenger& messenger) {
  const int sets = std::max(ds.TimeSetCount, 1);
  const int perSet = ds.PointCount / sets;
  // The data line i gives the point whose number is i: readers number the
  // points by their line, and may sort them afterwards (forward and reverse
  // pole-dipole points, array types of a general array).
  std::vector<int> pointOfLine(static_cast<std::size_t>(perSet) + 1, 0);
  for (int j = perSet; j >= 1; --j) {
    const int number = ds.Points[j].Number;
    if (number >= 1 && number <= perSet) pointOfLine[static_cast<std::size_t>(number)] = j;
  }

  // Standard arrays: the values end the line, as many tokens as on the first line.
  int tokensPerLine = 0;
  if (!general) {
    std::string_view first = LineAt(lines, calculated + 1);
    while (!NextToken(first).empty()) ++tokensPerLine;
  }

  int replaced = 0;
  std::vector<double> values(static_cast<std::size_t>(sets));
  for (int i = 1; i <= perSet; ++i) {
    std::string_view line = LineAt(lines, calculated + i);
    bool ok = true;
    if (general) {
      const std::optional<int> electrodes = WholeToken(NextToken(line));
      ok = electrodes && *electrodes >= 0;
      for (int k = 0; ok && k < 2 * *electrodes; ++k) ok = !NextToken(line).empty();
      for (int t = 0; ok && t < sets; ++t) {
        const auto v = FloatToken(NextToken(line));
        ok = v.has_value();
        if (ok) values[static_cast<std::size_t>(t)] = *v;
      }
    } else {
      std::vector<std::string_view> tokens;
      for (int k = 0; k < tokensPerLine; ++k) tokens.push_back(NextToken(line));
      ok = tokensPerLine >= sets && !tokens.back().empty();
      for (int t = 0; ok && t < sets; ++t) {
        const auto v = FloatToken(tokens[static_cast<std::size_t>(tokensPerLine - sets + t)]);
        ok = v.has_value();
        if (ok) values[static_cast<std::size_t>(t)] = *v;
      }
    }
    if (!ok) {
      messenger.Error("Can not read\r\napp. resistivity " + std::to_string(i));
      break;
    }
    const int j = pointOfLine[static_cast<std::size_t>(i)];
    if (j == 0) continue;  // no data point of that line
    for (int t = 0; t < sets; ++t) {
      double v = values[static_cast<std::size_t>(t)];
      if (noiseLevel > 0) v = noise.Next(v, v * noiseLevel / 100.0);
      ds.Points[t * perSet + j].Rho = static_cast<float>(v);
      ++replaced;
    }
  }
  return replaced;
}

bool ReadsCalculatedData(const Coordinates& c) {
  if (!c.arrayNumber) return false;
  switch (*c.arrayNumber) {
    case 1: case 2: case 3: case 4: case 6: case 7: case GeneralArrayNumber: return true;
    default: return false;
  }
}

}  // namespace

double RhoAt(const std::vector<double>& boundaries, const std::vector<double>& resistivities, double x) {
  const auto& X = boundaries;
  const auto& R = resistivities;
  const std::size_t n = R.size();
  if (n == 0) return 0;
  if (n == 1 || X.empty()) return R[0];
  if (x < X[0] - 0.01) return R[0];
  if (std::fabs(x - X[0]) <= 0.01) return std::sqrt(R[0] * R[1]);
  if (x > X[n - 2] + 0.01) return R[n - 1];
  for (std::size_t i = 1; i + 1 < n; ++i) {
    if (std::fabs(x - X[i]) <= 0.01) return std::sqrt(R[i] * R[i + 1]);
    if (x < X[i] - 0.01) return R[i];
  }
  // Boundaries out of order leave x in no block: the last one holds it.
  return R[n - 1];
}

GaussianNoise::GaussianNoise(std::uint64_t seed) : engine_(seed) {}

double GaussianNoise::Uniform() {
  // 53 random bits: the same numbers from the same seed on every platform.
  return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

double GaussianNoise::Next(double mean, double deviation) {
  double u = 0, v = 0, s = 0;
  do {
    u = 2 * Uniform() - 1;
    v = 2 * Uniform() - 1;
    s = u * u + v * v;
  } while (s >= 1 || s == 0);
  return mean + deviation * u * std::sqrt(-2 * std::log(s) / s);
}

InvResultOutcome ReadInvResult(TDataset& ds, const std::string& path, const InvResultOptions& options,
                               ReadEnvironment& env) {
  InvResultOutcome outcome;
  Messenger& messenger = env.messenger;
  TInversionModels& models = ds.Models;
  if (!options.synthetic) models.ChosenIteration = 0;

  std::vector<std::string> lines;
  const FileReadResult file = ReadTextLines(path, lines);
  if (!file.ok) {
    messenger.Error(file.error);
    return outcome;
  }

  const std::vector<int> iterations = IterationLines(lines);
  const int last = static_cast<int>(iterations.size());
  outcome.lastIteration = last;
  if (last >= 1 && (models.ChosenIteration <= 0 || models.ChosenIteration > last)) {
    NumberQuestion q;
    q.topic = NumberQuestion::Topic::Iteration;
    q.value = last;
    q.maximum = last;
    q.memo = IterationTable(lines, last);
    q.showMemo = !q.memo.empty();
    q.text = "Select the number of iteration or 0";
    q.step = 1;
    const int answer = AskOrTake(env, q);
    models.ChosenIteration = answer >= 1 && answer <= last ? answer : 0;
  }
  if (models.ChosenIteration <= 0 || models.ChosenIteration > last) return outcome;
  const int chosen = models.ChosenIteration;

  const Coordinates coordinates = ReadCoordinates(lines);
  if (ds.TimeSetCount > 0 && !CheckTimeSeriesType(lines, messenger)) return outcome;

  const int countTitle = FindLine(lines, LayerCountTitle);
  if (countTitle < 0) {
    messenger.Error("Not found\r\nNUMBER OF LAYERS");
    return outcome;
  }
  std::string_view countLine = LineAt(lines, countTitle + 1);
  const std::optional<int> layerCount = WholeToken(NextToken(countLine));
  if (!layerCount || *layerCount < 2) {
    messenger.Error("Can not read\r\nNumber of layers");
    return outcome;
  }
  if (*layerCount > MaxModelLayers) {
    messenger.Error("Too many layers in the model.\r\nMaximal number - " + std::to_string(MaxModelLayers));
    return outcome;
  }

  const int sets = ds.TimeSetCount > 0 ? std::min(ds.TimeSetCount, MaxTimeSteps) : 1;
  std::vector<TInversionModel> read(static_cast<std::size_t>(sets));
  const int title = iterations[static_cast<std::size_t>(chosen - 1)];
  if (!ReadLayers(ds, lines, title, *layerCount, coordinates, read, messenger)) return outcome;

  // The whole model replaces the one loaded before.
  models.LastIteration = last;
  models.Current = read.front();
  models.TimeSets.Fill(TInversionModel{});
  if (ds.TimeSetCount > 0) {
    for (int t = 1; t <= sets; ++t) models.TimeSets[t] = read[static_cast<std::size_t>(t - 1)];
  }
  ds.HasModel = true;
  outcome.modelRead = true;
  if (!options.synthetic) return outcome;

  if (!ReadsCalculatedData(coordinates)) {
    messenger.Error("Can not read calculated data\r\nfor array N " +
                    (coordinates.arrayNumber ? std::to_string(*coordinates.arrayNumber) : coordinates.arrayText));
    return outcome;
  }
  const int calculated = FindLine(lines, CalculatedTitle, title + 1);
  if (calculated < 0) {
    messenger.Error(std::string("Can not find\r\n\"") + CalculatedTitle + "\"");
    return outcome;
  }

  NumberQuestion q;
  q.topic = NumberQuestion::Topic::NoiseLevel;
  q.value = 0;
  q.maximum = MaxNoiseLevel;
  q.text = "Select level of noice (%)";
  q.step = NoiseStep;
  outcome.noiseLevel = std::max(AskOrTake(env, q), 0);
  const std::uint64_t seed =
      options.noiseSeed ? *options.noiseSeed
                        : static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  GaussianNoise noise(seed);

  ds.Memo.push_back(SyntheticMemoLine);
  outcome.replaced =
      ReplaceByCalculated(ds, lines, calculated, coordinates.General(), outcome.noiseLevel, noise, messenger);
  const int expected = ds.PointCount / std::max(ds.TimeSetCount, 1) * std::max(ds.TimeSetCount, 1);
  outcome.synthetic = outcome.replaced > 0 && outcome.replaced == expected;
  CountBadPoints(ds);
  return outcome;
}

}  // namespace tarvo
