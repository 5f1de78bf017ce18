// What the fuzz targets share: the check that stops the run when an invariant breaks.
#pragma once

#include <cstdio>

// libFuzzer keeps the input that reaches this; the message says which invariant it broke.
#define PRAVIX_FUZZ_CHECK(condition, message)                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__, message); \
      __builtin_trap();                                                                     \
    }                                                                                       \
  } while (false)
