// SPDX-License-Identifier: MIT
#include "Win32Dib.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "PackedDib.h"
#include "core/Error.h"
#include "core/LightPrint.h"

namespace mirablot::win32 {
namespace {

constexpr std::size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);

std::vector<std::uint8_t> PlainHeader(int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = kInfoHeaderSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::vector<std::uint8_t> bytes(kInfoHeaderSize);
  std::memcpy(bytes.data(), &header, kInfoHeaderSize);
  return bytes;
}

}  // namespace

std::shared_ptr<const DibPicture> DibPicture::FromPacked(const std::uint8_t* data,
                                                         std::size_t size) {
  const PackedDib dib = CheckPackedDib(data, size);
  std::vector<std::uint8_t> bytes(data, data + dib.end);
  std::size_t offset = dib.bitsOffset;
  if (dib.alpha) {
    // GDI ignores alpha when it draws: lay the picture on white first, and say so in a plain
    // header of the same size and row order.
    BITMAPINFOHEADER header{};
    std::memcpy(&header, data, kInfoHeaderSize);
    std::vector<std::uint8_t> plain = PlainHeader(header.biWidth, header.biHeight);
    const std::size_t pixels = std::size_t(dib.width) * std::size_t(dib.height);
    plain.insert(plain.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
    OntoWhite(plain.data() + kInfoHeaderSize, pixels,
              Premultiplied(plain.data() + kInfoHeaderSize, pixels));
    bytes = std::move(plain);
    offset = kInfoHeaderSize;
  }
  return std::shared_ptr<const DibPicture>(
      new DibPicture(std::move(bytes), offset, dib.width, dib.height));
}

std::shared_ptr<const DibPicture> DibPicture::FromBgra(int width, int height,
                                                       std::vector<std::uint8_t> rows) {
  std::vector<std::uint8_t> bytes = PlainHeader(width, -height);
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  OntoWhite(rows.data(), pixels, false);
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return std::shared_ptr<const DibPicture>(
      new DibPicture(std::move(bytes), kInfoHeaderSize, width, height));
}

const tagBITMAPINFO* DibPicture::Info() const {
  return reinterpret_cast<const BITMAPINFO*>(m_bytes.data());
}

std::vector<std::uint8_t> DibPicture::Rows() const {
  // GDI reads every kind of DIB; drawn into 32-bit rows from the top, each is plain BGR.
  BITMAPINFO target{};
  target.bmiHeader = {sizeof(BITMAPINFOHEADER), m_width, -m_height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<std::uint8_t> rows;
  if (bitmap != nullptr) {
    const HGDIOBJ old = SelectObject(dc, bitmap);
    StretchDIBits(dc, 0, 0, m_width, m_height, 0, 0, m_width, m_height, Bits(), Info(),
                  DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    rows.assign(pixels, pixels + static_cast<std::size_t>(m_width) * 4 * m_height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  return rows;
}

std::vector<bool> DibPicture::BlankRows() const {
  const std::vector<std::uint8_t> rows = Rows();
  const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 4;
  std::vector<bool> blank;
  for (std::size_t at = 0; rowBytes > 0 && at < rows.size(); at += rowBytes) {
    // Blue, green and red compared; the byte after them is no colour.
    blank.push_back(IsBlankRow({rows.data() + at, rowBytes}, 4, 3));
  }
  return blank;
}

Picture LightPicture(const Picture& picture) {
  const auto* dib = dynamic_cast<const DibPicture*>(picture.Pixels());
  std::vector<std::uint8_t> rows = dib != nullptr ? dib->Rows() : std::vector<std::uint8_t>{};
  constexpr PixelLayout kBgr{4, 2, 1, 0};
  LightPrint light;
  light.Look(rows, kBgr);
  if (!light.MostlyDark()) {
    return picture;
  }
  light.Turn(rows, kBgr);
  // Opaque: the picture was laid on white already.
  for (std::size_t at = 3; at < rows.size(); at += 4) {
    rows[at] = 0xFF;
  }
  return Picture(DibPicture::FromBgra(dib->Width(), dib->Height(), std::move(rows)));
}

}  // namespace mirablot::win32
