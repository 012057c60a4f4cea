#include "common/core/NameKey.h"

#include <utf8proc.h>

#include <cstdlib>

namespace common {
namespace {

// For ASCII, Unicode case folding is plain A-Z to a-z and NFC changes
// nothing, so the common case needs no trip through utf8proc.
std::string AsciiKey(std::string_view name) {
  std::string key(name);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return key;
}

}  // namespace

std::string MakeNameKey(std::string_view name) {
  if (IsAscii(name)) return AsciiKey(name);

  // The length is passed and UTF8PROC_NULLTERM left out, so a name is
  // never cut short at an embedded NUL.
  utf8proc_uint8_t* folded = nullptr;
  const auto options =
      static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD);
  utf8proc_ssize_t len =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(name.data()),
                   static_cast<utf8proc_ssize_t>(name.size()), &folded, options);
  if (len < 0) {
    // Not valid UTF-8: the bytes are their own key. Such a key is itself
    // invalid UTF-8, so it never equals the key of a valid name.
    std::free(folded);
    return std::string(name);
  }
  std::string key(reinterpret_cast<const char*>(folded), static_cast<size_t>(len));
  std::free(folded);
  return key;
}

}  // namespace common
