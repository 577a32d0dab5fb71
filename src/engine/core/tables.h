#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <memory>
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

// A table with entries 1..Capacity that holds only the entries in use: it
// is indexed like a fixed array, but storage grows, in blocks, as far as the
// highest entry written, so a table of a small survey costs what that survey
// needs. Entries never written read as the fill value (T{} until Fill sets
// another). Growing never moves an entry, so a reference to one stays valid
// while later entries are written (`t[i + 1] = t[i]` is safe).
template <class T, int Capacity>
class BoundedTable {
public:
  static constexpr int capacity() { return Capacity; }

  BoundedTable() = default;
  BoundedTable(const BoundedTable& other) { CopyFrom(other); }
  BoundedTable& operator=(const BoundedTable& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  BoundedTable(BoundedTable&&) noexcept = default;
  BoundedTable& operator=(BoundedTable&&) noexcept = default;

  T& operator[](int i) {
    assert(i >= 1 && i <= Capacity);
    const std::size_t k = static_cast<std::size_t>(i - 1);
    if (k >= allocated_) Grow(k + 1);
    return blocks_[k / BlockSize][k % BlockSize];
  }
  const T& operator[](int i) const {
    assert(i >= 1 && i <= Capacity);
    const std::size_t k = static_cast<std::size_t>(i - 1);
    if (k >= allocated_) return fill_;
    return blocks_[k / BlockSize][k % BlockSize];
  }

  // Every entry reads as `value`; the storage is released.
  void Fill(const T& value) {
    fill_ = value;
    blocks_.clear();
    allocated_ = 0;
  }

  // Entries that have storage (a multiple of the block size, up to Capacity).
  int Allocated() const { return static_cast<int>(allocated_); }

  bool operator==(const BoundedTable& other) const {
    const int n = static_cast<int>(std::max(allocated_, other.allocated_));
    for (int i = 1; i <= n; ++i) {
      if (!((*this)[i] == other[i])) return false;
    }
    return fill_ == other.fill_;
  }

private:
  // About 4 KiB per block, a power of two entries.
  static constexpr std::size_t BlockSize = [] {
    std::size_t n = 16;
    while (n * 2 * sizeof(T) <= 4096) n *= 2;
    return n;
  }();

  void Grow(std::size_t entries) {
    while (allocated_ < entries) {
      auto block = std::make_unique<T[]>(BlockSize);
      std::fill_n(block.get(), BlockSize, fill_);
      blocks_.push_back(std::move(block));
      allocated_ += BlockSize;
    }
  }

  void CopyFrom(const BoundedTable& other) {
    fill_ = other.fill_;
    blocks_.clear();
    allocated_ = 0;
    Grow(other.allocated_);
    for (std::size_t b = 0; b < other.blocks_.size(); ++b) {
      std::copy_n(other.blocks_[b].get(), BlockSize, blocks_[b].get());
    }
  }

  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t allocated_ = 0;
  T fill_{};
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
