#include "common/core/NameMerge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/core/NameKey.h"

namespace {

using common::EntryInfo;

// A listing as the file-system layer gives it: keys set, sorted by key and
// then by bytes.
std::vector<EntryInfo> Listing(std::vector<std::string> names) {
  std::vector<EntryInfo> out;
  for (auto& n : names) {
    EntryInfo e;
    e.name = n;
    e.key = common::MakeNameKey(n);
    out.push_back(e);
  }
  std::sort(out.begin(), out.end(), [](const EntryInfo& a, const EntryInfo& b) {
    return common::CompareListingOrder(a.key, a.name, b.key, b.name) < 0;
  });
  return out;
}

// The visits as "left=right", "left=" or "=right".
std::vector<std::string> Merge(const std::vector<EntryInfo>& left,
                               const std::vector<EntryInfo>& right) {
  std::vector<std::string> out;
  bool done = common::MergeByName(left, right, [&](int l, int r) {
    out.push_back((l >= 0 ? left[l].name : "") + "=" + (r >= 0 ? right[r].name : ""));
    return true;
  });
  EXPECT_TRUE(done);
  return out;
}

TEST(MergeByName, PairsAndTwinGroups) {
#ifdef _WIN32
  // Twins in normalisation and case folding are Linux names (Windows does
  // neither): Win32Names covers the Windows comparison.
  GTEST_SKIP() << "Linux name rules";
#endif
  const std::string nfc = "Caf\xC3\xA9", nfd = "Cafe\xCC\x81";
  struct Case {
    const char* name;
    std::vector<std::string> left, right, expected;
  } cases[] = {
      {"both empty", {}, {}, {}},
      {"left only", {"a", "b"}, {}, {"a=", "b="}},
      {"right only", {}, {"a"}, {"=a"}},
      {"singles interleaved", {"a", "c", "e"}, {"B", "c", "d"}, {"a=", "=B", "c=c", "=d", "e="}},
      {"one each, other case", {"Readme"}, {"README"}, {"Readme=README"}},
      {"one each, other normal form", {nfc}, {nfd}, {nfc + "=" + nfd}},
      {"two left, byte twin right", {"Readme", "README"}, {"Readme"}, {"README=", "Readme=Readme"}},
      {"two left, no byte twin", {"Readme", "README"}, {"readme"}, {"README=", "Readme=", "=readme"}},
      {"one left, two right with twin", {"readme"}, {"README", "readme"}, {"=README", "readme=readme"}},
      {"one left, two right no twin", {"ReadMe"}, {"README", "readme"}, {"=README", "ReadMe=", "=readme"}},
      {"two and two equal", {"a", "A"}, {"A", "a"}, {"A=A", "a=a"}},
      {"two and two crossed", {"AB", "Ab"}, {"Ab", "aB"}, {"AB=", "Ab=Ab", "=aB"}},
      {"two and two disjoint", {"AB", "ab"}, {"Ab", "aB"}, {"AB=", "=Ab", "=aB", "ab="}},
      {"group on one side only", {"x", "X"}, {}, {"X=", "x="}},
      {"forms as twins", {nfc, nfd}, {nfd}, {nfd + "=" + nfd, nfc + "="}},
      {"groups between singles",
       {"a", "M", "m", "z"},
       {"b", "m", "y", "Z"},
       {"a=", "=b", "M=", "m=m", "=y", "z=Z"}},
      {"sharp s and ss are one group", {"stra\xC3\x9F" "e"}, {"STRASSE"}, {"stra\xC3\x9F" "e=STRASSE"}},
      {"invalid UTF-8 pairs only with itself", {"a\xFF", "b"}, {"A\xFF", "b"}, {"=A\xFF", "a\xFF=", "b=b"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Merge(Listing(c.left), Listing(c.right)), c.expected) << c.name;
  }
}

TEST(MergeByName, StopsWhenTheVisitorSaysSo) {
  const auto left = Listing({"a", "b", "c"});
  const auto right = Listing({"b", "c", "d"});
  for (int stopAt = 1; stopAt <= 4; ++stopAt) {
    int calls = 0;
    bool done = common::MergeByName(left, right, [&](int, int) { return ++calls < stopAt; });
    EXPECT_FALSE(done);
    EXPECT_EQ(calls, stopAt);
  }
  // Also inside a twin group.
  int calls = 0;
  EXPECT_FALSE(common::MergeByName(Listing({"A", "a"}), Listing({"a"}),
                                   [&](int, int) { return ++calls < 1; }));
  EXPECT_EQ(calls, 1);
}

TEST(MergeByName, RandomListingsKeepEveryRule) {
  // Spellings of few keys, so that twin groups of every size meet.
  const std::vector<std::string> spellings = {
      "a", "A", "b", "B", "\xC3\xA9", "\xC3\x89", "e\xCC\x81", "E\xCC\x81", "ss", "SS", "\xC3\x9F", "z"};
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    auto pick = [&]() {
      std::vector<std::string> names;
      for (const auto& s : spellings)
        if (rng() % 3 == 0) names.push_back(s);  // a folder holds each name at most once
      return Listing(names);
    };
    const auto left = pick(), right = pick();
    std::map<std::string, int> groupLeft, groupRight;
    for (const auto& e : left) ++groupLeft[e.key];
    for (const auto& e : right) ++groupRight[e.key];

    std::vector<int> seenLeft(left.size()), seenRight(right.size());
    std::string lastKey;
    common::MergeByName(left, right, [&](int l, int r) {
      const std::string& key = l >= 0 ? left[l].key : right[r].key;
      EXPECT_GE(key, lastKey) << "merged order follows the keys";
      lastKey = key;
      if (l >= 0) ++seenLeft[l];
      if (r >= 0) ++seenRight[r];
      if (l >= 0 && r >= 0) {
        EXPECT_EQ(left[l].key, right[r].key);
        const bool single = groupLeft[key] == 1 && groupRight[key] == 1;
        EXPECT_TRUE(single || left[l].name == right[r].name)
            << "twin " << left[l].name << " paired with " << right[r].name;
      } else if (l >= 0) {
        // Left only: no byte-equal name on the right, and not a one-to-one group.
        EXPECT_FALSE(groupLeft[key] == 1 && groupRight[key] == 1);
        for (const auto& e : right) EXPECT_NE(e.name, left[l].name);
      } else {
        EXPECT_FALSE(groupLeft[key] == 1 && groupRight[key] == 1);
        for (const auto& e : left) EXPECT_NE(e.name, right[r].name);
      }
      return true;
    });
    for (int n : seenLeft) EXPECT_EQ(n, 1) << "every left entry visited once";
    for (int n : seenRight) EXPECT_EQ(n, 1) << "every right entry visited once";
  }
}

}  // namespace
