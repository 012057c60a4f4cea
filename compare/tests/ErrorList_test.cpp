// The report list of compare: the two shapes of AddError's lines, the cap
// that only AddError respects, and the counts behind the exit status.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "compare/core/ErrorList.h"

namespace {

using common::FsError;
using compare::ErrorList;

const std::string kCapLine = "Demasiados errores encontrados. S\xC3\xB3lo se muestran los 1000 primeros.";

TEST(ErrorListTest, ErrorLineHasDescriptionNumberAndContext) {
  ErrorList list;
  list.AddError("compare \"/o/a\" \"/c/a\"", FsError{EIO});
  ASSERT_EQ(list.ListCount(), 1);
  EXPECT_EQ(list.List(0), FsError{EIO}.Description() + " (5) en compare \"/o/a\" \"/c/a\"");
  EXPECT_FALSE(FsError{EIO}.Description().empty());
  EXPECT_EQ(list.Failures(), 1);
  EXPECT_EQ(list.Differences(), 0);
}

TEST(ErrorListTest, NoteLinesLoseOnlyTheirFirstStar) {
  ErrorList list;
  list.AddError("*Cancelado por el usuario", FsError{EIO});
  list.AddError("**doble", FsError{});
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"Cancelado por el usuario", "*doble"}));
  EXPECT_EQ(list.Failures(), 0);
}

TEST(ErrorListTest, CapLineFollowsTheThousandthLine) {
  ErrorList list;
  for (int i = 0; i < 999; ++i) list.AddDifference("Falta archivo de destino: \"/c/" + std::to_string(i) + "\"");
  list.AddError("compare \"/o/x\" \"/c/x\"", FsError{EIO});
  list.AddError("compare \"/o/y\" \"/c/y\"", FsError{EIO});
  list.AddError("compare \"/o/z\" \"/c/z\"", FsError{EIO});
  list.AddError("*Cancelado por el usuario", FsError{});
  ASSERT_EQ(list.ListCount(), 1001);
  EXPECT_NE(list.List(999).find("en compare \"/o/x\""), std::string::npos);
  EXPECT_EQ(list.List(1000), kCapLine);
  // Dropped failures still count for the exit status.
  EXPECT_EQ(list.Failures(), 3);
  EXPECT_EQ(list.Differences(), 999);
}

TEST(ErrorListTest, DifferencesAreNeverCappedButFailuresAfterThemAreDropped) {
  ErrorList list;
  for (int i = 0; i < 1200; ++i) list.AddDifference("d" + std::to_string(i));
  list.AddError("compare \"/o/x\" \"/c/x\"", FsError{EIO});
  ASSERT_EQ(list.ListCount(), 1200);
  EXPECT_EQ(list.List(1199), "d1199");
  EXPECT_EQ(list.Failures(), 1);
}

TEST(ErrorListTest, ANoteFindingExactlyAThousandLinesAddsTheCapLine) {
  ErrorList list;
  for (int i = 0; i < 1000; ++i) list.AddDifference("d");
  list.AddError("*Cancelado por el usuario", FsError{});
  ASSERT_EQ(list.ListCount(), 1001);
  EXPECT_EQ(list.List(1000), kCapLine);
}

}  // namespace
