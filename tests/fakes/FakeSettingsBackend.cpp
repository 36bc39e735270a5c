// SPDX-License-Identifier: MIT
#include "FakeSettingsBackend.h"

namespace mirablot::fake {

std::string FakeSettingsBackend::Path(std::string_view application, std::string_view section,
                                      std::string_view key) {
  std::string path(application);
  path += '/';
  path += section;
  path += '/';
  path += key;
  return path;
}

void FakeSettingsBackend::Put(std::string_view application, std::string_view section,
                              std::string_view key, std::string_view value) {
  m_values[Path(application, section, key)] = std::string(value);
}

std::optional<std::string> FakeSettingsBackend::Peek(std::string_view application,
                                                     std::string_view section,
                                                     std::string_view key) const {
  const auto found = m_values.find(Path(application, section, key));
  if (found == m_values.end()) {
    return std::nullopt;
  }
  return found->second;
}

std::optional<std::string> FakeSettingsBackend::Read(std::string_view application,
                                                     std::string_view section,
                                                     std::string_view key) {
  m_log.Add("Settings.Read(" + Path(application, section, key) + ")");
  m_failures.ThrowIfScheduled(key);
  return Peek(application, section, key);
}

void FakeSettingsBackend::WriteAll(std::string_view application, std::string_view section,
                                   const SettingEntries& entries) {
  std::string call =
      "Settings.WriteAll(" + std::string(application) + "/" + std::string(section) + ":";
  for (const auto& [key, value] : entries) {
    call += (&key == &entries.front().first ? " " : ", ") + key + "=" + value;
  }
  m_log.Add(call + ")");
  for (const auto& entry : entries) {
    m_failures.ThrowIfScheduled(entry.first);
  }
  for (const auto& [key, value] : entries) {
    Put(application, section, key, value);
  }
}

}  // namespace mirablot::fake
