#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

// Tables of the dataset are indexed from 1, as every rule of the program
// counts points, sets, electrodes and levels from 1.
namespace tarvo {

// A fixed-capacity table with entries 1..Capacity.
template <class T, int Capacity>
class FixedTable {
public:
  static constexpr int capacity() { return Capacity; }

  T& operator[](int i) {
    assert(i >= 1 && i <= Capacity);
    return items_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator[](int i) const {
    assert(i >= 1 && i <= Capacity);
    return items_[static_cast<std::size_t>(i - 1)];
  }

  void Fill(const T& value) { items_.fill(value); }
  bool operator==(const FixedTable&) const = default;

private:
  std::array<T, Capacity> items_{};
};

// A heap table sized to the records it holds, with entries 1..Size().
template <class T>
class Table {
public:
  int Size() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }

  void Resize(int n) { items_.assign(static_cast<std::size_t>(n), T{}); }
  void Release() { items_ = {}; }
  void Append(const T& item) { items_.push_back(item); }

  T& operator[](int i) {
    assert(i >= 1 && i <= Size());
    return items_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator[](int i) const {
    assert(i >= 1 && i <= Size());
    return items_[static_cast<std::size_t>(i - 1)];
  }

  std::vector<T>& Storage() { return items_; }
  const std::vector<T>& Storage() const { return items_; }

private:
  std::vector<T> items_;
};

}  // namespace tarvo
