#include "common/core/cLista.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/core/NameKey.h"

namespace {

using common::cLista;

using Items = std::vector<std::pair<std::string, int32_t>>;

Items Contents(const cLista& l) {
  Items out;
  for (int32_t i = 0; i < l.ListCount(); ++i) out.emplace_back(l.List(i), l.ItemData(i));
  return out;
}

cLista Make(const Items& items) {
  cLista l;
  for (const auto& [t, v] : items) l.AddItem(t, v);
  return l;
}

// The exchange sort the list's order is defined by: n(n-1)/2 comparisons,
// only a strictly smaller text moves.
Items ExchangeSorted(Items items) {
  const int n = static_cast<int>(items.size());
  for (int p = 0; p <= n - 2; ++p)
    for (int j = n - 2; j >= p; --j)
      if (common::CompareNames(items[j + 1].first, items[j].first) < 0)
        std::swap(items[j], items[j + 1]);
  return items;
}

TEST(cLista, NewListIsEmpty) {
  cLista l;
  EXPECT_EQ(l.ListCount(), 0);
  EXPECT_EQ(l.NewIndex(), -1);
  EXPECT_EQ(l.Capacity(), 100);
  EXPECT_EQ(l.Find("x"), -1);
  EXPECT_EQ(l.FindItemData(0), -1);
  l.Sort();
  EXPECT_EQ(l.ListCount(), 0);
}

TEST(cLista, GrowsByHundredKeepingItems) {
  cLista l;
  for (int i = 0; i < 100; ++i) l.AddItem("t" + std::to_string(i), i * 7);
  EXPECT_EQ(l.Capacity(), 100);
  l.AddItem("t100", 700);
  EXPECT_EQ(l.Capacity(), 200);
  EXPECT_EQ(l.NewIndex(), 100);
  for (int i = 0; i <= 100; ++i) {
    EXPECT_EQ(l.List(i), "t" + std::to_string(i));
    EXPECT_EQ(l.ItemData(i), i * 7);
  }
  l.Clear();
  EXPECT_EQ(l.ListCount(), 0);
  EXPECT_EQ(l.Capacity(), 100);
}

TEST(cLista, SortCases) {
#ifdef _WIN32
  // The cases rest on Unicode folding and normalisation, the Linux
  // comparison; Win32Names covers the Windows one.
  GTEST_SKIP() << "Linux name rules";
#endif
  struct Case {
    const char* name;
    Items in;
    Items out;
  } cases[] = {
      {"equal texts keep their order", {{"b", 0}, {"A", 1}, {"a", 2}}, {{"A", 1}, {"a", 2}, {"b", 0}}},
      {"values travel with texts",
       {{"Zeta", 1}, {"alfa", 2}, {"Beta", 3}},
       {{"alfa", 2}, {"Beta", 3}, {"Zeta", 1}}},
      {"one item", {{"x", 5}}, {{"x", 5}}},
      {"already sorted", {{"a", 1}, {"B", 2}, {"c", 3}}, {{"a", 1}, {"B", 2}, {"c", 3}}},
      {"accents and forms",
       {{"\xC3\xA9", 1}, {"e", 2}, {"E\xCC\x81", 3}, {"\xC3\x89", 4}},
       {{"e", 2}, {"\xC3\xA9", 1}, {"E\xCC\x81", 3}, {"\xC3\x89", 4}}},
  };
  for (const auto& c : cases) {
    cLista l = Make(c.in);
    l.Sort();
    EXPECT_EQ(Contents(l), c.out) << c.name;
    EXPECT_EQ(ExchangeSorted(c.in), c.out) << c.name << " (reference)";
  }
}

TEST(cLista, LargeSortMatchesExchangeSortOnSamples) {
  // Few distinct keys in many spellings, so most items have equal twins and
  // stability is what decides their order.
  const char* stems[] = {"a", "B", "\xC3\xA9", "E\xCC\x81", "\xC3\x89", "ss", "stra\xC3\x9F" "e",
                         "Strasse", "z", "10", "9", "_x", "\xFF\x01", ""};
  std::mt19937 rng(12345);
  auto randomName = [&]() {
    std::string s;
    int parts = 1 + static_cast<int>(rng() % 3);
    for (int p = 0; p < parts; ++p) s += stems[rng() % std::size(stems)];
    return s;
  };

  Items all;
  for (int32_t i = 0; i < 100000; ++i) all.emplace_back(randomName(), i);
  cLista big = Make(all);
  big.Sort();
  ASSERT_EQ(big.ListCount(), 100000);
  EXPECT_EQ(big.Capacity(), 100000);

  // The sorted list is ordered, and equal texts keep their original order
  // (their values, the original positions, ascend).
  for (int32_t i = 1; i < big.ListCount(); ++i) {
    int c = common::CompareNames(big.List(i - 1), big.List(i));
    ASSERT_LE(c, 0) << "at " << i;
    if (c == 0) {
      ASSERT_LT(big.ItemData(i - 1), big.ItemData(i)) << "at " << i;
    }
  }

  // Random samples of the same kind of input, checked against the quadratic
  // reference item by item.
  for (int round = 0; round < 20; ++round) {
    Items sample;
    int n = 50 + static_cast<int>(rng() % 250);
    for (int i = 0; i < n; ++i) sample.push_back(all[rng() % all.size()]);
    cLista l = Make(sample);
    l.Sort();
    ASSERT_EQ(Contents(l), ExchangeSorted(sample)) << "round " << round;
  }
}

TEST(cLista, FindUsesTheNameComparison) {
#ifdef _WIN32
  // NFC and NFD spellings match only under the Linux comparison.
  GTEST_SKIP() << "Linux name rules";
#endif
  cLista l = Make({{"x", 1}, {"abc", 2}, {"ABC", 3}, {"Caf\xC3\xA9", 4}});
  EXPECT_EQ(l.Find("ABC"), 1);
  EXPECT_EQ(l.Find("aBc"), 1);
  EXPECT_EQ(l.Find("CAFE\xCC\x81"), 3);
  EXPECT_EQ(l.Find("cafe"), -1);
  EXPECT_EQ(l.Find("ab"), -1);
}

TEST(cLista, FindItemDataGivesLowerIndex) {
  cLista l = Make({{"a", 5}, {"b", 9}, {"c", 9}});
  EXPECT_EQ(l.FindItemData(9), 1);
  EXPECT_EQ(l.FindItemData(4), -1);
}

TEST(cLista, RemoveItem) {
  cLista l = Make({{"x", 1}, {"y", 2}, {"z", 3}});
  l.RemoveItem(0);
  EXPECT_EQ(Contents(l), (Items{{"y", 2}, {"z", 3}}));
  l.RemoveItem(1);
  EXPECT_EQ(Contents(l), (Items{{"y", 2}}));
  EXPECT_EQ(l.Capacity(), 100);
  l.RemoveItem(0);
  EXPECT_EQ(l.ListCount(), 0);
  EXPECT_THROW(l.RemoveItem(0), std::out_of_range);
  EXPECT_EQ(l.ListCount(), 0) << "a failed removal never leaves a negative count";
  EXPECT_EQ(l.NewIndex(), -1);
}

TEST(cLista, IndexOutsideTheItemsThrows) {
  cLista l = Make({{"a", 1}, {"b", 2}});
  for (int32_t bad : {-1, 2, 100, 101, INT32_MIN, INT32_MAX}) {
    EXPECT_THROW(l.List(bad), std::out_of_range) << bad;
    EXPECT_THROW(l.ItemData(bad), std::out_of_range) << bad;
    EXPECT_THROW(l.SetList(bad, "q"), std::out_of_range) << bad;
    EXPECT_THROW(l.SetItemData(bad, 7), std::out_of_range) << bad;
    EXPECT_THROW(l.RemoveItem(bad), std::out_of_range) << bad;
  }
  EXPECT_EQ(Contents(l), (Items{{"a", 1}, {"b", 2}}));
}

TEST(cLista, WritingAnItemDoesNotResort) {
  cLista l = Make({{"c", 1}, {"a", 2}, {"b", 3}});
  l.Sort();
  l.SetList(1, "zz");
  l.SetItemData(2, 42);
  EXPECT_EQ(Contents(l), (Items{{"a", 2}, {"zz", 3}, {"c", 42}}));
}

TEST(cLista, CopyFrom) {
  cLista source;
  for (int i = 0; i < 250; ++i) source.AddItem("s" + std::to_string(i), -i);

  cLista fresh;
  fresh.CopyFrom(source);
  EXPECT_EQ(fresh.Capacity(), 300);
  EXPECT_EQ(Contents(fresh), Contents(source));

  // Enough capacity already: it stays, and the old items are gone.
  cLista roomy;
  for (int i = 0; i < 450; ++i) roomy.AddItem("r", i);
  roomy.CopyFrom(source);
  EXPECT_EQ(roomy.Capacity(), 500);
  EXPECT_EQ(Contents(roomy), Contents(source));

  cLista empty;
  roomy.CopyFrom(empty);
  EXPECT_EQ(roomy.ListCount(), 0);

  fresh.CopyFrom(fresh);
  EXPECT_EQ(Contents(fresh), Contents(source));
}

TEST(cLista, AddFrom) {
  cLista l = Make({{"a", 1}, {"b", 2}});
  cLista other = Make({{"c", 3}});
  l.AddFrom(other);
  EXPECT_EQ(Contents(l), (Items{{"a", 1}, {"b", 2}, {"c", 3}}));
  l.AddFrom(l);
  EXPECT_EQ(Contents(l), (Items{{"a", 1}, {"b", 2}, {"c", 3}, {"a", 1}, {"b", 2}, {"c", 3}}));

  // Appending itself past the capacity step.
  cLista many;
  for (int i = 0; i < 80; ++i) many.AddItem(std::string(40, 'k') + std::to_string(i), i);
  many.AddFrom(many);
  ASSERT_EQ(many.ListCount(), 160);
  EXPECT_EQ(many.Capacity(), 200);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(many.List(80 + i), many.List(i));
}

}  // namespace
