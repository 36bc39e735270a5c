// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirablot {

/// Keys and values of one section, in the order they are to be stored.
using SettingEntries = std::vector<std::pair<std::string, std::string>>;

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
  /// Stores the keys as one save, creating application and section as needed: on an Error,
  /// none of them has been stored.
  virtual void WriteAll(std::string_view application, std::string_view section,
                        const SettingEntries& entries) = 0;

 protected:
  SettingsBackend() = default;
};

}  // namespace mirablot
