// SPDX-License-Identifier: MIT
#pragma once

// A property that fails aborts, so libFuzzer keeps the input and the replay test fails.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "core/Error.h"

namespace mirablot::fuzz {

inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

/// Conversions may refuse text only as a conversion error or an overflow.
inline void CheckConversionError(const Error& error) {
  Check(error.Number() == static_cast<int>(ErrorNumber::TypeMismatch) ||
            error.Number() == static_cast<int>(ErrorNumber::Overflow),
        "a conversion failed with an unexpected error number");
}

inline std::string_view AsText(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace mirablot::fuzz
