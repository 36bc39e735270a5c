// SPDX-License-Identifier: MIT
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "platform/win32/Win32SettingsBackend.h"

namespace mirablot::win32 {
namespace {

// A test application of its own under the classic settings key, removed before and after.
constexpr const char* kApplication = "MirablotTest";
constexpr const wchar_t* kApplicationKey = L"Software\\VB and VBA Program Settings\\MirablotTest";

class Win32SettingsBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kApplicationKey); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kApplicationKey); }

  // The value as the registry holds it, read without the adapter.
  static std::wstring Raw(const wchar_t* name, DWORD* type = nullptr) {
    wchar_t text[256] = {};
    DWORD bytes = sizeof text;
    DWORD kind = 0;
    const std::wstring path = std::wstring(kApplicationKey) + L"\\Startup";
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY, &kind, text, &bytes) !=
        ERROR_SUCCESS) {
      return L"<missing>";
    }
    if (type != nullptr) {
      *type = kind;
    }
    return text;
  }

  Win32SettingsBackend m_backend;
};

TEST_F(Win32SettingsBackendTest, KeepsStringsWhereTheClassicFunctionsDo) {
  EXPECT_EQ(m_backend.Read(kApplication, "Startup", "Orientation"), std::nullopt);
  m_backend.WriteAll(kApplication, "Startup",
                     {{"Orientation", "2"}, {"SpaceMM", "１５ mm"}, {"Zoom", ""}});
  DWORD type = 0;
  EXPECT_EQ(Raw(L"Orientation", &type), L"2");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(Raw(L"SpaceMM"), L"\xFF11\xFF15 mm");  // UTF-16 in the registry
  EXPECT_EQ(m_backend.Read(kApplication, "Startup", "SpaceMM"), "１５ mm");
  EXPECT_EQ(m_backend.Read(kApplication, "Startup", "Zoom"), "");  // stored, though empty
  EXPECT_EQ(m_backend.Read(kApplication, "Other", "Orientation"), std::nullopt);
}

TEST_F(Win32SettingsBackendTest, ReadsValuesEarlierVersionsStoredAndIgnoresOtherTypes) {
  HKEY key = nullptr;
  const std::wstring path = std::wstring(kApplicationKey) + L"\\Startup";
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t text[] = L"1";
  RegSetValueExW(key, L"Zoom", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  // Without its terminator, as some programs write strings.
  RegSetValueExW(key, L"PositionH", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 sizeof(wchar_t));
  const DWORD number = 1;
  RegSetValueExW(key, L"Space0", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof number);
  RegCloseKey(key);

  EXPECT_EQ(m_backend.Read(kApplication, "Startup", "Zoom"), "1");
  EXPECT_EQ(m_backend.Read(kApplication, "Startup", "PositionH"), "1");
  EXPECT_EQ(m_backend.Read(kApplication, "Startup", "Space0"), std::nullopt);
}

TEST_F(Win32SettingsBackendTest, AFailedSaveRestoresWhatWasThere) {
  m_backend.WriteAll(kApplication, "Startup", {{"Orientation", "0"}});
  // A value name longer than the registry allows (16383 characters) fails to be written.
  const std::string tooLong(20000, 'x');
  EXPECT_EQ(testing::ErrorOf([&] {
              m_backend.WriteAll(kApplication, "Startup",
                                 {{"Orientation", "1"}, {"Zoom", "1"}, {tooLong, "1"}});
            }),
            static_cast<int>(ErrorNumber::FileAccess));
  EXPECT_EQ(Raw(L"Orientation"), L"0");
  EXPECT_EQ(Raw(L"Zoom"), L"<missing>");
}

}  // namespace
}  // namespace mirablot::win32
