#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/core/numbers.h"

// Lookups by value under the program's tolerance (ApproxEqual: a difference
// of at most 0.01) that answer what a scan of a list from its first entry
// answers, in logarithmic rather than linear time.
namespace tarvo {

// Leading entries of a table sorted by value, each with its 1-based place in
// the table. The entries ApproxEqual to x form one run of the sorted values
// (the difference grows with the value), so a binary search finds the run and
// the smallest place in it is the entry a scan from the top meets first. A
// value that is no number matches nothing, as ApproxEqual says.
class ToleranceIndex {
public:
  ToleranceIndex() = default;

  // Entries 1..count of `table` (anything indexed from 1 giving a number).
  template <class Table>
  ToleranceIndex(const Table& table, int count) {
    Build(table, count);
  }

  template <class Table>
  void Build(const Table& table, int count) {
    entries_.clear();
    entries_.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 1; i <= count; ++i) {
      const double v = table[i];
      if (!std::isnan(v)) entries_.push_back({v, i});
    }
    std::sort(entries_.begin(), entries_.end());
  }

  // The smallest place among the entries ApproxEqual to x, 0 when none is.
  int First(double x) const {
    return FirstWhere(x, [](int) { return true; });
  }

  // As First, among the entries whose place also passes `accept`.
  template <class Accept>
  int FirstWhere(double x, Accept&& accept) const {
    int best = 0;
    for (auto it = RunStart(x); it != entries_.end() && ApproxEqual(it->first, x); ++it) {
      if ((best == 0 || it->second < best) && accept(it->second)) best = it->second;
    }
    return best;
  }

  // Calls f(place) for every entry ApproxEqual to x, in order of value.
  template <class F>
  void ForEach(double x, F&& f) const {
    for (auto it = RunStart(x); it != entries_.end() && ApproxEqual(it->first, x); ++it) f(it->second);
  }

private:
  std::vector<std::pair<double, int>>::const_iterator RunStart(double x) const {
    // Entries below the run: smaller than x and not ApproxEqual to it.
    return std::partition_point(entries_.begin(), entries_.end(),
                                [x](const std::pair<double, int>& e) { return e.first < x && !ApproxEqual(e.first, x); });
  }

  std::vector<std::pair<double, int>> entries_;
};

// A list of values kept ascending, no two of them ApproxEqual, as the layout
// analysis builds its stations and electrode positions: a new value goes
// after the last smaller one. Contains answers, by binary search, whether an
// entry is ApproxEqual to x.
class AscendingTolerantList {
public:
  const std::vector<float>& Values() const { return values_; }
  int Size() const { return static_cast<int>(values_.size()); }
  void Reserve(int n) { values_.reserve(static_cast<std::size_t>(std::max(n, 0))); }

  bool Contains(double x) const {
    const auto it = RunStart(x);
    return it != values_.end() && ApproxEqual(*it, x);
  }

  // Where x goes (0-based): after the last entry smaller than x, scanning
  // from the end.
  std::size_t InsertPlace(double x) const {
    std::size_t after = values_.size();
    // The entries are ascending, so the last smaller one is found by a
    // binary search; entries that are no number are passed over as the scan
    // from the end passes them.
    const auto it = std::partition_point(values_.begin(), values_.end(), [x](float v) { return !(v >= x); });
    after = static_cast<std::size_t>(it - values_.begin());
    return after;
  }

  std::size_t Insert(double x) {
    const std::size_t at = InsertPlace(x);
    values_.insert(values_.begin() + static_cast<std::ptrdiff_t>(at), static_cast<float>(x));
    return at;
  }

  void Append(double x) { values_.push_back(static_cast<float>(x)); }

private:
  std::vector<float>::const_iterator RunStart(double x) const {
    return std::partition_point(values_.begin(), values_.end(),
                                [x](float v) { return v < x && !ApproxEqual(v, x); });
  }

  std::vector<float> values_;
};

// Answers already found, by the exact bits of what was asked. The values a
// line repeats (the same few hundred abscissas, spacings and electrode
// positions over thousands of points) are then searched once each; a lookup
// whose answer cannot change for the same question may keep it here. An
// open-addressing table that doubles when half full.
class ExactMemo {
public:
  static std::uint64_t Key(float x) { return std::bit_cast<std::uint32_t>(x); }
  static std::uint64_t Key(float a, float b) {
    return (std::uint64_t{std::bit_cast<std::uint32_t>(a)} << 32) | std::bit_cast<std::uint32_t>(b);
  }

  // The answer kept for `key`, or nullptr.
  const int* Find(std::uint64_t key) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (!s.used) return nullptr;
      if (s.key == key) return &s.value;
    }
  }

  void Put(std::uint64_t key, int value) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    for (std::size_t i = Home(key);; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (!s.used) {
        s = {key, value, true};
        ++used_;
        return;
      }
      if (s.key == key) {
        s.value = value;
        return;
      }
    }
  }

private:
  struct Slot {
    std::uint64_t key = 0;
    int value = 0;
    bool used = false;
  };

  std::size_t Home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_) & mask_;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    const std::size_t size = old.empty() ? 256 : old.size() * 2;
    slots_.assign(size, Slot{});
    mask_ = size - 1;
    shift_ = 64 - std::countr_zero(size);
    used_ = 0;
    for (const Slot& s : old) {
      if (s.used) Put(s.key, s.value);
    }
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  int shift_ = 64;
  std::size_t used_ = 0;
};

}  // namespace tarvo
