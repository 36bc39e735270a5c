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
#include "PackedDib.h"
#include "core/Error.h"
#include "fakes/Fakes.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32Dib.h"
#include "platform/win32/Win32Printer.h"

namespace mirablot::win32 {
namespace {

using mirablot::testing::Drawn;
using mirablot::testing::ErrorOf;
using mirablot::testing::Packed;

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

TEST(Win32Clipboard, BitmapsBecomePicturesAndTextTheEmptyPicture) {
  Win32Clipboard clipboard;
  PutOnClipboard({{CF_DIB, Packed("40 4x4 32 RGB")}});
  EXPECT_EQ(clipboard.FetchBitmap().Width(), 4);
  // Both offered: the DIBV5, which can carry transparency, wins.
  PutOnClipboard({{CF_DIB, Packed("40 4x4 32 RGB")}, {CF_DIBV5, Packed("124 3x3 32 RGB")}});
  EXPECT_EQ(clipboard.FetchBitmap().Width(), 3);
  PutOnClipboard({{CF_TEXT, {'t', 'e', 'x', 't', '\0'}}});
  EXPECT_TRUE(clipboard.FetchBitmap().IsEmpty());
  PutOnClipboard({{CF_DIB, {0x28, 0, 0, 0}}});  // a header cut short
  EXPECT_EQ(ErrorOf([&] { static_cast<void>(clipboard.FetchBitmap()); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
  // A PNG alone is decoded, laid on white.
  PutOnClipboard({{RegisterClipboardFormatW(L"PNG"), {std::begin(kPng), std::end(kPng)}}});
  const Picture png = clipboard.FetchBitmap();
  const auto* dib = dynamic_cast<const DibPicture*>(png.Pixels());
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(Drawn(*dib), "FF0000 00FF00 0000FF FFFFFF");
}

TEST(Win32Printer, RefusesWhatItCannotPrintAndAbortsOnlyAnOpenDocument) {
  Win32Printer printer;
  const std::vector<std::uint8_t> packed = Packed("40 4x4 24 RGB");
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
