// The argument parser must take any text, and the argv rebuild must never
// hand the parser a mangled element: every switch and every positional
// argument the parser reads back is one of the elements given, in their
// order, and an element that names an existing path is never a switch
// unless its name is one of the program's own.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/mCmdLine.h"
#include "fuzz/FuzzCheck.h"


namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

// Which texts count as existing paths: a fixed rule, so that both kinds of
// element meet in one input; "/u" and "/test" exist too.
bool Exists(const std::string& path) { return path.size() % 3 == 0; }

// update's own switch names.
const std::string_view kOwn[] = {"?",     "u",    "test", "log", "exec",
                                 "debug", "vars", "ct",   "createtarget", "logfile"};

// A switch element's name (up to its first ":", in capitals) and value.
std::string SwitchName(const std::string& e) {
  size_t cp = e.find(':');
  return Upper(e.substr(1, cp == std::string::npos ? std::string::npos : cp - 1));
}
std::string SwitchValue(const std::string& e) {
  size_t cp = e.find(':');
  return cp == std::string::npos ? std::string() : e.substr(cp + 1);
}

bool IsOwn(const std::string& e) {
  for (std::string_view own : kOwn)
    if (SwitchName(e) == Upper(std::string(own))) return true;
  return false;
}

// Whether an element may be a switch at all: it begins with "-" or "/",
// its name holds no blank, and a "/" one is one of the program's own names
// or no path: no further "/" before its first ":", and neither that head
// nor the whole element exists.
bool MayBeSwitch(const std::string& e) {
  if (e.empty() || (e[0] != '/' && e[0] != '-')) return false;
  const std::string head = e.substr(0, e.find(':'));
  if (head.find(' ') != std::string::npos) return false;
  if (e[0] == '-' || IsOwn(e)) return true;
  return head.find('/', 1) == std::string::npos && !Exists(head) &&
         (head.size() == e.size() || !Exists(e));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);

  // Any text parses, within the table limits.
  common::mCmdLine any;
  any.ParseCommandLine(text);
  FUZZ_CHECK(any.OptionCount() >= 0 && any.OptionCount() <= common::mCmdLine::kMaxOptions);
  FUZZ_CHECK(any.ArgCount() >= 0 && any.ArgCount() <= common::mCmdLine::kMaxArgs);
  for (int i = 0; i <= common::mCmdLine::kMaxArgs + 1; ++i) (void)any.GetArg(i);
  // Every switch's text as given begins with its prefix; the problem line
  // names what stops the run, or nothing.
  for (int i = 1; i <= any.OptionCount(); ++i) {
    const std::string given = any.OptionText(i);
    FUZZ_CHECK(!given.empty() && (given[0] == '/' || given[0] == '-'));
    FUZZ_CHECK(text.find(given) != std::string::npos);
  }
  const std::string problem = common::CommandLineProblem(any, kOwn, 2);
  FUZZ_CHECK(problem.empty() == (any.ArgCount() <= 2 && [&] {
               for (int i = 1; i <= any.OptionCount(); ++i)
                 if (!IsOwn("/" + any.OptionName(i))) return false;
               return true;
             }()));
  (void)any.GetOptionValue(text);

  // The same bytes as the elements of an argv, split at NUL bytes.
  std::vector<std::string> elements(1);
  for (char c : text) {
    if (c == '\0') elements.emplace_back();
    else elements.back() += c;
  }

  common::mCmdLine cmd;
  cmd.ParseCommandLine(common::BuildArgumentText(elements, kOwn, Exists));

  // Positional arguments: elements, in order (possibly fewer than given).
  size_t at = 0;
  for (int k = 1; k <= cmd.ArgCount(); ++k) {
    const std::string arg = cmd.GetArg(k);
    while (at < elements.size() && elements[at] != arg) ++at;
    FUZZ_CHECK(at < elements.size());
    ++at;
  }

  // Switches: no more than the elements that may be switches; each name
  // read back belongs to such an element and carries the value of one of
  // them; an element that names an existing path is never a switch.
  int legitCount = 0;
  bool dashes = false;
  for (const std::string& e : elements) {
    if (!dashes && e == "--") {
      dashes = true;
      continue;
    }
    if (!dashes && MayBeSwitch(e)) ++legitCount;
  }
  FUZZ_CHECK(cmd.OptionCount() <= legitCount);
  for (const std::string& e : elements) {
    if (e.empty() || (e[0] != '/' && e[0] != '-')) continue;
    const std::string name = SwitchName(e);
    if (!cmd.HasOption(name)) continue;
    const std::string value = cmd.GetOptionValue(name);
    bool found = false;
    for (const std::string& f : elements)
      found = found || (MayBeSwitch(f) && SwitchName(f) == name && SwitchValue(f) == value);
    FUZZ_CHECK(found);
  }

  // Elements after "--" are paths: each one comes back as it was, as long
  // as it holds no double quote (the grammar has no escape for one).
  std::vector<std::string> paths(elements.begin() + 1, elements.end());
  std::vector<std::string> dashed{"--"};
  dashed.insert(dashed.end(), paths.begin(), paths.end());
  bool plain = true;
  for (const auto& p : paths) plain = plain && p.find('"') == std::string::npos;
  common::mCmdLine after;
  after.ParseCommandLine(common::BuildArgumentText(dashed, kOwn, Exists));
  FUZZ_CHECK(after.OptionCount() == 0);
  if (plain) {
    size_t expected = paths.size() < 10 ? paths.size() : 10;
    FUZZ_CHECK(static_cast<size_t>(after.ArgCount()) == expected);
    for (size_t i = 0; i < expected; ++i) FUZZ_CHECK(after.GetArg(static_cast<int>(i + 1)) == paths[i]);
  }
  return 0;
}
