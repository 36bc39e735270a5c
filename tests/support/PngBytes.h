// SPDX-License-Identifier: MIT
#pragma once

// PNG files put together byte by byte, their checksums by zlib: the tests' pictures owe nothing
// to the reader they test.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>
#include <zlib.h>

namespace mirablot::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

inline void Append32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

/// The chunk whole: its length, type, data and checksum.
inline Bytes ChunkOf(const char* type, const Bytes& data) {
  Bytes chunk;
  Append32(chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  Append32(chunk, static_cast<std::uint32_t>(
                      crc32(0, chunk.data() + 4, static_cast<uInt>(chunk.size() - 4))));
  return chunk;
}

/// A PNG of this size, colour type, bit depth and image data, split into IDAT chunks of `part`
/// bytes.
inline Bytes PngOf(std::uint32_t width, std::uint32_t height, const Bytes& data,
                   std::size_t part = 7, std::uint8_t colourType = 2, std::uint8_t depth = 8) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes header;
  Append32(header, width);
  Append32(header, height);
  header.insert(header.end(), {depth, colourType, 0, 0, 0});
  const auto append = [&png](const Bytes& chunk) {
    png.insert(png.end(), chunk.begin(), chunk.end());
  };
  append(ChunkOf("IHDR", header));
  for (std::size_t at = 0; at < data.size(); at += part) {
    append(
        ChunkOf("IDAT", Bytes(data.begin() + static_cast<long>(at),
                              data.begin() + static_cast<long>(std::min(at + part, data.size())))));
  }
  append(ChunkOf("IEND", {}));
  return png;
}

}  // namespace mirablot::testing
