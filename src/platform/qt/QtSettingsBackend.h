// SPDX-License-Identifier: MIT
#pragma once

#include "platform/SettingsBackend.h"

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
  void Write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;
};

}  // namespace mirablot::qt
