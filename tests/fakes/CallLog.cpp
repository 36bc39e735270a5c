// SPDX-License-Identifier: MIT
#include "CallLog.h"

#include <algorithm>

#include "core/Error.h"

namespace mirablot::fake {

std::vector<std::string> CallLog::Matching(std::string_view prefix) const {
  std::vector<std::string> result;
  std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
               [prefix](const std::string& call) { return call.starts_with(prefix); });
  return result;
}

bool CallLog::Contains(std::string_view call) const {
  return std::find(m_calls.begin(), m_calls.end(), call) != m_calls.end();
}

void FailureSchedule::FailOn(std::string call, int number, std::string description) {
  m_failures.push_back({std::move(call), number, std::move(description)});
}

void FailureSchedule::ThrowIfScheduled(std::string_view call) const {
  const auto found = std::find_if(m_failures.begin(), m_failures.end(),
                                  [call](const Failure& failure) { return failure.call == call; });
  if (found != m_failures.end()) {
    throw Error(found->number, found->description);
  }
}

}  // namespace mirablot::fake
