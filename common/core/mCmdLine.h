#pragma once
// mCmdLine: the command-line parser both programs share. It splits one
// argument text into switches (name + optional value) and positional
// arguments, then answers the start-up routine's questions about them.
//
// Grammar: switches first ("-" or "/" prefix, name up to the first blank or
// ":", value after ":" either double-quoted or up to the next blank), then
// positional arguments separated by blanks, optionally double-quoted. At most
// 20 switches and 10 positional arguments are recorded.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace common {

class mCmdLine {
 public:
  static constexpr int kMaxOptions = 20;
  static constexpr int kMaxArgs = 10;

  // text: the argument text without the program's own path, beginning at
  // its first non-blank character. Call once, before any query.
  void ParseCommandLine(std::string_view text);

  bool HasOption(std::string_view name) const;             // any case
  std::string GetOptionValue(std::string_view name) const; // first switch of that name
  std::string GetArg(int index) const;                     // 1..10; 0 or beyond count gives ""

  int OptionCount() const { return static_cast<int>(options_.size()); }
  int ArgCount() const { return static_cast<int>(args_.size()); }
  // The i-th switch (1..OptionCount): its name in capitals, and its text as
  // it stood in the argument text (prefix, name and value), for messages.
  std::string OptionName(int i) const;
  std::string OptionText(int i) const;

 private:
  struct Option {
    std::string name;   // in capitals
    std::string value;
    std::string text;   // as it stood in the argument text
  };

  std::vector<Option> options_;    // at most kMaxOptions
  std::vector<std::string> args_;  // at most kMaxArgs
};

// Rebuilds the one argument text from the arguments Linux delivers already
// split (argv[1..]): elements joined by one blank; an element that is empty
// or holds a blank is wrapped in double quotes. An element beginning with
// "/" whose name (up to its first ":") is one of ownSwitches, in any case,
// is a switch whatever exists on disk. Any other element beginning with "/"
// counts as a switch only when the text before its first ":" holds no
// further "/" and does not name an existing file or folder; otherwise it is
// a path and is quoted, so the parser takes it as positional. "--" ends the
// switches: it is dropped and every later element is quoted as a path.
// ownSwitches are names without prefix; pathExists defaults to an
// lstat-based test, tests may pass their own.
std::string BuildArgumentText(const std::vector<std::string>& args,
                              std::span<const std::string_view> ownSwitches,
                              const std::function<bool(const std::string&)>& pathExists = {});

#ifdef _WIN32
// The process's argument text as Windows gives it (GetCommandLineW, in
// UTF-8): the command line without the program's path (quoted, or up to the
// first blank or tab), from its first character that is no blank or tab.
std::string ProcessArgumentText();
// The same cut of a given command line.
std::string ArgumentTextOf(std::string_view commandLine);
#endif

// What keeps a parsed command line from running: the line that says so, or
// "" when nothing does. The first switch whose name is not among known gives
// "Opción desconocida: <switch as given>"; else a positional argument beyond
// maxArgs gives "Sobra el argumento: <argument>".
std::string CommandLineProblem(const mCmdLine& cmd, std::span<const std::string_view> known,
                               int maxArgs);

}  // namespace common
