// Both date-macro expansions must take any path and any clock reading, and
// keep their rules: a text without the macro character comes back as it
// was; a text can be cut anywhere but right after a macro character and
// expanded piece by piece; "%" macros ignore letter case; and "$" and "%"
// expand alike except for their weekday numbering and letter case.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/core/Clock.h"
#include "update/core/Options.h"
#include "fuzz/FuzzCheck.h"


namespace {

// Reads an int from the front of the input, or 0 when it ran out.
int TakeInt(const uint8_t*& data, size_t& size) {
  int v = 0;
  if (size >= sizeof v) {
    std::memcpy(&v, data, sizeof v);
    data += sizeof v;
    size -= sizeof v;
  }
  return v;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string SwapMarkers(std::string s) {
  for (char& c : s) {
    if (c == '$') c = '%';
    else if (c == '%') c = '$';
  }
  return s;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Any date the clock can give, years far out of range included.
  common::LocalTime any;
  any.year = TakeInt(data, size);
  any.month = 1 + static_cast<int>(static_cast<unsigned>(TakeInt(data, size)) % 12);
  any.day = 1 + static_cast<int>(static_cast<unsigned>(TakeInt(data, size)) % 31);
  any.weekday = static_cast<int>(static_cast<unsigned>(TakeInt(data, size)) % 7);
  const size_t cut = size > 0 ? data[0] : 0;
  const std::string text(reinterpret_cast<const char*>(data), size);

  const common::FixedClock wild(any);
  const std::string dollarWild = update::ExpandPathMacros(text, wild);
  const std::string percentWild = update::ExpandPercentMacros(text, wild);
  if (text.find('$') == std::string::npos) FUZZ_CHECK(dollarWild == text);
  if (text.find('%') == std::string::npos) FUZZ_CHECK(percentWild == text);

  // Properties on a real date: Tuesday 3 March 2026 for "$" (weekday 3,
  // Sunday = 1) and Wednesday for "%" (weekday 3, Monday = 1), so both give
  // the same digits.
  common::LocalTime tuesday;
  tuesday.year = 2026;
  tuesday.month = 3;
  tuesday.day = 3;
  tuesday.weekday = 2;
  common::LocalTime wednesday = tuesday;
  wednesday.weekday = 3;
  const common::FixedClock dollarClock(tuesday);
  const common::FixedClock percentClock(wednesday);

  const std::string dollar = update::ExpandPathMacros(text, dollarClock);
  const std::string percent = update::ExpandPercentMacros(text, percentClock);

  // Every macro turns two characters into digits or one character, and
  // "$y" into four digits: the result never grows by more than that.
  FUZZ_CHECK(dollar.size() <= text.size() * 2);
  FUZZ_CHECK(percent.size() <= text.size() * 2);

  // Cut at any point not right after the macro character: no macro spans
  // the cut, and none can form across it after a replacement.
  const size_t at = text.empty() ? 0 : cut % (text.size() + 1);
  const std::string head = text.substr(0, at);
  const std::string tail = text.substr(at);
  if (head.empty() || head.back() != '$')
    FUZZ_CHECK(update::ExpandPathMacros(head, dollarClock) + update::ExpandPathMacros(tail, dollarClock) ==
          dollar);
  if (head.empty() || head.back() != '%')
    FUZZ_CHECK(update::ExpandPercentMacros(head, percentClock) +
              update::ExpandPercentMacros(tail, percentClock) ==
          percent);

  // "%" macros are found whatever the case of their letters.
  FUZZ_CHECK(Lower(update::ExpandPercentMacros(Upper(text), percentClock)) ==
        Lower(update::ExpandPercentMacros(Lower(text), percentClock)));

  // Without upper-case D, W, M or Y, "$" and "%" expand the same text alike.
  if (text.find_first_of("DWMY") == std::string::npos)
    FUZZ_CHECK(SwapMarkers(update::ExpandPercentMacros(SwapMarkers(text), percentClock)) == dollar);
  return 0;
}
