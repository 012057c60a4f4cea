// The report list: the shapes of its lines, the cap with and without its
// full-list line, and the counts behind the exit status.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/core/ErrorList.h"

namespace {

using common::ErrorList;
using common::FsError;
using common::FullListLine;
using Lines = std::vector<std::string>;

const std::string kFullLine = "Demasiados errores encontrados. S\xC3\xB3lo se muestran los 1000 primeros.";

TEST(ErrorList, LineShapesAndCounts) {
  ErrorList list({1001, FullListLine::Omitted});
  const FsError failure{ENOENT};
  list.AddNote("Cancelado por el usuario");
  list.AddNote("*dos");  // a note is kept as it is
  list.AddError("copy \"a\" \"b\"", failure);
  list.AddError("x", FsError{-5});
  list.AddError("y");  // no failure at hand
  list.AddFailureNote("Origen y destino se solapan");
  list.LogOperation(4, "delete \"/c/x\"", 1 | 2);
  list.LogOperation(4, "delete \"/c/y\"", 7);
  list.AddDifference("Falta archivo de destino: \"/c/z\"");
  EXPECT_EQ(list.Lines(), (Lines{"Cancelado por el usuario", "*dos",
                                 failure.Description() + " (2) en copy \"a\" \"b\"",
                                 FsError{-5}.Description() + " (-5) en x", " (0) en y",
                                 "Origen y destino se solapan", "delete \"/c/y\"",
                                 "Falta archivo de destino: \"/c/z\""}));
  EXPECT_FALSE(failure.Description().empty());
  EXPECT_EQ(list.Count(), 8);
  EXPECT_EQ(list.Failures(), 4);
  EXPECT_EQ(list.Differences(), 1);

  list.Clear();
  EXPECT_TRUE(list.Lines().empty());
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Failures(), 0);
  EXPECT_EQ(list.Differences(), 0);
}

TEST(ErrorList, TheCapKeepsTheFirstLinesAndCountsTheRest) {
  ErrorList list({1001, FullListLine::Omitted});
  for (int i = 0; i < 2500; ++i) list.AddError(std::to_string(i), FsError{EIO});
  ASSERT_EQ(list.Lines().size(), 1001u);
  EXPECT_EQ(list.Lines().back(), FsError{EIO}.Description() + " (5) en 1000");
  EXPECT_EQ(list.Count(), 2500);
  EXPECT_EQ(list.Failures(), 2500);
}

TEST(ErrorList, TheFullListLineFollowsTheThousandthLine) {
  ErrorList list({1000, FullListLine::Added});
  for (int i = 0; i < 999; ++i) list.AddDifference("d" + std::to_string(i));
  list.AddError("compare \"/o/x\" \"/c/x\"", FsError{EIO});
  list.AddError("compare \"/o/y\" \"/c/y\"", FsError{EIO});
  list.AddNote("Cancelado por el usuario");
  ASSERT_EQ(list.Lines().size(), 1001u);
  EXPECT_NE(list.Line(999).find("en compare \"/o/x\""), std::string::npos);
  EXPECT_EQ(list.Line(1000), kFullLine);
  // Dropped failures still count for the exit status.
  EXPECT_EQ(list.Failures(), 2);
  EXPECT_EQ(list.Differences(), 999);

  // A note finding exactly 1000 lines adds the full-list line too.
  ErrorList notes({1000, FullListLine::Added});
  for (int i = 0; i < 1000; ++i) notes.AddDifference("d");
  notes.AddNote("Cancelado por el usuario");
  ASSERT_EQ(notes.Lines().size(), 1001u);
  EXPECT_EQ(notes.Line(1000), kFullLine);
}

TEST(ErrorList, DifferencesAreNeverCappedButFailuresAfterThemAreDropped) {
  ErrorList list({1000, FullListLine::Added});
  for (int i = 0; i < 1200; ++i) list.AddDifference("d" + std::to_string(i));
  list.AddError("compare \"/o/x\" \"/c/x\"", FsError{EIO});
  ASSERT_EQ(list.Lines().size(), 1200u);
  EXPECT_EQ(list.Line(1199), "d1199");
  EXPECT_EQ(list.Failures(), 1);
}

}  // namespace
