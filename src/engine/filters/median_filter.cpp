#include "engine/filters/median_filter.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/core/numbers.h"
#include "engine/filters/median_of.h"

namespace tarvo {

namespace {

// The empty value of the percent grids.
constexpr float EmptyPercent = -1e15f;

// Extra digits of the MN values in the dipole titles.
constexpr int TitleDigits = 2;

int ClampInt(int v, int low, int high) { return std::clamp(v, low, high); }

double Average(std::span<float> values, int method) {
  return method == MedianSettings::Mean ? MeanOf(values) : MedianOf(values);
}

struct PoleSpec {
  const char* title;
  double c;
};

}  // namespace

void MedianSettings::Clamp() {
  TypeWindow1d = ClampInt(TypeWindow1d, 0, 2);
  Window1d = ClampInt(Window1d, 5, 60);
  TypeWindowC = ClampInt(TypeWindowC, 0, 1);
  WindowC = ClampInt(WindowC, 3, 13);
  TypeWindowP = ClampInt(TypeWindowP, 0, 1);
  WindowP = ClampInt(WindowP, 3, 13);
  TypeWindowR = ClampInt(TypeWindowR, 0, 1);
  TypeAreaR = ClampInt(TypeAreaR, 0, 1);
  WindowX = ClampInt(WindowX, 3, 11);
  WindowY = ClampInt(WindowY, 1, 9);
}

int DecompositionScheme(int arrayType, int mnValueCount) {
  switch (arrayType) {
    case 1: return 0;
    case 2: return mnValueCount > 4 ? 1 : 4;
    case 3: return 1;
    case 4: return 5;
    case 5: return 6;
    case 6: return mnValueCount > 4 ? 2 : 3;
    case 7: return 2;
    default: return -1;
  }
}

std::vector<float> BuildMNList(const FilterGrid& grid) {
  std::vector<float> list;
  if (grid.LevelCount < 1) return list;
  list.push_back(grid.MN[0]);
  for (int l = 2; l <= grid.LevelCount && static_cast<int>(list.size()) < MaxMNValues; ++l) {
    const float m = grid.MN[static_cast<std::size_t>(l - 1)];
    if (m > list.back()) list.push_back(m);
  }
  return list;
}

void MedianFilter::Start(const FilterGrid& data, int arrayType, const MedianSettings& settings, int previousScheme) {
  settings_ = settings;
  settings_.Clamp();
  data_ = data;
  oneD_.ShapeLike(data_);
  residual_.ShapeLike(data_);
  smoothedData_ = FilterGrid{};
  smoothedResidual_ = FilterGrid{};
  removed_ = FilterGrid{};
  smoothed_ = false;

  mnList_ = BuildMNList(data_);
  const int scheme = DecompositionScheme(arrayType, static_cast<int>(mnList_.size()));
  scheme_ = scheme >= 0 ? scheme : std::clamp(previousScheme, 0, 6);

  // Schlumberger with many MN values is taken as Wenner: AB/2 becomes AB/3.
  positionSpacing_ = data_.Spacing;
  if (arrayType == 2 && mnList_.size() > 4) {
    for (float& s : positionSpacing_) s = s * 2 / 3;
  }
  if (scheme_ <= 2) {
    mnList_.clear();
  } else if (scheme_ == 3) {
    const std::size_t m = mnList_.size();
    for (std::size_t k = 0; k < m; ++k) mnList_.push_back(mnList_[k]);
  } else if (mnList_.size() > static_cast<std::size_t>(MaxEffectComponents - 1)) {
    // Schemes 5 and 6 take one pole besides the dipoles (4 takes two, but
    // has at most 4 MN values): the component table holds 10.
    mnList_.resize(static_cast<std::size_t>(MaxEffectComponents - 1));
  }

  BuildComponents();

  q_ = {1, std::max(data_.StationCount, 1)};
  effectsFound_ = false;
  directionFlag_ = true;
  for (auto& c : components_) {
    std::fill(c.Cumulative.begin(), c.Cumulative.end(), 0.0f);
    std::fill(c.Smoothed.begin(), c.Smoothed.end(), 0.0f);
  }
  Compute1DPart(Source::Data);
  FindEffects();
}

void MedianFilter::BuildComponents() {
  components_.clear();
  const int m = static_cast<int>(mnList_.size());
  dipoleCount_ = m;
  for (int k = 0; k < m; ++k) {
    EffectComponent c;
    c.Dipole = true;
    c.MNValue = mnList_[static_cast<std::size_t>(k)];
    c.Title = "dipole " + FormatValue(c.MNValue, TitleDigits);
    if (scheme_ == 3) {
      // Two per MN value: the k-th value of the first copy at -1 when k is
      // odd and +1 when even, the second copy the other way round.
      const int half = m / 2;
      const int kk = (k % half) + 1;
      const bool first = k < half;
      const bool minus = (kk % 2 == 1) == first;
      c.Coefficient = minus ? -1 : 1;
    }
    components_.push_back(std::move(c));
  }
  std::vector<PoleSpec> poles;
  switch (scheme_) {
    case 0: poles = {{"A", -0.5}, {"M", 0.5}}; break;
    case 1: poles = {{"A", -1.5}, {"B", 1.5}, {"M", -0.5}, {"N", 0.5}}; break;
    case 2: poles = {{"A", -1.5}, {"M", 1.5}, {"B", -0.5}, {"N", 0.5}}; break;
    case 4: poles = {{"A", -1}, {"B", 1}}; break;
    case 5: poles = {{"A", -1}}; break;
    case 6: poles = {{"B", 1}}; break;
    default: break;
  }
  for (const auto& p : poles) {
    EffectComponent c;
    c.Title = p.title;
    c.Coefficient = p.c;
    components_.push_back(std::move(c));
  }

  // The bins: the distinct positions c * s + x of the cells that take part,
  // positions within 0.01 of each other sharing one bin.
  const std::size_t K = components_.size();
  const std::size_t cells = data_.CellCount();
  binIndex_.assign(cells * K, -1);
  binStart_.assign(K, {});
  binCells_.assign(K, {});
  struct Entry {
    float p;
    std::int32_t cell;
  };
  std::vector<Entry> entries;
  entries.reserve(cells);
  for (std::size_t k = 0; k < K; ++k) {
    EffectComponent& c = components_[k];
    entries.clear();
    for (int s = 1; s <= data_.StationCount; ++s) {
      const double x = data_.Stations[static_cast<std::size_t>(s - 1)];
      for (int l = 1; l <= data_.LevelCount; ++l) {
        const std::size_t cell = data_.Index(s, l);
        if (!IsData(cell)) continue;
        if (c.Dipole && data_.MN[static_cast<std::size_t>(l - 1)] != c.MNValue) continue;
        const double p = c.Coefficient * positionSpacing_[static_cast<std::size_t>(l - 1)] + x;
        entries.push_back({static_cast<float>(p), static_cast<std::int32_t>(cell)});
      }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.p < b.p; });
    c.Position.clear();
    c.Count.clear();
    auto& start = binStart_[k];
    auto& list = binCells_[k];
    list.resize(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (c.Position.empty() || !ApproxEqual(entries[i].p, c.Position.back())) {
        c.Position.push_back(entries[i].p);
        c.Count.push_back(0);
        start.push_back(static_cast<std::int32_t>(i));
      }
      const int bin = c.BinCount() - 1;
      ++c.Count.back();
      list[i] = entries[i].cell;
      binIndex_[static_cast<std::size_t>(entries[i].cell) * K + k] = bin;
    }
    start.push_back(static_cast<std::int32_t>(entries.size()));
    c.Cumulative.assign(c.Position.size(), 0.0f);
    c.Smoothed.assign(c.Position.size(), 0.0f);
  }
}

void MedianFilter::ResidualFromData() {
  for (std::size_t i = 0; i < data_.CellCount(); ++i) {
    const float d = data_.Cells[i];
    const float o = oneD_.Cells[i];
    residual_.Cells[i] = d > 0 && o > 0 ? static_cast<float>(100.0 * std::log(static_cast<double>(d) / o)) : EmptyPercent;
  }
}

void MedianFilter::OneDInWindow(const FilterGrid& source) {
  // A moving geometric mean along each level, from running sums.
  const int n = source.StationCount;
  const int w = settings_.Window1d;
  std::vector<double> sum(static_cast<std::size_t>(n) + 1);
  std::vector<int> count(static_cast<std::size_t>(n) + 1);
  for (int l = 1; l <= source.LevelCount; ++l) {
    for (int s = 1; s <= n; ++s) {
      const float v = source.At(s, l);
      sum[static_cast<std::size_t>(s)] = sum[static_cast<std::size_t>(s - 1)] + (v > 0 ? std::log(static_cast<double>(v)) : 0.0);
      count[static_cast<std::size_t>(s)] = count[static_cast<std::size_t>(s - 1)] + (v > 0 ? 1 : 0);
    }
    for (int j = 1; j <= n; ++j) {
      if (!(source.At(j, l) > 0)) continue;
      const int first = std::max(1, j - w / 2);
      const int last = std::min(n, j - w / 2 + w - 1);
      const int c = count[static_cast<std::size_t>(last)] - count[static_cast<std::size_t>(first - 1)];
      const double s = sum[static_cast<std::size_t>(last)] - sum[static_cast<std::size_t>(first - 1)];
      oneD_.At(j, l) = static_cast<float>(std::exp(s / c));
    }
  }
}

void MedianFilter::OneDBySegments(const FilterGrid& source) {
  const int n = static_cast<int>(q_.size()) - 1;
  const int stations = source.StationCount;
  std::vector<double> segLog(static_cast<std::size_t>(n) + 1);
  std::vector<bool> present(static_cast<std::size_t>(n) + 1);
  std::vector<int> mid(static_cast<std::size_t>(n) + 1);
  for (int k = 1; k <= n; ++k) mid[static_cast<std::size_t>(k)] = (q_[static_cast<std::size_t>(k - 1)] + q_[static_cast<std::size_t>(k)]) / 2;
  std::vector<double> logAt(static_cast<std::size_t>(stations) + 1);
  const auto x = [&](int s) { return static_cast<double>(source.Stations[static_cast<std::size_t>(s - 1)]); };

  for (int l = 1; l <= source.LevelCount; ++l) {
    for (int k = 1; k <= n; ++k) {
      buffer_.clear();
      for (int s = q_[static_cast<std::size_t>(k - 1)]; s <= q_[static_cast<std::size_t>(k)]; ++s) {
        const float v = source.At(s, l);
        if (v > 0) buffer_.push_back(static_cast<float>(std::log(static_cast<double>(v))));
      }
      present[static_cast<std::size_t>(k)] = !buffer_.empty();
      segLog[static_cast<std::size_t>(k)] = buffer_.empty() ? 0.0 : Average(buffer_, settings_.TypeWindow1d);
    }
    for (int s = 1; s <= std::min(mid[1], stations); ++s) logAt[static_cast<std::size_t>(s)] = segLog[1];
    for (int s = mid[static_cast<std::size_t>(n)] + 1; s <= stations; ++s) logAt[static_cast<std::size_t>(s)] = segLog[static_cast<std::size_t>(n)];
    for (int k = 2; k <= n; ++k) {
      const int from = mid[static_cast<std::size_t>(k - 1)] + 1;
      const int to = mid[static_cast<std::size_t>(k)];
      const double a = segLog[static_cast<std::size_t>(k - 1)];
      const double b = segLog[static_cast<std::size_t>(k)];
      for (int s = from; s <= to; ++s) {
        double v;
        if (!present[static_cast<std::size_t>(k - 1)] || from == to || !(x(to) != x(from))) {
          v = b;
        } else if (!present[static_cast<std::size_t>(k)]) {
          v = a;
        } else {
          v = a + (b - a) * (x(s) - x(from)) / (x(to) - x(from));
        }
        logAt[static_cast<std::size_t>(s)] = v;
      }
    }
    for (int s = 1; s <= stations; ++s) {
      if (source.At(s, l) > 0) oneD_.At(s, l) = static_cast<float>(std::exp(logAt[static_cast<std::size_t>(s)]));
    }
  }
}

void MedianFilter::Compute1DPart(Source source) {
  const FilterGrid& from = source == Source::Smoothed && smoothed_ ? smoothedData_ : data_;
  if (settings_.TypeWindow1d == MedianSettings::OneDMeanInWindow) {
    OneDInWindow(from);
  } else {
    OneDBySegments(from);
  }
  ResidualFromData();
  if (effectsFound_) {
    ResetEffects();
    FindEffects();
  }
}

void MedianFilter::EstimationPass() {
  directionFlag_ = !directionFlag_;
  const int total = static_cast<int>(components_.size());
  for (int i = 0; i < total; ++i) {
    int k = i;
    if (directionFlag_ && i >= dipoleCount_) k = total - 1 - (i - dipoleCount_);
    EffectComponent& c = components_[static_cast<std::size_t>(k)];
    const auto& start = binStart_[static_cast<std::size_t>(k)];
    const auto& cells = binCells_[static_cast<std::size_t>(k)];
    for (int b = 0; b < c.BinCount(); ++b) {
      buffer_.clear();
      for (std::int32_t e = start[static_cast<std::size_t>(b)]; e < start[static_cast<std::size_t>(b) + 1]; ++e) {
        buffer_.push_back(residual_.Cells[static_cast<std::size_t>(cells[static_cast<std::size_t>(e)])]);
      }
      const float effect = static_cast<float>(MedianOf(buffer_));
      if (c.Count[static_cast<std::size_t>(b)] <= 2) {
        c.Cumulative[static_cast<std::size_t>(b)] = 0;
      } else {
        c.Cumulative[static_cast<std::size_t>(b)] += effect;
      }
      // Removed from the residual whatever the bin's count.
      for (std::int32_t e = start[static_cast<std::size_t>(b)]; e < start[static_cast<std::size_t>(b) + 1]; ++e) {
        residual_.Cells[static_cast<std::size_t>(cells[static_cast<std::size_t>(e)])] -= effect;
      }
    }
  }
}

void MedianFilter::FindEffects() {
  for (int pass = 0; pass < 3; ++pass) EstimationPass();
  effectsFound_ = true;
}

void MedianFilter::ResetEffects() {
  for (auto& c : components_) {
    std::fill(c.Cumulative.begin(), c.Cumulative.end(), 0.0f);
    std::fill(c.Smoothed.begin(), c.Smoothed.end(), 0.0f);
  }
  directionFlag_ = true;
  effectsFound_ = false;
}

std::vector<int> MedianFilter::Breaks() const {
  if (q_.size() <= 2) return {};
  return std::vector<int>(q_.begin() + 1, q_.end() - 1);
}

void MedianFilter::SetBreaks(std::span<const int> breaks) {
  const int last = std::max(data_.StationCount, 1);
  q_ = {1};
  for (const int b : breaks) {
    if (b > q_.back() && b < last && static_cast<int>(q_.size()) < MaxSegmentBoundaries - 1) q_.push_back(b);
  }
  q_.push_back(last);
}

bool MedianFilter::ToggleSegmentBoundary(int b) {
  if (settings_.TypeWindow1d == MedianSettings::OneDMeanInWindow) return false;
  const int count = data_.StationCount;
  // The nearest a break may come to another or to an end; at least one
  // station, so that a second click on a break removes it.
  const int L = std::max(1, static_cast<int>(std::lround(count * 0.02)));
  if (!(b - 1 > L && count - b > L)) return false;
  std::size_t j = 1;
  while (j < q_.size() && q_[j] < b) ++j;
  if (j >= q_.size()) return false;
  if (b - q_[j - 1] < L) {
    q_.erase(q_.begin() + static_cast<std::ptrdiff_t>(j - 1));
  } else if (q_[j] - b >= L) {
    if (static_cast<int>(q_.size()) >= MaxSegmentBoundaries) return false;
    q_.insert(q_.begin() + static_cast<std::ptrdiff_t>(j), b);
  } else {
    q_.erase(q_.begin() + static_cast<std::ptrdiff_t>(j));
  }
  Compute1DPart(Source::Data);
  return true;
}

bool MedianFilter::SmoothAndReconstruct() {
  if (!effectsFound_) return false;
  if (!smoothed_) {
    smoothedData_ = data_;
    smoothedResidual_ = residual_;
    removed_ = residual_;
  }
  smoothed_ = true;

  // The effects: a moving median or mean over the bins of each component.
  for (auto& c : components_) {
    std::fill(c.Smoothed.begin(), c.Smoothed.end(), 0.0f);
    const int n = c.BinCount();
    if (n < 4) continue;
    const int t = c.Dipole ? settings_.WindowP : settings_.WindowC;
    const int method = c.Dipole ? settings_.TypeWindowP : settings_.TypeWindowC;
    for (int j = 0; j < n; ++j) {
      buffer_.clear();
      for (int i = std::max(0, j - t / 2); i <= std::min(n - 1, j - t / 2 + t - 1); ++i) {
        if (c.Count[static_cast<std::size_t>(i)] != 0) buffer_.push_back(c.Cumulative[static_cast<std::size_t>(i)]);
      }
      c.Smoothed[static_cast<std::size_t>(j)] = static_cast<float>(Average(buffer_, method));
    }
  }

  // The residual: a moving median or mean over a rectangle or a cross.
  const int X = settings_.WindowX;
  const int Y = settings_.WindowY;
  const bool cross = settings_.TypeAreaR == MedianSettings::Cross;
  for (int j = 1; j <= data_.StationCount; ++j) {
    const int s0 = std::max(1, j - X / 2);
    const int s1 = std::min(data_.StationCount, j - X / 2 + X - 1);
    for (int i = 1; i <= data_.LevelCount; ++i) {
      const std::size_t cell = data_.Index(j, i);
      if (!IsData(cell)) {
        smoothedResidual_.Cells[cell] = EmptyPercent;
        continue;
      }
      const int l0 = std::max(1, i - Y / 2);
      const int l1 = std::min(data_.LevelCount, i - Y / 2 + Y - 1);
      buffer_.clear();
      for (int s = s0; s <= s1; ++s) {
        for (int l = l0; l <= l1; ++l) {
          if (cross && s != j && l != i) continue;
          const std::size_t c = data_.Index(s, l);
          if (IsData(c)) buffer_.push_back(residual_.Cells[c]);
        }
      }
      smoothedResidual_.Cells[cell] = static_cast<float>(Average(buffer_, settings_.TypeWindowR));
    }
  }

  // Put together again.
  const std::size_t K = components_.size();
  for (std::size_t cell = 0; cell < data_.CellCount(); ++cell) {
    if (!IsData(cell) || !(oneD_.Cells[cell] > 0)) {
      smoothedData_.Cells[cell] = EmptyCellValue;
      removed_.Cells[cell] = EmptyPercent;
      continue;
    }
    double b = smoothedResidual_.Cells[cell];
    for (std::size_t k = 0; k < K; ++k) {
      const int bin = binIndex_[cell * K + k];
      if (bin >= 0) b += components_[k].Smoothed[static_cast<std::size_t>(bin)];
    }
    const double value = std::exp(b / 100) * oneD_.Cells[cell];
    smoothedData_.Cells[cell] = static_cast<float>(value);
    removed_.Cells[cell] = static_cast<float>(100.0 * std::log(data_.Cells[cell] / value));
  }
  return true;
}

std::vector<EffectSeries> MedianFilter::EffectCurves() const {
  std::vector<EffectSeries> curves;
  for (const auto& c : components_) {
    EffectSeries s{c.Title, {}};
    for (int b = 0; b < c.BinCount(); ++b) {
      if (c.Count[static_cast<std::size_t>(b)] > 2) s.Points.emplace_back(c.Position[static_cast<std::size_t>(b)], c.Cumulative[static_cast<std::size_t>(b)]);
    }
    curves.push_back(std::move(s));
  }
  return curves;
}

std::vector<EffectSeries> MedianFilter::SmoothedEffectCurves() const {
  std::vector<EffectSeries> curves;
  for (const auto& c : components_) {
    EffectSeries s{c.Title, {}};
    if (c.BinCount() >= 4) {
      for (int b = 0; b < c.BinCount(); ++b) {
        if (c.Count[static_cast<std::size_t>(b)] != 0) s.Points.emplace_back(c.Position[static_cast<std::size_t>(b)], c.Smoothed[static_cast<std::size_t>(b)]);
      }
    }
    curves.push_back(std::move(s));
  }
  return curves;
}

MedianFilter MedianFilterParts(const FilterGrid& data, int arrayType, const MedianSettings& settings,
                               const MedianRun& run) {
  MedianFilter f;
  f.Start(data, arrayType, settings);
  if (!run.breaks.empty() && f.Settings().TypeWindow1d != MedianSettings::OneDMeanInWindow) {
    f.SetBreaks(run.breaks);
    f.Compute1DPart(MedianFilter::Source::Data);
  }
  for (int i = 0; i < run.findAgain; ++i) f.FindEffects();
  f.SmoothAndReconstruct();
  for (int i = 0; i < run.new1D; ++i) {
    f.Compute1DPart(MedianFilter::Source::Smoothed);
    f.SmoothAndReconstruct();
  }
  return f;
}

}  // namespace tarvo
