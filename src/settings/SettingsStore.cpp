// SPDX-License-Identifier: MIT
#include "SettingsStore.h"

namespace mirablot {

std::string SettingsStore::GetSetting(std::string_view key, std::string_view defaultValue) {
  return m_backend.Read(settings::kApplication, settings::kSection, key)
      .value_or(std::string(defaultValue));
}

void SettingsStore::SaveSettings(const SettingEntries& entries) {
  m_backend.WriteAll(settings::kApplication, settings::kSection, entries);
}

}  // namespace mirablot
