#include "common/core/mCmdLine.h"

#include "common/core/FileSystem.h"
#ifdef _WIN32
#include "common/core/win32/Win32Detail.h"
#endif

namespace common {
namespace {

// Only the blank separates; a tab is an ordinary character.
std::string_view Trim(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

// ASCII-wise, so that the result never depends on the locale.
std::string ToUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool IsPrefix(char c) { return c == '-' || c == '/'; }

// Reads a quoted or blank-ended token from the start of s, as both a switch
// value and a positional argument are read. s becomes what follows it.
std::string TakeToken(std::string_view& s) {
  if (!s.empty() && s.front() == '"') {
    size_t q = s.find('"', 1);
    if (q == std::string_view::npos) {
      // No closing quote: the rest of the text, blanks included.
      std::string token(s.substr(1));
      s = {};
      return token;
    }
    std::string token(s.substr(1, q - 1));
    s = Trim(s.substr(q + 1));
    return token;
  }
  size_t p = s.find(' ');
  std::string token(s.substr(0, p));
  s = p == std::string_view::npos ? std::string_view() : Trim(s.substr(p));
  return token;
}

}  // namespace

void mCmdLine::ParseCommandLine(std::string_view text) {
  // Starting afresh, a second call never answers with what an earlier text
  // left behind.
  options_.clear();
  args_.clear();

  std::string_view s = text;

  // Switch phase.
  while (!s.empty() && IsPrefix(s.front()) && OptionCount() < kMaxOptions) {
    Option& option = options_.emplace_back();
    const std::string_view start = s;
    const size_t bp = s.find(' ');
    const size_t cp = s.find(':');
    if (cp != std::string_view::npos && (bp == std::string_view::npos || bp > cp)) {
      option.name = ToUpper(s.substr(1, cp - 1));
      std::string_view rest = s.substr(cp + 1);
      option.value = TakeToken(rest);
      s = rest;
    } else if (bp != std::string_view::npos) {
      option.name = ToUpper(s.substr(1, bp - 1));
      s = Trim(s.substr(bp));
    } else {
      option.name = ToUpper(s.substr(1));
      s = {};
    }
    // What is left is a tail of the switch's start; only blanks lie between.
    std::string_view taken = start.substr(0, start.size() - s.size());
    option.text = std::string(taken.substr(0, taken.find_last_not_of(' ') + 1));
  }

  // Positional phase.
  s = Trim(s);
  while (!s.empty() && ArgCount() < kMaxArgs) args_.push_back(TakeToken(s));
}

bool mCmdLine::HasOption(std::string_view name) const {
  const std::string wanted = ToUpper(name);
  for (const Option& option : options_)
    if (option.name == wanted) return true;
  return false;
}

std::string mCmdLine::GetOptionValue(std::string_view name) const {
  const std::string wanted = ToUpper(name);
  for (const Option& option : options_)
    if (option.name == wanted) return option.value;
  return {};
}

// The queries count from 1, as the switches and arguments are numbered in
// messages; the containers hold them from 0.
std::string mCmdLine::OptionName(int i) const {
  if (i < 1 || i > OptionCount()) return {};
  return options_[static_cast<size_t>(i - 1)].name;
}

std::string mCmdLine::OptionText(int i) const {
  if (i < 1 || i > OptionCount()) return {};
  return options_[static_cast<size_t>(i - 1)].text;
}

std::string mCmdLine::GetArg(int index) const {
  if (index < 1 || index > ArgCount()) return {};
  return args_[static_cast<size_t>(index - 1)];
}

namespace {

bool LstatExists(const std::string& path) {
  EntryInfo info;
  return !FileSystem().Stat(path, info);
}

bool IsOwnSwitch(std::string_view head, std::span<const std::string_view> ownSwitches) {
  const std::string name = ToUpper(head.substr(1));
  for (std::string_view own : ownSwitches)
    if (ToUpper(own) == name) return true;
  return false;
}

bool HasBlank(std::string_view s) { return s.find(' ') != std::string_view::npos; }
bool HasQuote(std::string_view s) { return s.find('"') != std::string_view::npos; }

// How one element goes into the text. The parser has no escape for a double
// quote inside a quoted text, so an element that holds a double quote and
// still needs quoting cannot be read back whole: readable is false then.
struct Piece {
  std::string text;
  bool readable = true;
};

// A positional element (a path, or anything after "--"). quoteAlways: the
// element is quoted even without a blank, which also ends the switch phase.
Piece PositionalPiece(const std::string& e, bool quoteAlways, bool switchPhaseOver) {
  const bool beginsLikeSwitch = !e.empty() && IsPrefix(e.front());
  const bool bareIsSafe = !e.empty() && !HasBlank(e) && e.front() != '"' &&
                          (!beginsLikeSwitch || switchPhaseOver);
  if (!HasQuote(e)) {
    if (quoteAlways || !bareIsSafe) return {"\"" + e + "\""};
    return {e};
  }
  if (bareIsSafe) return {e};
  return {{}, false};
}

// A switch element: the name part goes as it is, the value is quoted when it
// holds a blank or would be taken for a quoted text.
Piece SwitchPiece(const std::string& e) {
  const size_t cp = e.find(':');
  if (cp == std::string::npos) return {e};
  const std::string value = e.substr(cp + 1);
  const bool bareIsSafe = !HasBlank(value) && (value.empty() || value.front() != '"');
  if (bareIsSafe) return {e};
  if (HasQuote(value)) return {{}, false};
  return {e.substr(0, cp + 1) + "\"" + value + "\""};
}

}  // namespace

std::string BuildArgumentText(const std::vector<std::string>& args,
                              std::span<const std::string_view> ownSwitches,
                              const std::function<bool(const std::string&)>& pathExists) {
  auto exists = [&pathExists](const std::string& p) {
    return pathExists ? pathExists(p) : LstatExists(p);
  };

  std::string text;
  bool afterDoubleDash = false;
  bool switchPhaseOver = false;
  int switches = 0;
  for (const std::string& e : args) {
    if (!afterDoubleDash && e == "--") {
      afterDoubleDash = true;
      continue;
    }

    Piece piece;
    if (afterDoubleDash) {
      piece = PositionalPiece(e, true, switchPhaseOver);
    } else if (!e.empty() && IsPrefix(e.front())) {
      const std::string head = e.substr(0, e.find(':'));
      bool isSwitch = !HasBlank(head);  // a blank cannot be read back inside a switch name
      if (isSwitch && e.front() == '/' && !IsOwnSwitch(head, ownSwitches)) {
        // The program's own switch names are switches even where a folder
        // "/u" exists: a switch read as a folder would shift the folders
        // given and mirror the wrong tree. Of the other words, "/home/x",
        // "/tmp" and "/" are paths, and so is any that exists on disk.
        isSwitch = head.find('/', 1) == std::string::npos && !exists(head) &&
                   (head.size() == e.size() || !exists(e));
      }
      if (!isSwitch) {
        piece = PositionalPiece(e, true, switchPhaseOver);
      } else if (switchPhaseOver) {
        // The parser reads it as a positional argument now; keep it one token.
        piece = PositionalPiece(e, false, switchPhaseOver);
      } else {
        piece = SwitchPiece(e);
      }
    } else {
      piece = PositionalPiece(e, false, switchPhaseOver);
    }

    // An element that cannot be read back whole ends the text there: the
    // program then sees fewer folders than given and never runs on a
    // mangled path.
    if (!piece.readable) break;
    if (!text.empty()) text += ' ';
    text += piece.text;
    // The parser's switch phase ends at the first token without a prefix,
    // and after the last switch it records: a 21st switch is read as a
    // positional argument, so it must be written as one (a quoted value
    // would otherwise come back split in two).
    if (!IsPrefix(piece.text.front())) {
      switchPhaseOver = true;
    } else if (!switchPhaseOver && ++switches == mCmdLine::kMaxOptions) {
      switchPhaseOver = true;
    }
  }
  return text;
}

#ifdef _WIN32
std::string ArgumentTextOf(std::string_view commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    i = commandLine.find('"', 1);
    i = i == std::string_view::npos ? commandLine.size() : i + 1;
  } else {
    while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  }
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  return std::string(commandLine.substr(i));
}

std::string ProcessArgumentText() { return ArgumentTextOf(win32::Narrow(::GetCommandLineW())); }
#endif

std::string CommandLineProblem(const mCmdLine& cmd, std::span<const std::string_view> known,
                               int maxArgs) {
  for (int i = 1; i <= cmd.OptionCount(); ++i) {
    const std::string name = cmd.OptionName(i);
    bool isKnown = false;
    for (std::string_view k : known) isKnown = isKnown || ToUpper(k) == name;
    if (!isKnown) return "Opción desconocida: " + cmd.OptionText(i);
  }
  if (cmd.ArgCount() > maxArgs) return "Sobra el argumento: " + cmd.GetArg(maxArgs + 1);
  return {};
}

}  // namespace common
