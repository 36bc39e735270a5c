// SPDX-License-Identifier: MIT
#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "platform/win32/Win32Dib.h"

namespace mirablot::win32 {
namespace {

using mirablot::testing::ErrorOf;

constexpr int kInvalidPicture = static_cast<int>(ErrorNumber::InvalidPicture);

// A packed DIB as a clipboard owner would write it: header, then `extra` bytes of colour
// table or masks, then rows of `rowBytes` each.
struct PackedDib {
  BITMAPV5HEADER header{};
  std::vector<std::uint8_t> extra;
  std::vector<std::uint8_t> rows;

  PackedDib(DWORD headerSize, LONG width, LONG height, WORD depth, DWORD compression) {
    header.bV5Size = headerSize;
    header.bV5Width = width;
    header.bV5Height = height;
    header.bV5Planes = 1;
    header.bV5BitCount = depth;
    header.bV5Compression = compression;
    const std::size_t stride = (static_cast<std::size_t>(width) * depth + 31) / 32 * 4;
    rows.assign(stride * static_cast<std::size_t>(height < 0 ? -height : height), 0);
  }

  [[nodiscard]] std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> bytes(header.bV5Size);
    std::memcpy(bytes.data(), &header, header.bV5Size);
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    bytes.insert(bytes.end(), rows.begin(), rows.end());
    return bytes;
  }
};

std::shared_ptr<const DibPicture> Parse(const std::vector<std::uint8_t>& bytes) {
  return DibPicture::FromPacked(bytes.data(), bytes.size());
}

std::ptrdiff_t BitsOffset(const DibPicture& dib) {
  return static_cast<const std::uint8_t*>(dib.Bits()) - dib.Packed().data();
}

// What GDI draws from the picture at its own size, as 0xRRGGBB, rows from the top.
std::vector<std::uint32_t> DrawnByGdi(const DibPicture& dib) {
  BITMAPINFO target{};
  target.bmiHeader = {
      sizeof(BITMAPINFOHEADER), dib.Width(), -dib.Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  StretchDIBits(dc, 0, 0, dib.Width(), dib.Height(), 0, 0, dib.Width(), dib.Height(), dib.Bits(),
                dib.Info(), DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> drawn(pixels, pixels + dib.Width() * dib.Height());
  for (std::uint32_t& pixel : drawn) {
    pixel &= 0xFFFFFFU;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return drawn;
}

TEST(Win32DibTest, FindsTheRowsAfterEveryKindOfTable) {
  struct Layout {
    DWORD headerSize;
    LONG height;
    WORD depth;
    DWORD compression;
    DWORD coloursUsed;
    std::size_t extra;  // colour table or masks after the header
    std::ptrdiff_t rowsAt;
  };
  for (const Layout& layout : {
           Layout{40, 2, 8, BI_RGB, 0, 1024, 40 + 1024},  // 256 colours by default
           Layout{40, 2, 8, BI_RGB, 2, 8, 40 + 8},
           Layout{40, 2, 16, BI_BITFIELDS, 0, 12, 40 + 12},  // masks after the header
           Layout{124, -2, 32, BI_BITFIELDS, 0, 0, 124},     // masks inside it; top-down
       }) {
    PackedDib packed(layout.headerSize, 3, layout.height, layout.depth, layout.compression);
    packed.header.bV5ClrUsed = layout.coloursUsed;
    packed.extra.assign(layout.extra, 0);
    const auto dib = Parse(packed.Bytes());
    EXPECT_EQ(BitsOffset(*dib), layout.rowsAt) << layout.rowsAt;
    EXPECT_EQ(dib->Width(), 3);
    EXPECT_EQ(dib->Height(), 2);
  }
}

TEST(Win32DibTest, RefusesWhatGdiCannotDrawOrWhatRunsPastTheData) {
  const auto refused = [](const std::vector<std::uint8_t>& bytes) {
    return ErrorOf([&] { static_cast<void>(Parse(bytes)); });
  };
  const PackedDib good(sizeof(BITMAPINFOHEADER), 5, 3, 24, BI_RGB);
  ASSERT_EQ(refused(good.Bytes()), 0);
  std::vector<std::uint8_t> truncated = good.Bytes();
  truncated.pop_back();
  EXPECT_EQ(refused(truncated), kInvalidPicture);
  EXPECT_EQ(refused({truncated.begin(), truncated.begin() + 39}), kInvalidPicture);
  EXPECT_EQ(ErrorOf([] { static_cast<void>(DibPicture::FromPacked(nullptr, 0)); }),
            kInvalidPicture);
  using Change = void (*)(BITMAPV5HEADER&);
  for (const Change change : std::initializer_list<Change>{
           [](BITMAPV5HEADER& h) { h.bV5Size = sizeof(BITMAPCOREHEADER); },
           [](BITMAPV5HEADER& h) { h.bV5BitCount = 2; },
           [](BITMAPV5HEADER& h) { h.bV5Compression = BI_JPEG; },
           [](BITMAPV5HEADER& h) { h.bV5Compression = BI_BITFIELDS; },  // not for 24-bit rows
           [](BITMAPV5HEADER& h) { h.bV5Width = 0; }, [](BITMAPV5HEADER& h) { h.bV5Height = 0; },
           [](BITMAPV5HEADER& h) { h.bV5Height = INT_MIN; },
           // Rows that would need more bytes than exist, even past 2^64.
           [](BITMAPV5HEADER& h) { h.bV5Width = h.bV5Height = INT_MAX, h.bV5BitCount = 32; },
           [](BITMAPV5HEADER& h) { h.bV5BitCount = 4, h.bV5ClrUsed = 17; },  // 16 at most
       }) {
    PackedDib dib = good;
    change(dib.header);
    dib.extra.assign(dib.header.bV5ClrUsed * 4, 0);
    EXPECT_EQ(refused(dib.Bytes()), kInvalidPicture);
  }
}

TEST(Win32DibTest, GdiDrawsAPaletteBitmapAsItsOwnerWroteIt) {
  PackedDib dib(sizeof(BITMAPINFOHEADER), 2, 2, 8, BI_RGB);
  dib.header.bV5ClrUsed = 2;
  dib.extra = {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0};  // red, blue (B, G, R, 0)
  dib.rows = {0, 1, 0, 0, 1, 1, 0, 0};                     // bottom row first
  EXPECT_EQ(DrawnByGdi(*Parse(dib.Bytes())),
            (std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0xFF0000, 0x0000FF}));
}

TEST(Win32DibTest, LaysTransparentPixelsOnWhite) {
  PackedDib dib(sizeof(BITMAPV5HEADER), 4, -1, 32, BI_BITFIELDS);
  dib.header.bV5RedMask = 0x00FF0000;
  dib.header.bV5GreenMask = 0x0000FF00;
  dib.header.bV5BlueMask = 0x000000FF;
  dib.header.bV5AlphaMask = 0xFF000000;
  // Straight alpha (a channel above its alpha gives it away): clear, opaque green, half red,
  // and fully transparent red.
  dib.rows = {0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0x80, 0, 0, 0xFF, 0};
  EXPECT_EQ(DrawnByGdi(*Parse(dib.Bytes())),
            (std::vector<std::uint32_t>{0xFFFFFF, 0x00FF00, 0xFF7F7F, 0xFFFFFF}));

  // Premultiplied: no channel above its alpha; half red is stored as 0x80.
  dib.rows = {0, 0, 0x80, 0x80, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(DrawnByGdi(*Parse(dib.Bytes())),
            (std::vector<std::uint32_t>{0xFF7F7F, 0xFFFFFF, 0x000000, 0xFFFFFF}));

  // Alpha never written (all zero) means an opaque picture, not an invisible one.
  dib.rows = {0, 0, 0, 0, 0x10, 0x20, 0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DrawnByGdi(*Parse(dib.Bytes())),
            (std::vector<std::uint32_t>{0x000000, 0x302010, 0x000000, 0x000000}));
}

TEST(Win32DibTest, DecodedPngRowsBecomeATopDownBitmapOnWhite) {
  const auto dib = DibPicture::FromBgra(2, 2,
                                        {0, 0, 0xFF, 0xFF, 0, 0, 0, 0,  //
                                         0xFF, 0, 0, 0x80, 0, 0xFF, 0, 0xFF});
  EXPECT_EQ(DrawnByGdi(*dib), (std::vector<std::uint32_t>{0xFF0000, 0xFFFFFF, 0x7F7FFF, 0x00FF00}));
}

}  // namespace
}  // namespace mirablot::win32
