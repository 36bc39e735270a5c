// SPDX-License-Identifier: MIT
#pragma once

#include "ports/SettingsBackend.h"

namespace mirablot::win32 {

/// Settings where the classic GetSetting/SaveSetting functions keep them, so that settings
/// stored by earlier versions of the program carry over: REG_SZ values under
/// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>.
class Win32SettingsBackend final : public SettingsBackend {
 public:
  Win32SettingsBackend() = default;

  [[nodiscard]] std::optional<std::string> Read(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) override;
  /// The registry has no transaction here: values are written one by one, and when one fails
  /// those already written get their earlier contents back before the Error is raised.
  void WriteAll(std::string_view application, std::string_view section,
                const SettingEntries& entries) override;
};

}  // namespace mirablot::win32
