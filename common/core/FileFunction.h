#pragma once
// FileFunction: the path helpers both programs share. They work on the
// platform's one separator character ("/" on Linux) and never normalise a
// path (no trimming, no collapsing of doubled separators, no "." or "..").

#include <string>

namespace common {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// folder and name joined by one separator (none added when folder ends with one).
std::string JoinPath(const std::string& folder, const std::string& name);
// Text after the last separator; the whole path when it has none.
std::string GetFileName(const std::string& path);
// Text before the last separator; "" when it has none.
std::string GetParentPath(const std::string& path);
// True when the path names an existing folder (links followed); false on any failure.
bool DirExists(const std::string& path);
// Creates the folder and every missing parent, outermost first
// (FileSystem::MakeFolderTree without fault injection). Returns 0 on
// success or the errno of the first creation that failed (nothing deeper is
// attempted). An absolute path's chain ends at "/", a relative one at the
// current folder, so it ends for every input.
int MakeDirTree(const std::string& path);

// A path as report lines show it: in double quotes, with control characters
// (line feed, carriage return, tab, other bytes below 0x20 and 0x7F) written
// as \n, \r, \t or \xHH, so that one entry is always one line of a report.
std::string QuotePath(const std::string& path);

}  // namespace common
