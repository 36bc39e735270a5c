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
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(m_record.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4U);
  EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0411);  // Japanese
  EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);    // Unicode

  EXPECT_EQ(Text(L"FileDescription"), kFileDescription);
  EXPECT_EQ(Text(L"Comments"), kComments);
  EXPECT_EQ(Text(L"ProductName"), kProductName);
  EXPECT_EQ(Text(L"InternalName"), kProductName);
  EXPECT_EQ(Text(L"FileVersion"), kProductVersion);
  EXPECT_EQ(Text(L"ProductVersion"), kProductVersion);

  ASSERT_TRUE(VerQueryValueW(m_record.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));  // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0U);              // .0.0
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
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
  EXPECT_EQ(group[4], 1);                               // one image
  EXPECT_EQ(static_cast<unsigned char>(group[6]), 32);  // width
  EXPECT_EQ(static_cast<unsigned char>(group[7]), 32);  // height
  EXPECT_EQ(static_cast<unsigned char>(group[8]), 16);  // colours
  EXPECT_EQ(static_cast<unsigned char>(group[12]), 4);  // bits per pixel

  const std::string manifest = resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0"),
            std::string::npos);
  FreeLibrary(program);
}

}  // namespace
}  // namespace mirablot::win32
