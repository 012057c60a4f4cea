#pragma once
// A broken property names itself before the abort that libFuzzer reports.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                         \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "property broken at line %d: %s\n", __LINE__, #condition); \
      std::abort();                                                                   \
    }                                                                                 \
  } while (false)
