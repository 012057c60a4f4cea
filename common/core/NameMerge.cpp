#include "common/core/NameMerge.h"

namespace common {
namespace {

using Entries = std::vector<EntryInfo>;

// End of the group of entries with the same key as entries[begin].
size_t GroupEnd(const Entries& entries, size_t begin) {
  size_t end = begin + 1;
  while (end < entries.size() && entries[end].key == entries[begin].key) ++end;
  return end;
}

}  // namespace

bool MergeByName(const Entries& left, const Entries& right,
                 const std::function<bool(int leftIndex, int rightIndex)>& visit) {
  const auto L = [](size_t i) { return static_cast<int>(i); };
  size_t i = 0;
  size_t j = 0;
  while (i < left.size() || j < right.size()) {
    if (j == right.size()) {
      if (!visit(L(i++), -1)) return false;
      continue;
    }
    if (i == left.size()) {
      if (!visit(-1, L(j++))) return false;
      continue;
    }
    const int c = left[i].key.compare(right[j].key);
    if (c < 0) {
      if (!visit(L(i++), -1)) return false;
      continue;
    }
    if (c > 0) {
      if (!visit(-1, L(j++))) return false;
      continue;
    }

    const size_t leftEnd = GroupEnd(left, i);
    const size_t rightEnd = GroupEnd(right, j);
    if (leftEnd - i == 1 && rightEnd - j == 1) {
      // One name on each side: a match whatever the spelling (case, form).
      if (!visit(L(i++), L(j++))) return false;
      continue;
    }
    // Twins on at least one side: only byte-equal names pair, so no content
    // ever goes to a name other than its own. The group is walked in byte
    // order, as the listings hold it.
    while (i < leftEnd || j < rightEnd) {
      int b;
      if (i == leftEnd) b = 1;
      else if (j == rightEnd) b = -1;
      else b = left[i].name.compare(right[j].name);
      if (b < 0) {
        if (!visit(L(i++), -1)) return false;
      } else if (b > 0) {
        if (!visit(-1, L(j++))) return false;
      } else {
        if (!visit(L(i++), L(j++))) return false;
      }
    }
  }
  return true;
}

}  // namespace common
