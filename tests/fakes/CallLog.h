// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirablot::fake {

/// The calls that the fakes received, in order, one text per call ("Printer.NewPage").
class CallLog {
 public:
  void Add(std::string call) { m_calls.push_back(std::move(call)); }
  [[nodiscard]] const std::vector<std::string>& Calls() const { return m_calls; }
  /// The calls whose text starts with prefix, in order.
  [[nodiscard]] std::vector<std::string> Matching(std::string_view prefix) const;
  [[nodiscard]] bool Contains(std::string_view call) const;
  void Clear() { m_calls.clear(); }

 private:
  std::vector<std::string> m_calls;
};

/// Throws the error registered for a call name, if any. Shared by the fakes.
class FailureSchedule {
 public:
  void FailOn(std::string call, int number, std::string description);
  void Clear() { m_failures.clear(); }
  void ThrowIfScheduled(std::string_view call) const;

 private:
  struct Failure {
    std::string call;
    int number;
    std::string description;
  };
  std::vector<Failure> m_failures;
};

}  // namespace mirablot::fake
