#pragma once
// Items addressed by a number from 1 (the rows of a sheet, the cells of a row). Keys 1..n sit in a
// plain vector, so the usual sheet filled from its top-left corner costs one index per access; n
// grows only while the vector holds at most about two slots per item present. Keys beyond it go
// to an ordered map, so scattered far addresses cost memory with the items present rather than
// with their addresses, and arrive in any order in logarithmic time.

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <vector>

template <typename T>
class TSparseArray {
 public:
  TSparseArray() = default;
  TSparseArray(TSparseArray&&) noexcept = default;
  TSparseArray& operator=(TSparseArray&&) noexcept = default;

  const T* Find(int key) const {
    if (key >= 1 && key <= static_cast<int>(FDense.size())) return &FDense[static_cast<std::size_t>(key) - 1];
    if (!FFar) return nullptr;
    auto it = FFar->find(key);
    return it == FFar->end() ? nullptr : &it->second;
  }
  T* Find(int key) { return const_cast<T*>(static_cast<const TSparseArray*>(this)->Find(key)); }

  // The item, created (default) when missing. Creating one may move others.
  T& At(int key) {
    if (T* found = Find(key)) return *found;
    ++FCount;
    if (static_cast<std::size_t>(key) <= 2 * FCount + kSlack) return Grow(key);
    if (!FFar) FFar = std::make_unique<std::map<int, T>>();
    return (*FFar)[key];
  }

  // Items key..key+count-1 side by side in the vector, created when missing, for a caller that
  // fills a run of them; nullptr when they would not all lie there (then At, one by one).
  T* Run(int key, int count) {
    if (key < 1 || count < 1 || FFar) return nullptr;
    const std::size_t first = static_cast<std::size_t>(key), last = first + static_cast<std::size_t>(count) - 1;
    if (last > FDense.size()) {
      const std::size_t created = last - std::max(FDense.size(), first - 1);
      if (last > 2 * (FCount + created) + kSlack) return nullptr;
      FCount += created;
      Room(last);
      FDense.resize(last);
    }
    return &FDense[first - 1];
  }

  // Room for keys 1..n in the vector without growing it again, for a caller about to fill them.
  void Reserve(int n) {
    if (n > 0 && FDense.capacity() < static_cast<std::size_t>(n)) FDense.reserve(static_cast<std::size_t>(n));
  }

  // Highest key stored, 0 when empty.
  int Last() const {
    if (FFar && !FFar->empty()) return FFar->rbegin()->first;
    return static_cast<int>(FDense.size());
  }
  // Items stored (padding slots of the vector included).
  std::size_t Size() const { return FDense.size() + (FFar ? FFar->size() : 0); }

  // visit(key, item) for every stored item with lo <= key <= hi, in key order.
  template <typename F>
  void ForEach(int lo, int hi, F&& visit) const { Walk(*this, lo, hi, visit); }
  template <typename F>
  void ForEach(int lo, int hi, F&& visit) { Walk(*this, lo, hi, visit); }
  template <typename F>
  void ForEach(F&& visit) const { Walk(*this, 1, Last(), visit); }
  template <typename F>
  void ForEach(F&& visit) { Walk(*this, 1, Last(), visit); }

  // The highest key whose item satisfies pred, 0 when none does.
  template <typename P>
  int LastWhere(P&& pred) const {
    if (FFar)
      for (auto it = FFar->rbegin(); it != FFar->rend(); ++it)
        if (pred(it->second)) return it->first;
    for (std::size_t i = FDense.size(); i > 0; --i)
      if (pred(FDense[i - 1])) return static_cast<int>(i);
    return 0;
  }

  // Drops every item with a key beyond maxKey.
  void Truncate(int maxKey) {
    if (FFar) FFar->erase(FFar->upper_bound(maxKey), FFar->end());
    if (static_cast<int>(FDense.size()) > maxKey) FDense.resize(static_cast<std::size_t>(std::max(maxKey, 0)));
    FCount = std::min(FCount, Size());
  }

  // Heap bytes of the container itself (not of what the items own).
  std::size_t MemoryBytes() const {
    std::size_t bytes = FDense.capacity() * sizeof(T);
    if (FFar) bytes += sizeof(*FFar) + FFar->size() * (sizeof(typename std::map<int, T>::value_type) + 4 * sizeof(void*));
    return bytes;
  }

 private:
  // A few slots of padding are always allowed, so small gaps near the start stay in the vector.
  static constexpr std::size_t kSlack = 16;

  T& Grow(int key) {
    const auto size = static_cast<std::size_t>(key);
    // The usual case, the next key with room for it: no far items can lie before it.
    if (size == FDense.size() + 1 && size <= FDense.capacity() && !FFar) return FDense.emplace_back();
    Room(size);
    FDense.resize(size);
    // Far items now inside the vector's range move into it.
    if (FFar) {
      while (!FFar->empty() && FFar->begin()->first <= key) {
        auto node = FFar->extract(FFar->begin());
        FDense[static_cast<std::size_t>(node.key()) - 1] = std::move(node.mapped());
      }
      if (FFar->empty()) FFar.reset();
    }
    return FDense[size - 1];
  }

  // Geometric growth: an exact reserve per new key would copy the row for every cell added. The
  // first room is exact: a column of a million one-cell rows must not pay for three more each.
  void Room(std::size_t size) {
    if (FDense.capacity() < size) FDense.reserve(FDense.capacity() == 0 ? size : std::max(size, 2 * FDense.capacity()));
  }

  template <typename Self, typename F>
  static void Walk(Self& self, int lo, int hi, F& visit) {
    lo = std::max(lo, 1);
    const int dense = static_cast<int>(self.FDense.size());
    for (int k = lo; k <= std::min(hi, dense); ++k) visit(k, self.FDense[static_cast<std::size_t>(k) - 1]);
    if (!self.FFar || hi <= dense) return;
    for (auto it = self.FFar->lower_bound(std::max(lo, dense + 1)); it != self.FFar->end() && it->first <= hi; ++it)
      visit(it->first, it->second);
  }

  std::vector<T> FDense;
  std::unique_ptr<std::map<int, T>> FFar;
  std::size_t FCount = 0;  // items created on request, so padding slots do not earn more padding
};
