#include "common/core/cLista.h"

#include <limits>
#include <stdexcept>

namespace common {
namespace {

// Indexes and counts are 32-bit, so the list stops short of what they can say.
constexpr size_t kMaxItems = static_cast<size_t>(std::numeric_limits<int32_t>::max());

}  // namespace

const cLista::Item& cLista::At(int32_t index) const {
  if (index < 0 || index >= ListCount())
    throw std::out_of_range("cLista: index " + std::to_string(index) + " outside 0.." +
                            std::to_string(ListCount() - 1));
  return items_[static_cast<size_t>(index)];
}

cLista::Item& cLista::At(int32_t index) {
  return const_cast<Item&>(static_cast<const cLista&>(*this).At(index));
}

void cLista::AddItem(const std::string& text, int32_t value) {
  if (items_.size() == kMaxItems) throw std::overflow_error("cLista: too many items");
  items_.push_back({text, value});
}

void cLista::Clear() { std::vector<Item>().swap(items_); }

void cLista::AddFrom(const cLista& source) {
  // The count is read once, so a list appended to itself doubles.
  const size_t n = source.items_.size();
  if (n > kMaxItems - items_.size()) throw std::overflow_error("cLista: too many items");
  // Reserving first keeps references into source valid when source is this list.
  items_.reserve(items_.size() + n);
  for (size_t i = 0; i < n; ++i) items_.push_back(source.items_[i]);
}

int32_t cLista::FindItemData(int32_t value) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].value == value) return static_cast<int32_t>(i);
  return -1;
}

int32_t cLista::ItemData(int32_t index) const { return At(index).value; }

void cLista::SetItemData(int32_t index, int32_t value) { At(index).value = value; }

const std::string& cLista::List(int32_t index) const { return At(index).text; }

void cLista::SetList(int32_t index, const std::string& text) { At(index).text = text; }

}  // namespace common
