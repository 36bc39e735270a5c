// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ports/SettingsBackend.h"

namespace mirablot::posix {

/// The settings as Qt keeps them for the program ($XDG_CONFIG_HOME/APP/APP.conf, an INI file
/// whose section is a group), read without Qt where the file is plain enough to read exactly
/// as Qt does: lines of key=value whose keys and values need no unquoting or unescaping. Every
/// other case (quoted, escaped or listed values, files in other places Qt also reads, a file
/// that cannot be read) is read by Qt's own back end, and every write goes there, so the file
/// stays Qt's. A print that succeeds then never starts Qt.
class SettingsFile final : public SettingsBackend {
 public:
  /// `qt` gives Qt's back end, made on first need.
  explicit SettingsFile(std::function<SettingsBackend&()> qt);

  [[nodiscard]] std::optional<std::string> Read(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) override;
  void WriteAll(std::string_view application, std::string_view section,
                const SettingEntries& entries) override;

 private:
  // The user's file as read once, for the application last asked about, until the next write:
  // a print asks for seven keys.
  struct Snapshot {
    std::string application;
    std::string home;
    bool plain = false;  // read whole, or known not to exist
    std::string text;
    std::optional<bool> nothingElse;  // no other file Qt would fall back to
  };
  Snapshot& SnapshotOf(std::string_view application);

  std::function<SettingsBackend&()> m_qt;
  std::optional<Snapshot> m_snapshot;
};

/// The answer a plain INI text gives Qt for the key in the section: the value, or nothing
/// stored; no answer when the text is not plain enough to be sure.
struct PlainAnswer {
  bool sure = false;
  std::optional<std::string> value;
};
[[nodiscard]] PlainAnswer ReadPlainIni(std::string_view text, std::string_view section,
                                       std::string_view key);

}  // namespace mirablot::posix
