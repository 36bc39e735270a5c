// SPDX-License-Identifier: MIT
// The version record, icon and manifest as Windows reads them from mirablot.exe.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/ProgramIdentity.h"
#include "platform/win32/Win32Text.h"

namespace mirablot::win32 {
namespace {

class Win32ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(MIRABLOT_EXE, &ignored);
    ASSERT_NE(size, 0U) << "no version record in " << Utf8(MIRABLOT_EXE);
    m_record.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(MIRABLOT_EXE, 0, size, m_record.data()));
  }

  [[nodiscard]] std::string Text(const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\041104B0\\" + name;
    if (!VerQueryValueW(m_record.data(), path.c_str(), &value, &length) || length == 0) {
      return "<missing>";
    }
    return Utf8(static_cast<const wchar_t*>(value));
  }

  std::vector<std::uint8_t> m_record;
};

TEST_F(Win32ResourcesTest, VersionRecordIsJapaneseUnicodeWithTheRecordsOwnTexts) {
  // The record's Japanese as Windows reads it: windres takes the .rc in the build machine's
  // code page, so a wrong escape would show as mojibake in Explorer.
  for (const auto& [name, text] : {std::pair{L"FileDescription", kFileDescription},
                                   {L"Comments", kComments},
                                   {L"ProductName", kProductName},
                                   {L"FileVersion", kProductVersion}}) {
    EXPECT_EQ(Text(name), text) << Utf8(name);
  }
}

TEST_F(Win32ResourcesTest, CarriesThe16ColourIconAndADpiAwareManifest) {
  HMODULE program = LoadLibraryExW(MIRABLOT_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  const auto resource = [program](LPCWSTR name, LPCWSTR type) -> std::string {
    HRSRC found = FindResourceW(program, name, type);
    if (found == nullptr) {
      return {};
    }
    const auto* data = static_cast<const char*>(LockResource(LoadResource(program, found)));
    return {data, SizeofResource(program, found)};
  };
  // The icon group: one 32 x 32 image of 16 colours at 4 bits per pixel.
  const std::string group = resource(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_EQ(group.size(), 6U + 14U);
  EXPECT_EQ(group.substr(4, 5), std::string("\1\0\x20\x20\x10", 5));  // one, 32 x 32, 16 colours

  const std::string manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0"),
            std::string::npos);
  FreeLibrary(program);
}

}  // namespace
}  // namespace mirablot::win32
