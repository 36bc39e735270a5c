// SPDX-License-Identifier: MIT
#include "Png.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>
#include <zlib.h>

#include "core/Error.h"

namespace mirablot::pdf {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t kChunkOverhead = 12;  // length, type, checksum

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

// The image data must open as a zlib stream of deflate data: a cheap check that what the
// chunks carry is compressed pixels at all.
void CheckStreamHeader(std::span<const std::uint8_t> first) {
  if (first.size() < 2 || (first[0] & 0x0f) != 8 || ((first[0] << 8) | first[1]) % 31 != 0) {
    RefusePng("画素データが zlib 形式ではありません");
  }
}

}  // namespace

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
  if (header.width == 0 || header.height == 0 || header.width > kLargest ||
      header.height > kLargest || header.Channels() == 0 || header.interlace > 1) {
    RefusePng("ヘッダーの値が不正です");
  }
}

std::optional<PngHeader> ReadPngHeader(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kHeaderEnd = kSignature.size() + 8 + 13;
  if (bytes.size() < kHeaderEnd ||
      !std::equal(kSignature.begin(), kSignature.end(), bytes.begin()) ||
      BigEndian32(&bytes[8]) != 13 ||
      std::string_view(reinterpret_cast<const char*>(&bytes[12]), 4) != "IHDR") {
    return std::nullopt;
  }
  const std::uint8_t* ihdr = &bytes[16];
  PngHeader header;
  header.width = BigEndian32(ihdr);
  header.height = BigEndian32(ihdr + 4);
  header.bitDepth = ihdr[8];
  header.colourType = ihdr[9];
  header.interlace = ihdr[12];
  // A tRNS chunk comes before the image data.
  for (std::size_t at = kHeaderEnd + 4; at + 8 <= bytes.size();) {
    const std::string_view type(reinterpret_cast<const char*>(&bytes[at + 4]), 4);
    if (type == "IDAT") {
      break;
    }
    header.transparency = header.transparency || type == "tRNS";
    const std::uint64_t next = at + kChunkOverhead + std::uint64_t{BigEndian32(&bytes[at])};
    if (next > bytes.size()) {
      break;
    }
    at = static_cast<std::size_t>(next);
  }
  return header;
}

PngImage ReadPng(std::span<const std::uint8_t> bytes) {
  const std::optional<PngHeader> header = ReadPngHeader(bytes);
  if (!header) {
    RefusePng("PNG の先頭ではありません");
  }
  PngImage png{*header, {}};
  CheckPngHeader(png.header);
  bool ended = false;
  std::size_t at = kSignature.size();
  while (!ended) {
    if (bytes.size() - at < kChunkOverhead) {
      RefusePng("IEND の前で終わっています");
    }
    const std::uint32_t length = BigEndian32(&bytes[at]);
    if (length > bytes.size() - at - kChunkOverhead) {
      RefusePng("チャンクが途中で終わっています");
    }
    const std::span<const std::uint8_t> typeAndData =
        bytes.subspan(at + 4, 4 + std::size_t{length});
    const std::uint32_t checksum = BigEndian32(&bytes[at + 8 + length]);
    if (crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size())) != checksum) {
      RefusePng("チャンクのチェックサムが合いません");
    }
    const std::string_view type(reinterpret_cast<const char*>(typeAndData.data()), 4);
    const std::span<const std::uint8_t> data = typeAndData.subspan(4);
    if (type == "IDAT") {
      png.data.push_back(data);
    } else if (type == "IEND") {
      ended = true;
    }
    at += kChunkOverhead + length;
  }
  if (png.data.empty()) {
    RefusePng("画素データがありません");
  }
  CheckStreamHeader(png.data.front());
  return png;
}

namespace {

// The bytes of each row: its filter byte, then its samples.
std::uint64_t RowBytes(const PngHeader& header) {
  return 1 + (std::uint64_t{header.width} * static_cast<std::uint64_t>(header.Channels()) *
                  header.bitDepth +
              7) /
                 8;
}

// The sample PNG's filters predicted from its neighbours: left a, above b, upper left c.
std::uint8_t Predicted(int filter, int a, int b, int c) {
  switch (filter) {
    case 1:
      return static_cast<std::uint8_t>(a);
    case 2:
      return static_cast<std::uint8_t>(b);
    case 3:
      return static_cast<std::uint8_t>((a + b) / 2);
    case 4: {
      const int p = a + b - c;
      const int pa = std::abs(p - a);
      const int pb = std::abs(p - b);
      const int pc = std::abs(p - c);
      return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
    }
    default:
      return 0;
  }
}

}  // namespace

struct ImageDataInflater::Stream {
  z_stream z{};
  // Inflated rows land here and are dropped or handed on: a megabyte lets zlib's fast loop run
  // long (a quarter less time than 64 KB on a 4K screenshot).
  std::vector<std::uint8_t> out = std::vector<std::uint8_t>(std::size_t{1} << 20);
};

ImageDataInflater::ImageDataInflater(const PngHeader& header)
    : m_stream(std::make_unique<Stream>()), m_expected(RowBytes(header) * header.height) {
  if (inflateInit(&m_stream->z) != Z_OK) {
    throw Error(ErrorNumber::OutOfMemory);
  }
}

ImageDataInflater::~ImageDataInflater() {
  inflateEnd(&m_stream->z);
}

void ImageDataInflater::Feed(std::span<const std::uint8_t> piece, const Take& take) {
  z_stream& stream = m_stream->z;
  std::vector<std::uint8_t>& out = m_stream->out;
  stream.next_in = const_cast<Bytef*>(piece.data());
  stream.avail_in = static_cast<uInt>(piece.size());
  // Until the piece is used up and nothing more comes out of it.
  while (!m_ended && (stream.avail_in > 0 || stream.avail_out == 0)) {
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&stream, Z_NO_FLUSH);
    const std::size_t got = out.size() - stream.avail_out;
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
      RefusePng(std::string("画素データを展開できません (") +
                (stream.msg != nullptr ? stream.msg : "") + ")");
    }
    if (m_inflated + got > m_expected) {
      RefusePng("画素データが行の数より多くあります");
    }
    m_inflated += got;
    if (take && got > 0) {
      take(std::span<const std::uint8_t>(out.data(), got));
    }
    m_ended = status == Z_STREAM_END;
    if (status == Z_BUF_ERROR) {
      break;  // it wants the next piece
    }
  }
}

void ImageDataInflater::End() {
  if (!m_ended || m_inflated < m_expected) {
    RefusePng("画素データが途中で終わっています");
  }
}

void CheckImageData(const PngImage& png) {
  ImageDataInflater inflater(png.header);
  for (const std::span<const std::uint8_t> part : png.data) {
    inflater.Feed(part);
  }
  inflater.End();
}

std::vector<bool> BlankRows(const PngImage& png) {
  const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(png.header));
  const std::size_t channels = static_cast<std::size_t>(png.header.Channels());
  std::vector<std::uint8_t> row(rowBytes);  // filter byte, then samples, unfiltered as they come
  std::vector<std::uint8_t> above(rowBytes, 0);
  std::size_t at = 0;
  std::vector<bool> blank;
  blank.reserve(png.header.height);
  ImageDataInflater inflater(png.header);
  const auto unfilter = [&](std::span<const std::uint8_t> piece) {
    for (const std::uint8_t byte : piece) {
      if (at == 0) {
        row[0] = byte;
      } else {
        const int a = at > channels ? row[at - channels] : 0;
        const int c = at > channels ? above[at - channels] : 0;
        row[at] = static_cast<std::uint8_t>(byte + Predicted(row[0], a, above[at], c));
      }
      if (++at < rowBytes) {
        continue;
      }
      bool same = true;
      for (std::size_t i = 1 + channels; i < rowBytes && same; ++i) {
        same = std::abs(row[i] - row[1 + (i - 1) % channels]) <= 8;
      }
      blank.push_back(same);
      std::swap(row, above);
      at = 0;
    }
  };
  for (const std::span<const std::uint8_t> part : png.data) {
    inflater.Feed(part, unfilter);
  }
  inflater.End();
  return blank;
}

bool PdfCanCarry(const PngHeader& header) {
  return header.bitDepth == 8 && (header.colourType == 0 || header.colourType == 2) &&
         header.interlace == 0 && !header.transparency;
}

std::vector<std::uint8_t> EncodePalettePng(const Bitmap& bitmap) {
  std::vector<std::uint8_t> png(kSignature.begin(), kSignature.end());
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
    append32(png, static_cast<std::uint32_t>(
                      crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
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
