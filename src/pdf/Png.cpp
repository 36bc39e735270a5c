// SPDX-License-Identifier: MIT
#include "Png.h"

#include <zlib.h>

#include "core/Error.h"
#include "pdf/Crc32.h"

namespace mirablot::pdf {

void RefusePng(const std::string& why) {
  throw Error(ErrorNumber::InvalidPicture, "PNG 画像が壊れています: " + why);
}

int PngHeader::Channels() const {
  switch (colourType) {
    case 0:
    case 3:
      return 1;
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 0;
  }
}

void CheckPngHeader(const PngHeader& header) {
  // PNG allows sizes below 2^31 only, which keeps every size an int.
  constexpr std::uint32_t kLargest = 0x7fffffff;
  const unsigned depth = header.bitDepth;
  bool depthAllowed = false;
  switch (header.colourType) {
    case 0:
      depthAllowed = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
      break;
    case 3:
      depthAllowed = depth == 1 || depth == 2 || depth == 4 || depth == 8;
      break;
    case 2:
    case 4:
    case 6:
      depthAllowed = depth == 8 || depth == 16;
      break;
    default:
      break;
  }
  if (header.width == 0 || header.height == 0 || header.width > kLargest ||
      header.height > kLargest || !depthAllowed || header.compression != 0 || header.filter != 0 ||
      header.interlace > 1) {
    RefusePng("ヘッダーの値が不正です");
  }
}

bool PdfCanCarry(const PngHeader& header) {
  return header.bitDepth == 8 && (header.colourType == 0 || header.colourType == 2) &&
         header.interlace == 0 && !header.transparency;
}

void DeclareWholeWindow(std::span<std::uint8_t> data, std::uint64_t at) {
  // CMF: deflate with a 2^15 window; FLG: its level and dictionary bits kept, its check
  // bits made to fit (CMF·256 + FLG a multiple of 31).
  constexpr std::uint8_t kCmf = 0x78;
  if (at == 0 && !data.empty()) {
    data[0] = kCmf;
  }
  if (at <= 1 && at + data.size() > 1) {
    std::uint8_t& flg = data[1 - at];
    const unsigned top = flg & 0xE0U;
    flg = static_cast<std::uint8_t>(top | (31 - (kCmf * 256U + top) % 31) % 31);
  }
}

std::vector<std::uint8_t> EncodePalettePng(const Bitmap& bitmap) {
  std::vector<std::uint8_t> png(kPngSignature.begin(), kPngSignature.end());
  const auto append32 = [](std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  };
  const auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
    append32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    append32(png, Crc32(0, std::span(png).subspan(start)));
  };
  std::vector<std::uint8_t> header;
  append32(header, static_cast<std::uint32_t>(bitmap.width));
  append32(header, static_cast<std::uint32_t>(bitmap.height));
  header.insert(header.end(), {8, 3, 0, 0, 0});
  chunk("IHDR", header);
  std::vector<std::uint8_t> palette;
  std::vector<std::uint8_t> alpha;
  for (const std::uint32_t colour : bitmap.palette) {
    palette.insert(palette.end(),
                   {static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
                    static_cast<std::uint8_t>(colour)});
    alpha.push_back(static_cast<std::uint8_t>(colour >> 24));
  }
  chunk("PLTE", palette);
  chunk("tRNS", alpha);
  std::vector<std::uint8_t> rows;
  for (int y = 0; y < bitmap.height; ++y) {
    rows.push_back(0);  // no filter
    const auto row = bitmap.pixels.begin() + static_cast<long>(y) * bitmap.width;
    rows.insert(rows.end(), row, row + bitmap.width);
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<std::uint8_t> data(size);
  if (compress2(data.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK) {
    throw Error(ErrorNumber::OutOfMemory);
  }
  data.resize(size);
  chunk("IDAT", data);
  chunk("IEND", {});
  return png;
}

}  // namespace mirablot::pdf
