#include "common/core/cLista.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>

#include "common/core/NameKey.h"

// The texts and values are held in vectors of exactly ListCount items; the
// capacity is kept as a number that grows and resets in steps of 100, as
// callers see it. Letting the vectors grow geometrically keeps appending
// cheap for long lists without changing anything a caller can observe.

namespace common {
namespace {

constexpr int32_t kMaxInt32 = std::numeric_limits<int32_t>::max();

}  // namespace

cLista::cLista() { Clear(); }

void cLista::CheckIndex(int32_t index) const {
  if (index < 0 || index >= count_)
    throw std::out_of_range("cLista: index " + std::to_string(index) + " outside 0.." +
                            std::to_string(count_ - 1));
}

void cLista::AddItem(const std::string& text, int32_t value) {
  if (count_ == kMaxInt32) throw std::overflow_error("cLista: too many items");
  if (count_ == capacity_) {
    if (capacity_ > kMaxInt32 - kGrowStep) throw std::overflow_error("cLista: capacity overflow");
    capacity_ += kGrowStep;
  }
  texts_.push_back(text);
  values_.push_back(value);
  ++count_;
}

void cLista::Clear() {
  std::vector<std::string>().swap(texts_);
  std::vector<int32_t>().swap(values_);
  count_ = 0;
  capacity_ = kGrowStep;
}

void cLista::AddFrom(const cLista& source) {
  // The count is read once, so a list appended to itself doubles.
  const int32_t n = source.count_;
  if (n > kMaxInt32 - count_) throw std::overflow_error("cLista: too many items");
  // Reserving first keeps references into source valid when source is this list.
  texts_.reserve(texts_.size() + static_cast<size_t>(n));
  values_.reserve(values_.size() + static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) AddItem(source.texts_[static_cast<size_t>(i)],
                                          source.values_[static_cast<size_t>(i)]);
}

void cLista::CopyFrom(const cLista& source) {
  if (&source == this) return;
  while (capacity_ < source.count_) {
    if (capacity_ > kMaxInt32 - kGrowStep) throw std::overflow_error("cLista: capacity overflow");
    capacity_ += kGrowStep;
  }
  texts_ = source.texts_;
  values_ = source.values_;
  count_ = source.count_;
}

int32_t cLista::Find(const std::string& text) const {
  const std::string key = MakeNameKey(text);
  for (int32_t i = 0; i < count_; ++i)
    if (MakeNameKey(texts_[static_cast<size_t>(i)]) == key) return i;
  return -1;
}

int32_t cLista::FindItemData(int32_t value) const {
  for (int32_t i = 0; i < count_; ++i)
    if (values_[static_cast<size_t>(i)] == value) return i;
  return -1;
}

void cLista::RemoveItem(int32_t index) {
  CheckIndex(index);
  texts_.erase(texts_.begin() + index);
  values_.erase(values_.begin() + index);
  --count_;
}

int32_t cLista::ItemData(int32_t index) const {
  CheckIndex(index);
  return values_[static_cast<size_t>(index)];
}

void cLista::SetItemData(int32_t index, int32_t value) {
  CheckIndex(index);
  values_[static_cast<size_t>(index)] = value;
}

const std::string& cLista::List(int32_t index) const {
  CheckIndex(index);
  return texts_[static_cast<size_t>(index)];
}

void cLista::SetList(int32_t index, const std::string& text) {
  CheckIndex(index);
  texts_[static_cast<size_t>(index)] = text;
}

void cLista::Sort() {
  // Only a strictly smaller text ever moves ahead of another, so the result
  // is the stable ascending order by key. Each key is computed once; the
  // comparisons then work on the precomputed keys.
  const size_t n = static_cast<size_t>(count_);
  if (n < 2) return;
  std::vector<std::string> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = MakeNameKey(texts_[i]);
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });

  std::vector<std::string> sortedTexts(n);
  std::vector<int32_t> sortedValues(n);
  for (size_t i = 0; i < n; ++i) {
    sortedTexts[i] = std::move(texts_[order[i]]);
    sortedValues[i] = values_[order[i]];
  }
  texts_ = std::move(sortedTexts);
  values_ = std::move(sortedValues);
}

}  // namespace common
