// SPDX-License-Identifier: MIT
#include "PackedDib.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "core/Error.h"

namespace mirablot::win32 {
namespace {

// BITMAPINFOHEADER, BITMAPV4HEADER and BITMAPV5HEADER, and where their fields lie.
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV4HeaderSize = 108;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::size_t kWidth = 4;
constexpr std::size_t kHeight = 8;
constexpr std::size_t kPlanes = 12;
constexpr std::size_t kBitCount = 14;
constexpr std::size_t kCompression = 16;
constexpr std::size_t kColoursUsed = 32;
constexpr std::size_t kRedMask = 40;  // then green, blue and alpha, in the longer headers
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::size_t kRgbQuad = 4;

std::uint32_t Little32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

[[noreturn]] void Refuse(const std::string& why) {
  throw Error(ErrorNumber::InvalidPicture, "クリップボードのビットマップを読めません: " + why);
}

bool CarriesAlpha(const std::uint8_t* data, std::uint32_t headerSize, unsigned depth,
                  std::uint32_t compression, std::size_t bits, std::size_t end) {
  if (depth != 32 || headerSize < kV4HeaderSize || compression != kBitFields ||
      Little32(data + kRedMask) != 0x00FF0000U || Little32(data + kRedMask + 4) != 0x0000FF00U ||
      Little32(data + kRedMask + 8) != 0x000000FFU ||
      Little32(data + kRedMask + 12) != 0xFF000000U) {
    return false;
  }
  for (std::size_t at = bits + 3; at < end; at += 4) {
    if (data[at] != 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

PackedDib CheckPackedDib(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kInfoHeaderSize) {
    Refuse("ヘッダーが途中で切れています。");
  }
  const std::uint32_t headerSize = Little32(data);
  if (headerSize != kInfoHeaderSize && headerSize != kV4HeaderSize && headerSize != kV5HeaderSize) {
    Refuse("ヘッダーの形式 (" + std::to_string(headerSize) + " バイト) を扱えません。");
  }
  if (size < headerSize) {
    Refuse("ヘッダーが途中で切れています。");
  }
  const auto width = static_cast<std::int32_t>(Little32(data + kWidth));
  const auto height = static_cast<std::int32_t>(Little32(data + kHeight));
  const unsigned planes = data[kPlanes] | data[kPlanes + 1] << 8;
  const unsigned depth = data[kBitCount] | data[kBitCount + 1] << 8;
  const std::uint32_t compression = Little32(data + kCompression);
  const std::uint32_t coloursUsed = Little32(data + kColoursUsed);
  if (planes != 1 ||
      (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)) {
    Refuse("色数 (" + std::to_string(depth) + " ビット) を扱えません。");
  }
  const bool bitfields = compression == kBitFields;
  if (compression != kRgb && !(bitfields && (depth == 16 || depth == 32))) {
    Refuse("圧縮形式 (" + std::to_string(compression) + ") を扱えません。");
  }
  if (width <= 0 || height == 0 || height == INT_MIN) {
    Refuse("大きさ (" + std::to_string(width) + " × " + std::to_string(height) +
           ") が正しくありません。");
  }
  const std::uint64_t paletteMax = depth <= 8 ? (1ULL << depth) : 0;
  if (depth <= 8 && coloursUsed > paletteMax) {
    Refuse("色表 (" + std::to_string(coloursUsed) + " 色) が大きすぎます。");
  }
  const std::uint64_t colours = coloursUsed != 0 ? std::uint64_t{coloursUsed} : paletteMax;
  // Masks follow only the short header; the longer ones hold them inside.
  const std::uint64_t masks = bitfields && headerSize == kInfoHeaderSize ? 12 : 0;
  const std::uint64_t bitsOffset = headerSize + masks + colours * kRgbQuad;
  const auto columns = static_cast<std::uint64_t>(width);
  const auto rows = static_cast<std::uint64_t>(std::abs(height));
  const std::uint64_t stride = (columns * depth + 31) / 32 * 4;
  // Divided, not multiplied: stride times rows can pass 2^64.
  if (bitsOffset > size || stride > (size - bitsOffset) / rows) {
    Refuse("画素のデータが途中で切れています (" + std::to_string(size) + " バイト)。");
  }
  PackedDib dib;
  dib.width = width;
  dib.height = std::abs(height);
  dib.bitsOffset = static_cast<std::size_t>(bitsOffset);
  dib.end = static_cast<std::size_t>(bitsOffset + stride * rows);
  dib.alpha = CarriesAlpha(data, headerSize, depth, compression, dib.bitsOffset, dib.end);
  return dib;
}

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

}  // namespace mirablot::win32
