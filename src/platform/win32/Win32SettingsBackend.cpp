// SPDX-License-Identifier: MIT
#include "Win32SettingsBackend.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "Win32Text.h"
#include "core/Error.h"

namespace mirablot::win32 {
namespace {

std::wstring KeyPath(std::string_view application, std::string_view section) {
  return L"Software\\VB and VBA Program Settings\\" + Wide(application) + L"\\" + Wide(section);
}

[[noreturn]] void ThrowStoreError(LSTATUS status, const std::wstring& path) {
  throw Error(ErrorNumber::FileAccess,
              "設定 (レジストリ HKEY_CURRENT_USER\\" + Utf8(path) +
                  ") を読み書きできません: " + SystemMessage(static_cast<DWORD>(status)));
}

class Key {
 public:
  Key(const std::wstring& path, bool create) : m_path(path) {
    const LSTATUS status =
        create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key, nullptr)
               : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &m_key);
    if (status == ERROR_FILE_NOT_FOUND && !create) {
      m_key = nullptr;
    } else if (status != ERROR_SUCCESS) {
      ThrowStoreError(status, path);
    }
  }
  ~Key() {
    if (m_key != nullptr) {
      RegCloseKey(m_key);
    }
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  // The value as text, or nothing when it is missing or not a string (the classic functions
  // read only strings).
  [[nodiscard]] std::optional<std::wstring> Get(const std::wstring& name) const {
    if (m_key == nullptr) {
      return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS status = RegQueryValueExW(m_key, name.c_str(), nullptr, &type, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && type != REG_SZ)) {
      return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegQueryValueExW(m_key, name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(text.data()), &bytes);
    if (status != ERROR_SUCCESS) {
      ThrowStoreError(status, m_path);
    }
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
      text.pop_back();  // the terminator, which the data may or may not hold
    }
    return text;
  }

  void Set(const std::wstring& name, const std::wstring& text) const {
    const LSTATUS status =
        RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
      ThrowStoreError(status, m_path);
    }
  }

  void Remove(const std::wstring& name) const { RegDeleteValueW(m_key, name.c_str()); }

 private:
  std::wstring m_path;
  HKEY m_key = nullptr;
};

}  // namespace

std::optional<std::string> Win32SettingsBackend::Read(std::string_view application,
                                                      std::string_view section,
                                                      std::string_view key) {
  const Key store(KeyPath(application, section), false);
  if (std::optional<std::wstring> text = store.Get(Wide(key))) {
    return Utf8(*text);
  }
  return std::nullopt;
}

void Win32SettingsBackend::WriteAll(std::string_view application, std::string_view section,
                                    const SettingEntries& entries) {
  const Key store(KeyPath(application, section), true);
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> earlier;
  try {
    for (const auto& [key, value] : entries) {
      const std::wstring name = Wide(key);
      earlier.emplace_back(name, store.Get(name));
      store.Set(name, Wide(value));
    }
  } catch (const Error&) {
    for (const auto& [name, text] : earlier) {
      if (text) {
        try {
          store.Set(name, *text);
        } catch (const Error&) {
          // Keep restoring the others; the first failure is the one reported.
        }
      } else {
        store.Remove(name);
      }
    }
    throw;
  }
}

}  // namespace mirablot::win32
