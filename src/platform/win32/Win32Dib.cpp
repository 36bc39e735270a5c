// SPDX-License-Identifier: MIT
#include "Win32Dib.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/Error.h"

namespace mirablot::win32 {
namespace {

constexpr std::size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr std::uint32_t kAlphaMask = 0xFF000000U;

[[noreturn]] void Refuse(const std::string& why) {
  throw Error(ErrorNumber::InvalidPicture, "クリップボードのビットマップを読めません: " + why);
}

// Whether 32-bit rows carry real alpha: the header says so, and not every pixel is 0 there
// (programs that leave the byte unused write 0).
bool CarriesAlpha(const BITMAPINFOHEADER& header, const std::uint8_t* data, std::size_t bits,
                  std::size_t size) {
  if (header.biBitCount != 32 || header.biSize < sizeof(BITMAPV4HEADER) ||
      header.biCompression != BI_BITFIELDS) {
    return false;
  }
  BITMAPV4HEADER v4{};  // the caller checked that the data holds it
  std::memcpy(&v4, data, sizeof v4);
  if (v4.bV4AlphaMask != kAlphaMask || v4.bV4RedMask != 0x00FF0000U ||
      v4.bV4GreenMask != 0x0000FF00U || v4.bV4BlueMask != 0x000000FFU) {
    return false;
  }
  for (std::size_t at = bits + 3; at < size; at += 4) {
    if (data[at] != 0) {
      return true;
    }
  }
  return false;
}

// Lays BGRA pixels on white. Premultiplied colour (no channel above its alpha, as most
// programs write it) and straight colour need different sums.
void OntoWhite(std::uint8_t* pixels, std::size_t count, bool premultiplied) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* pixel = pixels + i * 4;
    const unsigned alpha = pixel[3];
    for (int channel = 0; channel < 3; ++channel) {
      const unsigned colour = pixel[channel];
      const unsigned shown = premultiplied ? colour + (255 - alpha)
                                           : (colour * alpha + 255 * (255 - alpha) + 127) / 255;
      pixel[channel] = static_cast<std::uint8_t>(std::min(shown, 255U));
    }
    pixel[3] = 0;
  }
}

bool Premultiplied(const std::uint8_t* pixels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* pixel = pixels + i * 4;
    if (pixel[0] > pixel[3] || pixel[1] > pixel[3] || pixel[2] > pixel[3]) {
      return false;
    }
  }
  return true;
}

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
  if (data == nullptr || size < kInfoHeaderSize) {
    Refuse("ヘッダーが途中で切れています。");
  }
  BITMAPINFOHEADER header{};
  std::memcpy(&header, data, kInfoHeaderSize);
  if (header.biSize != kInfoHeaderSize && header.biSize != sizeof(BITMAPV4HEADER) &&
      header.biSize != sizeof(BITMAPV5HEADER)) {
    Refuse("ヘッダーの形式 (" + std::to_string(header.biSize) + " バイト) を扱えません。");
  }
  if (size < header.biSize) {
    Refuse("ヘッダーが途中で切れています。");
  }
  const unsigned depth = header.biBitCount;
  if (header.biPlanes != 1 ||
      (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)) {
    Refuse("色数 (" + std::to_string(depth) + " ビット) を扱えません。");
  }
  const bool bitfields = header.biCompression == BI_BITFIELDS;
  if (header.biCompression != BI_RGB && !(bitfields && (depth == 16 || depth == 32))) {
    Refuse("圧縮形式 (" + std::to_string(header.biCompression) + ") を扱えません。");
  }
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT_MIN) {
    Refuse("大きさ (" + std::to_string(header.biWidth) + " × " + std::to_string(header.biHeight) +
           ") が正しくありません。");
  }
  const std::uint64_t paletteMax = depth <= 8 ? (1ULL << depth) : 0;
  if (depth <= 8 && header.biClrUsed > paletteMax) {
    Refuse("色表 (" + std::to_string(header.biClrUsed) + " 色) が大きすぎます。");
  }
  const std::uint64_t colours =
      header.biClrUsed != 0 ? std::uint64_t{header.biClrUsed} : paletteMax;
  // Masks follow only the short header; the longer ones hold them inside.
  const std::uint64_t masks = bitfields && header.biSize == kInfoHeaderSize ? 12 : 0;
  const std::uint64_t bitsOffset = header.biSize + masks + colours * sizeof(RGBQUAD);
  const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
  const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(header.biHeight));
  const std::uint64_t stride = (width * depth + 31) / 32 * 4;
  // Divided, not multiplied: stride times rows can pass 2^64.
  if (bitsOffset > size || stride > (size - bitsOffset) / rows) {
    Refuse("画素のデータが途中で切れています (" + std::to_string(size) + " バイト)。");
  }
  const auto end = static_cast<std::size_t>(bitsOffset + stride * rows);
  std::vector<std::uint8_t> bytes(data, data + end);
  auto offset = static_cast<std::size_t>(bitsOffset);
  if (CarriesAlpha(header, data, offset, end)) {
    // GDI ignores alpha when it draws: lay the picture on white first, and say so in a plain
    // header of the same size and row order.
    std::vector<std::uint8_t> plain = PlainHeader(header.biWidth, header.biHeight);
    const std::size_t pixels = static_cast<std::size_t>(width * rows);
    plain.insert(plain.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end());
    OntoWhite(plain.data() + kInfoHeaderSize, pixels,
              Premultiplied(plain.data() + kInfoHeaderSize, pixels));
    bytes = std::move(plain);
    offset = kInfoHeaderSize;
  }
  return std::shared_ptr<const DibPicture>(
      new DibPicture(std::move(bytes), offset, header.biWidth, std::abs(header.biHeight)));
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

std::vector<bool> DibPicture::BlankRows() const {
  // GDI reads every kind of DIB; drawn as 32-bit rows from the top, each row is compared.
  BITMAPINFO target{};
  target.bmiHeader = {sizeof(BITMAPINFOHEADER), m_width, -m_height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<bool> blank;
  if (bitmap != nullptr) {
    const HGDIOBJ old = SelectObject(dc, bitmap);
    StretchDIBits(dc, 0, 0, m_width, m_height, 0, 0, m_width, m_height, Bits(), Info(),
                  DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 4;
    for (int y = 0; y < m_height; ++y) {
      const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * rowBytes;
      bool same = true;
      for (std::size_t i = 4; i < rowBytes && same; ++i) {
        same = i % 4 == 3 || std::abs(row[i] - row[i % 4]) <= 8;
      }
      blank.push_back(same);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  return blank;
}

}  // namespace mirablot::win32
