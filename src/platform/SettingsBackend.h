// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirablot {

/// Per-user persistent strings, addressed by application, section and key.
class SettingsBackend {
 public:
  virtual ~SettingsBackend() = default;
  SettingsBackend(const SettingsBackend&) = delete;
  SettingsBackend& operator=(const SettingsBackend&) = delete;

  /// The stored text, or nothing when the key is not stored. A failing store is an Error.
  [[nodiscard]] virtual std::optional<std::string> Read(std::string_view application,
                                                        std::string_view section,
                                                        std::string_view key) = 0;
  /// Stores the text, creating application, section and key as needed.
  virtual void Write(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view value) = 0;

 protected:
  SettingsBackend() = default;
};

}  // namespace mirablot
