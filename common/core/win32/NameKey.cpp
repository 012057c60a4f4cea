// Names compared as the Windows file systems compare them: each UTF-16 unit
// in upper case by the system's table, then in code-unit order
// (CompareStringOrdinal ignoring case).

#include "common/core/NameKey.h"

#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

// The key holds each upper-case UTF-16 unit as two bytes, high byte first,
// so that comparing keys byte by byte compares the units in order.
std::string UnitsKey(const wchar_t* units, size_t count) {
  std::string key(count * 2, '\0');
  for (size_t i = 0; i < count; ++i) {
    key[2 * i] = static_cast<char>((units[i] >> 8) & 0xFF);
    key[2 * i + 1] = static_cast<char>(units[i] & 0xFF);
  }
  return key;
}

}  // namespace

std::string MakeNameKey(std::string_view name) {
  if (IsAscii(name)) {
    // The common case needs no trip through the system: A-Z is the whole
    // upper-case table of ASCII.
    std::wstring units(name.size(), L'\0');
    for (size_t i = 0; i < name.size(); ++i) {
      char c = name[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      units[i] = static_cast<unsigned char>(c);
    }
    return UnitsKey(units.data(), units.size());
  }
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                                      nullptr, 0);
  if (n <= 0) {
    // Not valid UTF-8 (never a name that Windows lists, whose names are
    // UTF-16): its bytes, each as one unit, after the unit U+FFFF that no
    // text carries, so that it sorts after every valid name and never
    // equals one.
    std::wstring units(1, L'\xFFFF');
    for (unsigned char c : name) units += static_cast<wchar_t>(c);
    return UnitsKey(units.data(), units.size());
  }
  std::wstring units(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()), units.data(), n);
  // The invariant upper case, one unit for one unit, as the file system's
  // own table maps them.
  std::wstring upper(units.size(), L'\0');
  const int m = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units.data(), n, upper.data(), n, nullptr,
                                nullptr, 0);
  if (m == n) units = std::move(upper);
  return UnitsKey(units.data(), units.size());
}

}  // namespace common
