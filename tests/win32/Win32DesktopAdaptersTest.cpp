// SPDX-License-Identifier: MIT
// The clipboard and printer adapters against Wine's own (on the test desktop: its clipboard,
// and the private CUPS queue as the default printer), where the end-to-end cases cannot reach:
// what several formats at once, damaged data and transparency give, and what the printer
// refuses.
#include <windows.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "fakes/Fakes.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32Dib.h"
#include "platform/win32/Win32Printer.h"

namespace mirablot::win32 {
namespace {

using mirablot::testing::ErrorOf;

// Red, green / blue, clear: a 2 x 2 RGBA PNG.
constexpr unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72, 0xB6, 0x0D,
    0x24, 0x00, 0x00, 0x00, 0x16, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x05, 0xC1, 0x01, 0x01, 0x00,
    0x00, 0x00, 0x80, 0x10, 0xFF, 0x4F, 0x17, 0x22, 0x09, 0x05, 0x03, 0x3F, 0xD2, 0x05, 0xFB, 0x3C,
    0x91, 0x51, 0x28, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// Fills the clipboard as another program would: format and bytes, pair by pair.
void PutOnClipboard(const std::vector<std::pair<UINT, std::vector<std::uint8_t>>>& items) {
  HWND owner =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  for (const auto& [format, bytes] : items) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    EXPECT_NE(SetClipboardData(format, memory), nullptr);
  }
  CloseClipboard();
  DestroyWindow(owner);
}

std::vector<std::uint8_t> Dib(LONG width, LONG height) {
  BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint8_t> bytes(
      sizeof header + static_cast<std::size_t>((width * 3 + 3) / 4 * 4 * height), 0x80);
  std::memcpy(bytes.data(), &header, sizeof header);
  return bytes;
}

const DibPicture& DibOf(const Picture& picture) {
  const auto* dib = dynamic_cast<const DibPicture*>(picture.Pixels());
  EXPECT_NE(dib, nullptr);
  return *dib;
}

TEST(Win32Clipboard, BitmapsBecomePicturesAndTextTheEmptyPicture) {
  Win32Clipboard clipboard;
  PutOnClipboard({{CF_DIB, Dib(7, 5)}});
  Picture picture = clipboard.FetchBitmap();
  EXPECT_EQ(picture.Width(), 7);
  EXPECT_EQ(picture.Height(), 5);

  // Both offered: the DIBV5, which can carry transparency, wins.
  std::vector<std::uint8_t> v5(sizeof(BITMAPV5HEADER) + 3 * 3 * 4, 0xFF);
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = 3;
  header.bV5Height = 3;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_RGB;
  std::memcpy(v5.data(), &header, sizeof header);
  PutOnClipboard({{CF_DIB, Dib(7, 5)}, {CF_DIBV5, v5}});
  EXPECT_EQ(clipboard.FetchBitmap().Width(), 3);

  PutOnClipboard({{CF_TEXT, {'t', 'e', 'x', 't', '\0'}}});
  EXPECT_TRUE(clipboard.FetchBitmap().IsEmpty());

  PutOnClipboard({{CF_DIB, {0x28, 0, 0, 0}}});  // a header cut short
  EXPECT_EQ(ErrorOf([&] { static_cast<void>(clipboard.FetchBitmap()); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
}

TEST(Win32Clipboard, PngOfferedAloneIsDecodedOnWhite) {
  Win32Clipboard clipboard;
  PutOnClipboard({{RegisterClipboardFormatW(L"PNG"), {std::begin(kPng), std::end(kPng)}}});
  const Picture picture = clipboard.FetchBitmap();
  ASSERT_EQ(picture.Width(), 2);
  ASSERT_EQ(picture.Height(), 2);
  const auto* pixels = static_cast<const std::uint8_t*>(DibOf(picture).Bits());
  EXPECT_EQ(std::vector<std::uint8_t>(pixels, pixels + 16),
            (std::vector<std::uint8_t>{0, 0, 255, 0, 0, 255, 0, 0,         // top row: red, green
                                       255, 0, 0, 0, 255, 255, 255, 0}));  // blue, clear
}

TEST(Win32Printer, RefusesWhatItCannotPrintAndAbortsOnlyAnOpenDocument) {
  Win32Printer printer;
  const std::vector<std::uint8_t> packed = Dib(4, 4);
  const Picture dib(DibPicture::FromPacked(packed.data(), packed.size()));
  EXPECT_EQ(ErrorOf([&] { printer.DrawPicture(dib, 0, 0, 60, 60); }),
            static_cast<int>(ErrorNumber::PrinterError));  // no page yet
  EXPECT_EQ(ErrorOf([&] { printer.AbortDocument(); }), static_cast<int>(ErrorNumber::PrinterError));
  printer.NewPage();
  EXPECT_EQ(ErrorOf([&] { printer.DrawPicture(fake::MakePicture(4, 4), 0, 0, 60, 60); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
  EXPECT_EQ(ErrorOf([&] { printer.DrawPicture(Picture(), 0, 0, 60, 60); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
  EXPECT_EQ(ErrorOf([&] { printer.DrawPicture(dib, 0, 0, -1, 60); }),
            static_cast<int>(ErrorNumber::InvalidPropertyValue));
  EXPECT_EQ(ErrorOf([&] { printer.SetOrientation(Orientation::Landscape); }),
            static_cast<int>(ErrorNumber::PrinterError));  // the page has begun
  // Wine's PostScript driver discards the job but reports the abort as failed; the caller
  // ignores the outcome either way. The document is gone all the same:
  static_cast<void>(ErrorOf([&] { printer.AbortDocument(); }));
  EXPECT_EQ(ErrorOf([&] { printer.EndDocument(); }),
            static_cast<int>(ErrorNumber::PrinterError));  // nothing left to end
}

}  // namespace
}  // namespace mirablot::win32
