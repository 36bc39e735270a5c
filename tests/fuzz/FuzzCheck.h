// SPDX-License-Identifier: MIT
#pragma once

// A property that fails aborts, so libFuzzer keeps the input and the replay test fails.

#include <cstdio>
#include <cstdlib>

namespace mirablot::fuzz {

inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

}  // namespace mirablot::fuzz
