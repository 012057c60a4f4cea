#include "common/core/NameKey.h"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <cstdlib>
#include <string>

namespace {

using common::CompareListingOrder;
using common::CompareNames;
using common::MakeNameKey;

// The key utf8proc gives, without the ASCII shortcut.
std::string FoldedByUtf8proc(const std::string& s) {
  utf8proc_uint8_t* out = nullptr;
  auto n = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(s.data()),
                        static_cast<utf8proc_ssize_t>(s.size()), &out,
                        static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE |
                                                       UTF8PROC_CASEFOLD));
  EXPECT_GE(n, 0);
  std::string r(reinterpret_cast<const char*>(out), n < 0 ? 0 : static_cast<size_t>(n));
  std::free(out);
  return r;
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(NameKey, AsciiShortcutMatchesCaseFolding) {
  // Every ASCII character, NUL included, alone and inside a name.
  for (int c = 0; c < 128; ++c) {
    std::string one(1, static_cast<char>(c));
    std::string name = "Ab" + one + "Zz";
    EXPECT_EQ(MakeNameKey(one), FoldedByUtf8proc(one)) << "char " << c;
    EXPECT_EQ(MakeNameKey(name), FoldedByUtf8proc(name)) << "char " << c;
  }
}

TEST(NameKey, NameIsNotCutAtEmbeddedNul) {
  const std::string withNul("\xC3\x89t\0\xC3\xA9", 6);  // "Ét", NUL, "é"
  const std::string key = MakeNameKey(withNul);
  EXPECT_EQ(key, std::string("\xC3\xA9t\0\xC3\xA9", 6));
}

struct NamePair {
  const char* a;
  const char* b;
  int expected;  // sign of CompareNames(a, b)
  const char* why;
};

TEST(NameKey, CompareNamesTable) {
  const NamePair cases[] = {
      {"A.txt", "a.TXT", 0, "ASCII case"},
      {"datos", "Fotos", -1, "d before F as before f"},
      {"datos", "fotos", -1, "d before f"},
      {"\xC3\xA9", "e", 1, "e-acute and e differ"},
      {"\xC3\x89", "\xC3\xA9", 0, "E-acute and e-acute are equal"},
      {"Caf\xC3\xA9", "CAFE\xCC\x81", 0, "NFC and NFD (with case) are equal"},
      {"\xC3\x85ngstr\xC3\xB6m", "\xC3\xA5NGSTR\xC3\x96M", 0, "other Latin letters"},
      {"\xCE\xA3\xCE\x99\xCE\xA3", "\xCF\x83\xCE\xB9\xCF\x82", 0, "Greek final sigma folds"},
      {"stra\xC3\x9F" "e", "STRASSE", 0, "sharp s folds to ss (full case folding)"},
      {"a", "ab", -1, "prefix first"},
      {"", "", 0, "empty names"},
      {"", "a", -1, "empty first"},
      {"Z", "\xC3\xA0", -1, "code point order after folding: z < a-grave"},
      {"abc\xFF", "ABC\xFF", 1, "invalid UTF-8 compares as raw bytes"},
      {"abc\xFF", "abc\xFF", 0, "identical invalid names are equal"},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(Sign(CompareNames(t.a, t.b)), t.expected) << t.why;
    EXPECT_EQ(Sign(CompareNames(t.b, t.a)), -t.expected) << t.why << " (reversed)";
  }
}

TEST(NameKey, InvalidUtf8NeverEqualsAValidName) {
  const std::string invalid[] = {
      "\xFF",          "caf\xE9",        // Latin-1 e-acute
      "\xC3",          "\xED\xA0\x80",   // truncated sequence, encoded surrogate
      "\xC0\xAF",      "a\x80z",         // overlong, stray continuation
  };
  const std::string valid[] = {"", "a", "caf\xC3\xA9", "\xC3\xBF", "\xEF\xBF\xBD", "y"};
  for (const auto& bad : invalid) {
    EXPECT_EQ(MakeNameKey(bad), bad) << "invalid names are their own key";
    for (const auto& good : valid) EXPECT_NE(CompareNames(bad, good), 0);
  }
}

TEST(NameKey, ListingOrderPutsTwinsInByteOrder) {
  struct Case {
    std::string a, b;
    int expected;
  } cases[] = {
      {"Readme", "README", 1},                 // 'e' after 'E' in bytes
      {"README", "readme", -1},
      {"Caf\xC3\xA9", "Cafe\xCC\x81", 1},     // NFC twin after NFD twin: 0xC3 > 'e'
      {"a", "B", -1},                          // different keys: bytes do not matter
      {"same", "same", 0},
  };
  for (const auto& c : cases) {
    const std::string ka = MakeNameKey(c.a), kb = MakeNameKey(c.b);
    EXPECT_EQ(Sign(CompareListingOrder(ka, c.a, kb, c.b)), c.expected) << c.a << " vs " << c.b;
  }
}

}  // namespace
