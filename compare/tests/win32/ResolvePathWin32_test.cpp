// compare makes its two folders absolute as a Windows user writes them:
// drive letters, "\", network paths, and a drive's own current folder.

#include <gtest/gtest.h>

#include <string>

#include "common/core/win32/Win32Detail.h"
#include "compare/core/Options.h"

namespace {

using compare::ResolvePath;

TEST(Win32ResolvePath, FollowsTheDriveAndNetworkRules) {
  struct Case {
    const char* path;
    const char* base;
    const char* expected;
  };
  for (const Case& c : {
           // A drive with its root, and a network path, are absolute.
           Case{"C:\\datos", "D:\\trabajo", "C:\\datos"},
           Case{"\\\\servidor\\recurso", "D:\\trabajo", "\\\\servidor\\recurso"},
           // Parts applied one by one, by "\" only.
           Case{"a", "D:\\trabajo", "D:\\trabajo\\a"},
           Case{"sub\\..\\otra", "D:\\trabajo", "D:\\trabajo\\otra"},
           Case{"..\\b", "D:\\home\\ana\\trabajo", "D:\\home\\ana\\b"},
           Case{"a/b", "D:\\trabajo", "D:\\trabajo\\a/b"},
           // A drive's root as base is put in front; nothing is resolved.
           Case{"..\\x", "C:\\", "C:\\..\\x"},
           // Going up from the first level leaves the drive.
           Case{"..", "C:\\a", "C:"},
           Case{"a\\b", "", "a\\b"},
       })
    EXPECT_EQ(ResolvePath(c.path, c.base), c.expected) << c.path << " @ " << c.base;
}

TEST(Win32ResolvePath, ADriveWithoutRootStartsAtThatDrivesCurrentFolder) {
  const std::string current = compare::CurrentFolder();
  ASSERT_GE(current.size(), 3u);
  ASSERT_EQ(current[1], ':');
  const std::string base = current.back() == '\\' ? current : current + "\\";
  EXPECT_EQ(ResolvePath(current.substr(0, 2) + "datos", "Q:\\otra"), base + "datos");
  EXPECT_EQ(ResolvePath(current.substr(0, 2) + "..\\x", "Q:\\otra"),
            current.size() == 3 ? current + "x" : compare::ResolvePath("..\\x", current));
}

}  // namespace
