// The error list: line shapes, growth and the count of failures.

#include <gtest/gtest.h>

#include <cerrno>

#include "update/core/ErrorList.h"
#include "update/core/Options.h"

namespace updatetest {
namespace {

TEST(ErrorList, LineShapes) {
  update::ErrorList list;
  common::FsError failure{ENOENT};
  list.AddError("*Cancelado por el usuario", failure);  // a note, even with a failure at hand
  list.AddError("**dos", failure);
  list.AddError("copy \"a\" \"b\"", failure);
  list.AddError("x", common::FsError{-5});
  list.AddError("", failure);
  ASSERT_EQ(list.ErrorCount(), 5);
  EXPECT_EQ(list.Line(0), "Cancelado por el usuario");
  EXPECT_EQ(list.Line(1), "*dos");
  EXPECT_EQ(list.Line(2), failure.Description() + " (2) en copy \"a\" \"b\"");
  EXPECT_EQ(list.Line(3), common::FsError{-5}.Description() + " (-5) en x");
  EXPECT_EQ(list.Line(4), failure.Description() + " (2) en ");
  EXPECT_EQ(list.FailureCount(), 3);

  list.LogOperation(update::OpDelete, "delete \"/c/x\"", update::OpCreate | update::OpUpdate);
  EXPECT_EQ(list.ErrorCount(), 5);
  list.LogOperation(update::OpDelete, "delete \"/c/x\"", update::OpAll);
  EXPECT_EQ(list.Line(5), "delete \"/c/x\"");
  EXPECT_EQ(list.FailureCount(), 3);
}

TEST(ErrorList, GrowsByAThousandKeepingEveryLine) {
  update::ErrorList list;
  EXPECT_EQ(list.Slots(), 1001);
  for (int i = 0; i < 1000; ++i) list.AddError("*" + std::to_string(i));
  EXPECT_EQ(list.Slots(), 1001);
  list.AddError("*1000");
  EXPECT_EQ(list.Slots(), 2001);
  for (int i = 1001; i < 2500; ++i) list.AddError("*" + std::to_string(i));
  EXPECT_EQ(list.Slots(), 3001);
  ASSERT_EQ(list.ErrorCount(), 2500);
  for (int i = 0; i < 2500; ++i) ASSERT_EQ(list.Line(i), std::to_string(i));
  EXPECT_EQ(list.Lines(1001).size(), 1001u);
  EXPECT_EQ(list.Lines(1001).back(), "1000");
  EXPECT_EQ(list.FailureCount(), 0);
}

TEST(ErrorList, ResetStartsARunButKeepsTheSlots) {
  update::ErrorList list;
  for (int i = 0; i < 1500; ++i) list.AddError("ctx", common::FsError{EIO});
  list.Reset();
  EXPECT_EQ(list.ErrorCount(), 0);
  EXPECT_EQ(list.FailureCount(), 0);
  EXPECT_EQ(list.Slots(), 2001);
  EXPECT_TRUE(list.Lines(1001).empty());
  EXPECT_THROW(list.Line(0), std::out_of_range);
  list.AddFailureNote("Origen y destino se solapan");
  EXPECT_EQ(list.Line(0), "Origen y destino se solapan");
  EXPECT_EQ(list.FailureCount(), 1);
}

}  // namespace
}  // namespace updatetest
