// The shared name comparison must be a strict weak order consistent with
// equality of keys, whatever bytes a name holds; and the merge built on it
// must visit every entry once, pair only equal keys, and never pair a twin
// with a name other than its own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/core/FileSystem.h"
#include "common/core/NameKey.h"
#include "common/core/NameMerge.h"
#include "fuzz/FuzzCheck.h"


namespace {

int Sign(int v) { return (v > 0) - (v < 0); }


void CheckOrder(const std::string& a, const std::string& b, const std::string& c) {
  FUZZ_CHECK(common::CompareNames(a, a) == 0);
  int ab = Sign(common::CompareNames(a, b));
  int ba = Sign(common::CompareNames(b, a));
  FUZZ_CHECK(ab == -ba);
  int bc = Sign(common::CompareNames(b, c));
  int ac = Sign(common::CompareNames(a, c));
  if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0);
  if (ab == 0 && bc == 0) FUZZ_CHECK(ac == 0);
  // Incomparability (equality) is transitive too: a < b and b == c give a < c.
  if (ab < 0 && bc == 0) FUZZ_CHECK(ac < 0);
  FUZZ_CHECK((ab == 0) == (common::MakeNameKey(a) == common::MakeNameKey(b)));
  // The key is a pure function of the name.
  FUZZ_CHECK(common::MakeNameKey(a) == common::MakeNameKey(std::string(a)));
  // The listing order breaks ties by bytes: it is a total order.
  std::string ka = common::MakeNameKey(a), kb = common::MakeNameKey(b);
  int lab = Sign(common::CompareListingOrder(ka, a, kb, b));
  FUZZ_CHECK((lab == 0) == (a == b));
  if (ab != 0) FUZZ_CHECK(lab == ab);
}

std::vector<common::EntryInfo> Listing(const std::set<std::string>& names) {
  std::vector<common::EntryInfo> out;
  for (const auto& n : names) {
    common::EntryInfo e;
    e.name = n;
    e.key = common::MakeNameKey(n);
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const common::EntryInfo& x, const common::EntryInfo& y) {
    return common::CompareListingOrder(x.key, x.name, y.key, y.name) < 0;
  });
  return out;
}

void CheckMerge(const std::set<std::string>& leftNames, const std::set<std::string>& rightNames) {
  const auto left = Listing(leftNames);
  const auto right = Listing(rightNames);
  std::map<std::string, int> groupLeft, groupRight;
  for (const auto& e : left) ++groupLeft[e.key];
  for (const auto& e : right) ++groupRight[e.key];

  std::vector<int> seenLeft(left.size()), seenRight(right.size());
  const std::string* lastKey = nullptr;
  common::MergeByName(left, right, [&](int l, int r) {
    FUZZ_CHECK(l >= -1 && r >= -1 && (l >= 0 || r >= 0));
    FUZZ_CHECK(l < static_cast<int>(left.size()) && r < static_cast<int>(right.size()));
    const std::string& key = l >= 0 ? left[l].key : right[r].key;
    if (lastKey) FUZZ_CHECK(*lastKey <= key);
    lastKey = &key;
    if (l >= 0) ++seenLeft[l];
    if (r >= 0) ++seenRight[r];
    const bool single = groupLeft[key] == 1 && groupRight[key] == 1;
    if (l >= 0 && r >= 0) {
      FUZZ_CHECK(left[l].key == right[r].key);
      FUZZ_CHECK(single || left[l].name == right[r].name);
    } else {
      // One side only: not a one-to-one group, and no byte-equal name opposite.
      FUZZ_CHECK(!single);
      if (l >= 0) FUZZ_CHECK(rightNames.count(left[l].name) == 0);
      if (r >= 0) FUZZ_CHECK(leftNames.count(right[r].name) == 0);
    }
    return true;
  });
  for (int n : seenLeft) FUZZ_CHECK(n == 1);
  for (int n : seenRight) FUZZ_CHECK(n == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Names separated by NUL bytes; each name's first byte says on which side
  // of a merge it lies (bit 0 left, bit 1 right, both or neither).
  std::vector<std::string> chunks(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      if (chunks.size() == 64) break;
      chunks.emplace_back();
      continue;
    }
    chunks.back() += static_cast<char>(data[i]);
  }
  std::vector<std::string> names;
  std::set<std::string> left, right;
  for (const auto& c : chunks) {
    if (c.empty()) {
      names.emplace_back();
      continue;
    }
    std::string name = c.substr(1);
    if (c[0] & 1) left.insert(name);
    if (c[0] & 2) right.insert(name);
    names.push_back(std::move(name));
  }
  while (names.size() < 3) names.emplace_back();

  CheckOrder(names[0], names[1], names[2]);
  CheckOrder(names[2], names[0], names[1]);
  CheckMerge(left, right);
  return 0;
}
