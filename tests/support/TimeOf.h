// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <utility>

namespace mirablot::testing {

/// How long the call took: for the bounds of a wait, never as a benchmark.
template <typename Call>
std::chrono::milliseconds TimeOf(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  std::forward<Call>(call)();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

}  // namespace mirablot::testing
