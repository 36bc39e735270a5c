// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>

#include "CallLog.h"
#include "ports/SettingsBackend.h"

namespace mirablot::fake {

/// Settings in memory. Calls are recorded as "Settings.Read(Quillery/Startup/Zoom)" and
/// "Settings.WriteAll(...)"; failures are scheduled by key name.
class FakeSettingsBackend final : public SettingsBackend {
 public:
  explicit FakeSettingsBackend(CallLog& log) : m_log(log) {}

  /// Stores a value directly, without recording a call.
  void Put(std::string_view application, std::string_view section, std::string_view key,
           std::string_view value);
  /// The stored value, without recording a call.
  [[nodiscard]] std::optional<std::string> Peek(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) const;
  [[nodiscard]] std::size_t Size() const { return m_values.size(); }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }

  [[nodiscard]] std::optional<std::string> Read(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) override;
  /// Recorded as one call, "Settings.WriteAll(Quillery/Startup: Orientation=0, Zoom=1, ...)";
  /// a failure scheduled for any of its keys stores none of them.
  void WriteAll(std::string_view application, std::string_view section,
                const SettingEntries& entries) override;

 private:
  static std::string Path(std::string_view application, std::string_view section,
                          std::string_view key);

  CallLog& m_log;
  FailureSchedule m_failures;
  std::map<std::string, std::string> m_values;
};

}  // namespace mirablot::fake
