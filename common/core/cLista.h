#pragma once
// cLista: an ordered list of texts, each with a signed 32-bit value beside
// it, indexed from 0 like the items of a list box. Items are always appended
// at the end; the list is in ascending order only right after Sort.
//
// Text comparison (Find, Sort) is the shared name comparison (NameKey.h).
// An index outside 0 .. ListCount()-1 throws std::out_of_range.

#include <cstdint>
#include <string>
#include <vector>

namespace common {

class cLista {
 public:
  static constexpr int32_t kGrowStep = 100;

  cLista();  // an empty list of capacity 100 (Class_Initialize)

  void AddItem(const std::string& text, int32_t value = 0);
  void Clear();  // removes all items; capacity back to 100
  void AddFrom(const cLista& source);   // appends all items of source (may be *this)
  void CopyFrom(const cLista& source);  // this becomes an item-by-item copy
  int32_t Find(const std::string& text) const;  // first equal item, or -1
  int32_t FindItemData(int32_t value) const;    // first item with that value, or -1
  void RemoveItem(int32_t index);

  int32_t ItemData(int32_t index) const;
  void SetItemData(int32_t index, int32_t value);
  const std::string& List(int32_t index) const;
  void SetList(int32_t index, const std::string& text);

  int32_t ListCount() const { return count_; }
  int32_t NewIndex() const { return count_ - 1; }
  int32_t Capacity() const { return capacity_; }

  // Stable ascending sort under the shared name comparison; values travel
  // with their texts. O(n log n).
  void Sort();

 private:
  void CheckIndex(int32_t index) const;

  std::vector<std::string> texts_;
  std::vector<int32_t> values_;
  int32_t count_ = 0;
  int32_t capacity_ = kGrowStep;
};

}  // namespace common
