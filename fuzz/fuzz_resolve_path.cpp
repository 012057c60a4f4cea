// Making a folder path absolute must take any texts and keep its rules: an
// absolute path comes back unchanged; a path without "." or ".." parts is
// simply put after the base; an absolute base gives an absolute result, no
// longer than base, separator and path together; and resolving q, then p
// against the result, is resolving q/p at once.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "compare/core/Options.h"
#include "fuzz/FuzzCheck.h"


namespace {


bool HasDotPart(const std::string& path) {
  size_t start = 0;
  for (;;) {
    size_t end = path.find('/', start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "." || part == "..") return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Three texts separated by NUL bytes: the base, a path q and a path p.
  std::string parts[3];
  int k = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && k < 2) {
      ++k;
      continue;
    }
    parts[k] += static_cast<char>(data[i]);
  }
  const std::string& base = parts[0];
  const std::string& q = parts[1];
  const std::string& p = parts[2];

  const std::string r = compare::ResolvePath(p, base);

  if (!p.empty() && p[0] == '/') FUZZ_CHECK(r == p);
  if (base.empty()) FUZZ_CHECK(r == p);

  const bool absoluteBase = !base.empty() && base[0] == '/';
  if (absoluteBase) {
    FUZZ_CHECK(!r.empty() && r[0] == '/');
    FUZZ_CHECK(r.size() <= base.size() + 1 + p.size());
    if (p.empty() || p[0] != '/') {
      if (!HasDotPart(p)) FUZZ_CHECK(r == (base == "/" ? base + p : base + "/" + p));
      // An absolute result resolves to itself against any base.
      FUZZ_CHECK(compare::ResolvePath(r, q) == r);
    }
  }

  // Part by part: q then p is q/p. The root as base is the exception,
  // where the path is put after it as it is (and an empty q would make q/p
  // absolute).
  if (absoluteBase && base != "/" && !q.empty() && q[0] != '/' && (p.empty() || p[0] != '/')) {
    const std::string middle = compare::ResolvePath(q, base);
    if (middle != "/") FUZZ_CHECK(compare::ResolvePath(p, middle) == compare::ResolvePath(q + "/" + p, base));
  }
  return 0;
}
