#include "common/core/cLista.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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

TEST(cLista, AppendsKeepingItemsUntilCleared) {
  cLista l;
  for (int i = 0; i <= 100; ++i) l.AddItem("t" + std::to_string(i), i * 7);
  EXPECT_EQ(l.NewIndex(), 100);
  for (int i = 0; i <= 100; ++i) {
    EXPECT_EQ(l.List(i), "t" + std::to_string(i));
    EXPECT_EQ(l.ItemData(i), i * 7);
  }
  // Cleared, it is as a new list.
  l.Clear();
  EXPECT_EQ(l.ListCount(), 0);
  EXPECT_EQ(l.NewIndex(), -1);
  EXPECT_EQ(l.FindItemData(0), -1);
}

TEST(cLista, FindItemDataGivesLowerIndex) {
  cLista l = Make({{"a", 5}, {"b", 9}, {"c", 9}});
  EXPECT_EQ(l.FindItemData(9), 1);
  EXPECT_EQ(l.FindItemData(4), -1);
}

TEST(cLista, IndexOutsideTheItemsThrows) {
  cLista l = Make({{"a", 1}, {"b", 2}});
  for (int32_t bad : {-1, 2, 100, 101, INT32_MIN, INT32_MAX}) {
    EXPECT_THROW(l.List(bad), std::out_of_range) << bad;
    EXPECT_THROW(l.ItemData(bad), std::out_of_range) << bad;
    EXPECT_THROW(l.SetList(bad, "q"), std::out_of_range) << bad;
    EXPECT_THROW(l.SetItemData(bad, 7), std::out_of_range) << bad;
  }
  EXPECT_EQ(Contents(l), (Items{{"a", 1}, {"b", 2}}));
}

TEST(cLista, WritingAnItemChangesOnlyThatItem) {
  cLista l = Make({{"c", 1}, {"a", 2}, {"b", 3}});
  l.SetList(1, "zz");
  l.SetItemData(2, 42);
  EXPECT_EQ(Contents(l), (Items{{"c", 1}, {"zz", 2}, {"b", 42}}));
}

TEST(cLista, AddFrom) {
  cLista l = Make({{"a", 1}, {"b", 2}});
  cLista other = Make({{"c", 3}});
  l.AddFrom(other);
  EXPECT_EQ(Contents(l), (Items{{"a", 1}, {"b", 2}, {"c", 3}}));
  l.AddFrom(l);
  EXPECT_EQ(Contents(l), (Items{{"a", 1}, {"b", 2}, {"c", 3}, {"a", 1}, {"b", 2}, {"c", 3}}));

  // Appending itself when the storage must grow: long texts, so a copy made
  // from a moved-out item would show.
  cLista many;
  for (int i = 0; i < 80; ++i) many.AddItem(std::string(40, 'k') + std::to_string(i), i);
  many.AddFrom(many);
  ASSERT_EQ(many.ListCount(), 160);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(many.List(80 + i), many.List(i));
}

}  // namespace
