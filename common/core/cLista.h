#pragma once
// cLista: an ordered list of texts, each with a signed 32-bit value beside
// it, indexed from 0 like the items of a list box. Items are always appended
// at the end. An index outside 0 .. ListCount()-1 throws std::out_of_range.

#include <cstdint>
#include <string>
#include <vector>

namespace common {

class cLista {
 public:
  void AddItem(const std::string& text, int32_t value = 0);
  void Clear();
  void AddFrom(const cLista& source);  // appends all items of source (may be *this)
  int32_t FindItemData(int32_t value) const;  // first item with that value, or -1

  int32_t ItemData(int32_t index) const;
  void SetItemData(int32_t index, int32_t value);
  const std::string& List(int32_t index) const;
  void SetList(int32_t index, const std::string& text);

  int32_t ListCount() const { return static_cast<int32_t>(items_.size()); }
  int32_t NewIndex() const { return ListCount() - 1; }

 private:
  struct Item {
    std::string text;
    int32_t value;
  };

  const Item& At(int32_t index) const;
  Item& At(int32_t index);

  std::vector<Item> items_;
};

}  // namespace common
