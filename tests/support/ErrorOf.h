// SPDX-License-Identifier: MIT
#pragma once

#include <utility>

#include "core/Error.h"

namespace mirablot::testing {

/// The number of the Error that call raises, or 0 when it raises none.
template <typename Call>
int ErrorOf(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const Error& error) {
    return error.Number();
  }
  return 0;
}

}  // namespace mirablot::testing
