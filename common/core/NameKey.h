#pragma once
// The one name comparison shared by every place that searches, sorts or
// pairs names: the list class, the folder listings and both merges.
//
// Names are compared case-insensitively and independently of the locale, so
// that a backup pairs the same way whatever LANG says: a valid UTF-8 name is
// turned into its key by Unicode case folding plus NFC normalisation, and
// keys are compared byte by byte (UTF-8 byte order is code-point order).
// A name that is not valid UTF-8 is its own key, compared as raw bytes.
//
// Names are compared often; callers compute a key once per name and compare
// keys, never fold at every comparison.

#include <string>
#include <string_view>

namespace common {

// The folded key of a name (see above). Pure function of its argument.
std::string MakeNameKey(std::string_view name);

// Three-way comparison of two names under the shared comparison:
// negative, zero (the names are equal, such as "A.txt" and "a.TXT"), positive.
inline int CompareNames(std::string_view a, std::string_view b) {
  int c = MakeNameKey(a).compare(MakeNameKey(b));
  return (c > 0) - (c < 0);
}

// Whether every byte of the name is ASCII: the common case, which both
// platforms fold without the full Unicode tables.
inline bool IsAscii(std::string_view name) {
  for (unsigned char c : name)
    if (c >= 0x80) return false;
  return true;
}

// Order used by folder listings: by key, and names with equal keys (twins
// that differ only in case or normalisation) by their bytes, so that both
// sides of a merge list twins alike. Takes precomputed keys.
inline int CompareListingOrder(std::string_view keyA, std::string_view nameA,
                               std::string_view keyB, std::string_view nameB) {
  int c = keyA.compare(keyB);
  if (c != 0) return c;
  return nameA.compare(nameB);
}

}  // namespace common
