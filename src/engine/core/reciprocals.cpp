#include "engine/core/reciprocals.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/core/bad_points.h"
#include "engine/core/numbers.h"
#include "engine/core/tolerance_index.h"

namespace tarvo {

namespace {

// Electrode positions as integers: the index of the electrode position list
// entry the coordinate matches (the first within ApproxEqual; the list is
// ascending), 0 for an absent electrode. A coordinate the list does not hold
// (the list was full) gets a key of its own from its centimetre, below 0.
// The positions as one contiguous list (entry e - 1 is position e), so that
// the keys of every point are searched without the table's indexing.
class ElectrodeKeys {
public:
  explicit ElectrodeKeys(const TDataset& ds) {
    positions_.reserve(static_cast<std::size_t>(std::max(ds.ElectrodePosCount, 0)));
    for (int e = 1; e <= ds.ElectrodePosCount; ++e) positions_.push_back(ds.ElectrodePos[e]);
  }

  std::int64_t operator()(float x) const {
    // A line repeats a few hundred positions over all its points: each exact
    // coordinate is searched once.
    const std::uint64_t memoKey = ExactMemo::Key(x);
    if (const int* known = memo_.Find(memoKey)) return *known;
    const std::int64_t k = Search(x);
    if (k >= 0) memo_.Put(memoKey, static_cast<int>(k));
    return k;
  }

private:
  std::int64_t Search(float x) const {
    if (IsAbsentCoordinate(x)) return 0;
    // First entry not below x - tolerance; the match, if any, is there or
    // just after.
    auto e = std::lower_bound(positions_.begin(), positions_.end(), x - 0.0105f);
    for (; e != positions_.end() && *e <= x + 0.0105f; ++e) {
      if (ApproxEqual(*e, x)) return (e - positions_.begin()) + 1;
    }
    return -1 - static_cast<std::int64_t>(std::llround(static_cast<double>(x) * 100.0));
  }

  std::vector<float> positions_;
  mutable ExactMemo memo_;
};

// An unordered pair of electrode keys as one number (smaller key first).
struct DipoleKey {
  std::int64_t lo, hi;
  bool operator==(const DipoleKey&) const = default;
};

DipoleKey Dipole(std::int64_t a, std::int64_t b) { return a <= b ? DipoleKey{a, b} : DipoleKey{b, a}; }

struct QuadKey {
  DipoleKey current, potential;
  bool operator==(const QuadKey&) const = default;
};

struct QuadHash {
  std::size_t operator()(const QuadKey& k) const {
    std::uint64_t h = 1469598103934665603ull;
    for (std::int64_t v : {k.current.lo, k.current.hi, k.potential.lo, k.potential.hi}) {
      h ^= static_cast<std::uint64_t>(v) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    }
    return static_cast<std::size_t>(h);
  }
};

// Points not yet paired, by their quadripole: one first-in first-out list
// per quadripole, in index order, linked through a `next` list so that no
// quadripole needs a container of its own. The lists' heads are kept in an
// open-addressing table sized once for every point.
struct Waiting {
  int first = 0;
  int last = 0;
};

class WaitingTable {
public:
  // Room for one entry per point at most two thirds full: no more entries
  // than points are ever made.
  explicit WaitingTable(int points) {
    std::size_t size = 16;
    while (size < static_cast<std::size_t>(points) + static_cast<std::size_t>(points) / 2) size *= 2;
    slots_.resize(size);
    mask_ = size - 1;
    shift_ = 64 - std::countr_zero(size);
  }

  Waiting* Find(const QuadKey& key) {
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (!s.Used()) return nullptr;
      if (s.key == key) return &s.waiting;
    }
  }

  // The entry for key. A new one is empty, and the caller puts a point in
  // it at once: an entry is in use from its first point on (its `last`
  // never goes back to 0).
  Waiting& At(const QuadKey& key) {
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (!s.Used()) {
        s.key = key;
        return s.waiting;
      }
      if (s.key == key) return s.waiting;
    }
  }

private:
  std::size_t Home(const QuadKey& key) const {
    return static_cast<std::size_t>((std::uint64_t{QuadHash{}(key)} * 0x9E3779B97F4A7C15ull) >> shift_) & mask_;
  }

  struct Slot {
    QuadKey key{};
    Waiting waiting;
    bool Used() const { return waiting.last != 0; }
  };
  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  int shift_ = 64;
};

}  // namespace

double ReciprocalValue(const TDataset& ds, int i) {
  const TDataPoint& p = ds.Points[i];
  if (ds.HasVoltageAndCurrent() && p.I != 0) return static_cast<double>(p.V) / p.I;
  return p.Rho;
}

namespace {

bool ComparesResistances(const TDataset& ds, int i) { return ds.HasVoltageAndCurrent() && ds.Points[i].I != 0; }

// +1 when reciprocal j has its current dipole in the direction of normal i's
// potential dipole and its potential dipole in the direction of i's current
// dipole, or both reversed; -1 when only one of them is reversed. By
// reciprocity R(AB, MN) = R(MN, AB), so one reversed dipole flips the sign.
int PolaritySign(const TDataset& ds, const ElectrodeKeys& key, int i, int j) {
  const TDataPoint& n = ds.Points[i];
  const TDataPoint& r = ds.Points[j];
  const bool currentSame = key(r.XM) == key(n.XA);
  const bool potentialSame = key(r.XA) == key(n.XM);
  return currentSame == potentialSame ? 1 : -1;
}

}  // namespace

double PartnerValue(const TDataset& ds, int i) {
  const TReciprocalPairs& pairs = ds.Reciprocals;
  const int j = pairs.Partner[static_cast<std::size_t>(i)];
  const int sign = pairs.Sign.empty() ? 1 : pairs.Sign[static_cast<std::size_t>(i)];
  return sign * ReciprocalValue(ds, j);
}

double ReciprocalErrorPercent(double normal, double reciprocal) {
  const double mean = (std::fabs(normal) + std::fabs(reciprocal)) / 2;
  if (mean == 0) return 0;
  return std::fabs(normal - reciprocal) / mean * 100;
}

void PairReciprocals(TDataset& ds) {
  TReciprocalPairs pairs;
  const int n = ds.PointCount;
  if (!ds.HasMeasurements() || n < 2) {
    ds.Reciprocals = pairs;
    return;
  }
  pairs.Partner.assign(static_cast<std::size_t>(n) + 1, 0);
  pairs.Error.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  pairs.IPDifference.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  pairs.Sign.assign(static_cast<std::size_t>(n) + 1, std::int8_t{1});

  WaitingTable waiting(n);
  std::vector<int> next(static_cast<std::size_t>(n) + 1, 0);
  const ElectrodeKeys key(ds);
  for (int i = 1; i <= n; ++i) {
    const TDataPoint& p = ds.Points[i];
    const DipoleKey current = Dipole(key(p.XA), key(p.XB));
    const DipoleKey potential = Dipole(key(p.XM), key(p.XN));
    // A point whose exchange is itself (the same pair twice) has no reciprocal.
    if (current == potential) continue;
    Waiting* found = waiting.Find(QuadKey{potential, current});
    if (found != nullptr && found->first != 0) {
      const int j = found->first;
      found->first = next[static_cast<std::size_t>(j)];
      pairs.Partner[static_cast<std::size_t>(i)] = j;
      pairs.Partner[static_cast<std::size_t>(j)] = i;
      const bool resistances = ComparesResistances(ds, i) && ComparesResistances(ds, j);
      const auto sign = static_cast<std::int8_t>(resistances ? PolaritySign(ds, key, i, j) : 1);
      pairs.Sign[static_cast<std::size_t>(i)] = pairs.Sign[static_cast<std::size_t>(j)] = sign;
      const auto e = static_cast<float>(ReciprocalErrorPercent(sign * ReciprocalValue(ds, j), ReciprocalValue(ds, i)));
      pairs.Error[static_cast<std::size_t>(i)] = pairs.Error[static_cast<std::size_t>(j)] = e;
      if (ds.HasIP) {
        const float d = std::fabs(ds.Points[j].IP - p.IP);
        pairs.IPDifference[static_cast<std::size_t>(i)] = pairs.IPDifference[static_cast<std::size_t>(j)] = d;
      }
      ++pairs.PairCount;
      continue;
    }
    Waiting& list = waiting.At(QuadKey{current, potential});
    if (list.first == 0) {
      list.first = i;
    } else {
      next[static_cast<std::size_t>(list.last)] = i;
    }
    list.last = i;
  }
  ds.Reciprocals = std::move(pairs);
}

double TErrorModel::At(double r) const {
  const double m = std::fabs(r);
  if (Form == Kind::PowerLaw) return m > 0 ? A * std::pow(m, B) : 0.0;
  return A + B * m;
}

std::optional<TErrorModel> FitErrorModel(const TDataset& ds, TErrorModel::Kind form) {
  const TReciprocalPairs& pairs = ds.Reciprocals;
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  int count = 0;
  for (int i = 1; i < static_cast<int>(pairs.Partner.size()); ++i) {
    const int j = pairs.Partner[static_cast<std::size_t>(i)];
    if (j <= i) continue;  // each pair once
    const double a = ReciprocalValue(ds, i), b = PartnerValue(ds, i);
    const double r = (std::fabs(a) + std::fabs(b)) / 2;
    const double d = std::fabs(a - b);
    if (!std::isfinite(r) || !std::isfinite(d)) continue;
    double x = r, y = d;
    if (form == TErrorModel::Kind::PowerLaw) {
      if (r <= 0 || d <= 0) continue;
      x = std::log(r);
      y = std::log(d);
    }
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
    ++count;
  }
  if (count < 2) return std::nullopt;
  const double denominator = count * sxx - sx * sx;
  if (!(std::fabs(denominator) > 1e-12 * std::max(1.0, sxx * count))) return std::nullopt;
  const double slope = (count * sxy - sx * sy) / denominator;
  const double intercept = (sy - slope * sx) / count;
  TErrorModel model;
  model.Form = form;
  model.PairsUsed = count;
  if (form == TErrorModel::Kind::PowerLaw) {
    model.A = std::exp(intercept);
    model.B = slope;
  } else {
    model.A = intercept;
    model.B = slope;
  }
  return model;
}

TReciprocalStatistics ReciprocalStatistics(const TDataset& ds) {
  TReciprocalStatistics s;
  const TReciprocalPairs& pairs = ds.Reciprocals;
  std::vector<double> errors;
  errors.reserve(static_cast<std::size_t>(pairs.PairCount));
  const float limit = ds.Thresholds.MaxReciprocalError;
  for (int i = 1; i < static_cast<int>(pairs.Partner.size()); ++i) {
    if (pairs.Partner[static_cast<std::size_t>(i)] <= i) continue;
    const double e = pairs.Error[static_cast<std::size_t>(i)];
    errors.push_back(e);
    if (limit > 0 && e > limit) ++s.AboveThreshold;
  }
  s.Pairs = static_cast<int>(errors.size());
  if (errors.empty()) return s;
  double sum = 0;
  for (double e : errors) sum += e;
  s.Mean = sum / static_cast<double>(errors.size());
  s.Maximum = *std::max_element(errors.begin(), errors.end());
  const std::size_t mid = errors.size() / 2;
  std::nth_element(errors.begin(), errors.begin() + static_cast<std::ptrdiff_t>(mid), errors.end());
  s.Median = errors[mid];
  if (errors.size() % 2 == 0) {
    const double below = *std::max_element(errors.begin(), errors.begin() + static_cast<std::ptrdiff_t>(mid));
    s.Median = (s.Median + below) / 2;
  }
  return s;
}

std::vector<float> ModelledErrors(const TDataset& ds, const TErrorModel& model) {
  std::vector<float> errors(static_cast<std::size_t>(std::max(ds.PointCount, 0)) + 1, 0.0f);
  for (int i = 1; i <= ds.PointCount; ++i) {
    const double r = std::fabs(ReciprocalValue(ds, i));
    if (r > 0) errors[static_cast<std::size_t>(i)] = static_cast<float>(100.0 * model.At(r) / r);
  }
  return errors;
}

void ApplyErrorModel(TDataset& ds, const TErrorModel& model) {
  const std::vector<float> errors = ModelledErrors(ds, model);
  for (int i = 1; i <= ds.PointCount; ++i) ds.Points[i].Err = errors[static_cast<std::size_t>(i)];
  ds.HasErrors = true;
}

int AverageReciprocalPairs(TDataset& ds) {
  const TReciprocalPairs& pairs = ds.Reciprocals;
  int merged = 0;
  for (int i = 1; i < static_cast<int>(pairs.Partner.size()) && i <= ds.PointCount; ++i) {
    const int j = pairs.Partner[static_cast<std::size_t>(i)];
    if (j <= i || j > ds.PointCount || IsBad(ds, i) || IsBad(ds, j)) continue;
    TDataPoint& p = ds.Points[i];
    const TDataPoint& q = ds.Points[j];
    const auto mean = [](float a, float b) { return static_cast<float>((static_cast<double>(a) + b) / 2); };
    if (ComparesResistances(ds, i) && ComparesResistances(ds, j)) {
      // The mean resistance at the first reading's current.
      const double resistance = (ReciprocalValue(ds, i) + PartnerValue(ds, i)) / 2;
      p.V = static_cast<float>(resistance * p.I);
    }
    p.Rho = mean(p.Rho, q.Rho);
    if (p.R != 0 && q.R != 0) p.R = mean(p.R, q.R);
    p.IP = mean(p.IP, q.IP);
    for (int w = 1; w <= MaxIPWindows; ++w) p.M[w] = mean(p.M[w], q.M[w]);
    p.Err = pairs.Error[static_cast<std::size_t>(i)];
    ToggleDeletedMark(ds.Points[j]);
    ++merged;
  }
  if (merged > 0) ds.HasErrors = true;
  CountBadPoints(ds);
  return merged;
}

TReciprocalChart ReciprocalChartData(const TDataset& ds, double binWidth, int maxBins) {
  TReciprocalChart chart;
  chart.BinWidth = binWidth > 0 ? binWidth : 1;
  const TReciprocalPairs& pairs = ds.Reciprocals;
  int top = 0;
  std::vector<int> bins(static_cast<std::size_t>(std::max(maxBins, 1)), 0);
  for (int i = 1; i < static_cast<int>(pairs.Partner.size()); ++i) {
    const int j = pairs.Partner[static_cast<std::size_t>(i)];
    if (j <= i) continue;
    const double a = ReciprocalValue(ds, i), b = PartnerValue(ds, i);
    chart.MeanValue.push_back((std::fabs(a) + std::fabs(b)) / 2);
    chart.Difference.push_back(std::fabs(a - b));
    const double e = pairs.Error[static_cast<std::size_t>(i)];
    const auto k = static_cast<int>(std::min<double>(e / chart.BinWidth, static_cast<double>(bins.size() - 1)));
    ++bins[static_cast<std::size_t>(k)];
    top = std::max(top, k + 1);
  }
  bins.resize(static_cast<std::size_t>(top));
  chart.Bins = std::move(bins);
  return chart;
}

}  // namespace tarvo
