// SPDX-License-Identifier: MIT
#include "SettingsStore.h"

namespace mirablot {

std::string SettingsStore::GetSetting(std::string_view application, std::string_view section,
                                      std::string_view key, std::string_view defaultValue) {
  return m_backend.Read(application, section, key).value_or(std::string(defaultValue));
}

void SettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                std::string_view key, std::string_view value) {
  m_backend.Write(application, section, key, value);
}

void SettingsStore::SaveSettings(std::string_view application, std::string_view section,
                                 const SettingEntries& entries) {
  m_backend.WriteAll(application, section, entries);
}

}  // namespace mirablot
