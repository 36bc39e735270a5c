// SPDX-License-Identifier: MIT
#pragma once

#include "ports/SettingsBackend.h"

namespace mirablot::qt {

/// Settings in QSettings' native format with the application as both organisation and
/// application name, the section as group: $XDG_CONFIG_HOME/Quillery/Quillery.conf, [Startup].
/// Each call opens the file afresh, so edits made meanwhile are seen.
class QtSettingsBackend final : public SettingsBackend {
 public:
  QtSettingsBackend() = default;

  [[nodiscard]] std::optional<std::string> Read(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) override;
  /// One sync for all entries: QSettings replaces the file atomically, so either every entry
  /// is stored or, on an Error, none.
  void WriteAll(std::string_view application, std::string_view section,
                const SettingEntries& entries) override;
};

}  // namespace mirablot::qt
