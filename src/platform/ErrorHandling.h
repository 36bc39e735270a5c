// SPDX-License-Identifier: MIT
#pragma once

#include <utility>

#include "Error.h"

namespace mirablot {

/// Runs one step of a handler that goes on whatever its steps run into: an Error the step
/// raises is dropped and the caller carries on with its next step.
template <typename Step>
void IgnoringErrors(Step&& step) {
  try {
    std::forward<Step>(step)();
  } catch (const Error&) {
    // Skipped on purpose; see the caller.
  }
}

}  // namespace mirablot
