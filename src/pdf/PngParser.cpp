// SPDX-License-Identifier: MIT
#include "PngParser.h"

#include <algorithm>
#include <cstring>

#include "pdf/Crc32.h"

namespace mirablot::pdf {
namespace {

constexpr std::uint32_t kLongestChunk = 0x7fffffff;
constexpr std::size_t kHeaderLength = 13;
constexpr std::size_t kMostPaletteEntries = 256;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

bool IsLetter(std::uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

PngParser::PngParser(Events events) : m_events(std::move(events)) {}

bool PngParser::Is(const char* type) const {
  return std::memcmp(m_type.data(), type, 4) == 0;
}

std::size_t PngParser::Feed(std::span<const std::uint8_t> bytes) {
  std::size_t at = 0;
  while (at < bytes.size() && m_stage != Stage::Ended) {
    if (m_stage == Stage::Data) {
      const std::size_t count = std::min<std::size_t>(m_left, bytes.size() - at);
      const std::span<const std::uint8_t> data = bytes.subspan(at, count);
      m_checksum = Crc32(m_checksum, data);
      if (Is("IDAT")) {
        m_events.imageData(data);
      } else if (m_keeping) {
        m_kept.insert(m_kept.end(), data.begin(), data.end());
      }
      at += count;
      m_left -= static_cast<std::uint32_t>(count);
      if (m_left == 0) {
        m_stage = Stage::Checksum;
      }
      continue;
    }
    const std::size_t size = m_stage == Stage::Checksum ? 4 : 8;
    const std::size_t count = std::min(size - m_fieldUsed, bytes.size() - at);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), count,
                m_field.begin() + static_cast<std::ptrdiff_t>(m_fieldUsed));
    m_fieldUsed += count;
    at += count;
    if (m_fieldUsed < size) {
      continue;
    }
    m_fieldUsed = 0;
    if (m_stage == Stage::Signature) {
      if (!std::equal(m_field.begin(), m_field.end(), kPngSignature.begin())) {
        RefusePng("PNG の先頭ではありません");
      }
      m_stage = Stage::Head;
    } else if (m_stage == Stage::Head) {
      ChunkBegins();
    } else {
      if (BigEndian32(m_field.data()) != m_checksum) {
        RefusePng("チャンクのチェックサムが合いません");
      }
      ChunkEnds();
    }
  }
  return at;
}

void PngParser::Finish() const {
  if (m_stage != Stage::Ended) {
    RefusePng(m_stage == Stage::Data || m_stage == Stage::Checksum
                  ? "チャンクが途中で終わっています"
                  : "IEND の前で終わっています");
  }
}

void PngParser::ChunkBegins() {
  m_length = BigEndian32(m_field.data());
  std::copy_n(m_field.begin() + 4, 4, m_type.begin());
  if (m_length > kLongestChunk) {
    RefusePng("チャンクの長さが不正です");
  }
  if (!std::all_of(m_type.begin(), m_type.end(), IsLetter)) {
    RefusePng("チャンクの種類が不正です");
  }
  if (!m_seenHeader) {
    if (!Is("IHDR") || m_length != kHeaderLength) {
      RefusePng("先頭が IHDR ではありません");
    }
  } else if (Is("IHDR")) {
    RefusePng("IHDR が二つあります");
  } else if (Is("IDAT")) {
    if (m_imageEnded) {
      RefusePng("画素データが他のチャンクで分かれています");
    }
    if (!m_inImage) {
      if (m_header.colourType == 3 && !m_seenPalette) {
        RefusePng("パレットがありません");
      }
      m_inImage = true;
      m_events.imageStart();
    }
  } else if (Is("IEND")) {
    if (m_length != 0) {
      RefusePng("IEND が空ではありません");
    }
    if (!m_inImage) {
      RefusePng("画素データがありません");
    }
  } else if (Is("PLTE") && !m_inImage) {
    if ((m_header.colourType & 2) == 0) {
      RefusePng("白黒の画像にパレットがあります");
    }
    if (m_seenPalette || m_header.transparency) {
      RefusePng("パレットの位置が不正です");
    }
    if (m_length == 0 || m_length % 3 != 0 || m_length > 3 * kMostPaletteEntries) {
      RefusePng("パレットの長さが不正です");
    }
  } else if (Is("tRNS") && !m_inImage) {
    if (m_header.transparency || (m_header.colourType == 3 && !m_seenPalette)) {
      RefusePng("透明色の位置が不正です");
    }
    // A grey or RGB colour, or alphas for the first palette entries; none with an alpha channel.
    const bool fits = m_header.colourType == 0   ? m_length == 2
                      : m_header.colourType == 2 ? m_length == 6
                      : m_header.colourType == 3 ? m_length >= 1 && m_length <= m_palette.size()
                                                 : false;
    if (!fits) {
      RefusePng("透明色の長さが不正です");
    }
  } else if (m_type[0] < 'a' && !Is("PLTE")) {
    RefusePng("知らない必須チャンクがあります");
  }
  if (m_inImage && !Is("IDAT")) {
    m_imageEnded = true;
  }
  m_checksum = Crc32(0, m_type);
  m_left = m_length;
  m_kept.clear();
  // Their lengths are checked above: a few hundred bytes at most.
  m_keeping = Is("IHDR") || (!m_inImage && (Is("PLTE") || Is("tRNS")));
  m_stage = m_length > 0 ? Stage::Data : Stage::Checksum;
}

void PngParser::ChunkEnds() {
  m_stage = Stage::Head;
  if (Is("IHDR")) {
    const std::uint8_t* data = m_kept.data();
    m_header.width = BigEndian32(data);
    m_header.height = BigEndian32(data + 4);
    m_header.bitDepth = data[8];
    m_header.colourType = data[9];
    m_header.compression = data[10];
    m_header.filter = data[11];
    m_header.interlace = data[12];
    CheckPngHeader(m_header);
    m_seenHeader = true;
    m_events.header(m_header);
  } else if (Is("PLTE") && !m_inImage) {
    m_seenPalette = true;
    for (std::size_t i = 0; i + 2 < m_kept.size(); i += 3) {
      m_palette.push_back(0xff000000U | (std::uint32_t{m_kept[i]} << 16) |
                          (std::uint32_t{m_kept[i + 1]} << 8) | m_kept[i + 2]);
    }
  } else if (Is("tRNS") && !m_inImage) {
    m_header.transparency = true;
    if (m_header.colourType == 3) {
      for (std::size_t i = 0; i < m_kept.size(); ++i) {
        m_palette[i] = (m_palette[i] & 0x00ffffffU) | (std::uint32_t{m_kept[i]} << 24);
      }
    } else {
      for (std::size_t i = 0; i + 1 < m_kept.size(); i += 2) {
        m_key.push_back(static_cast<std::uint16_t>(m_kept[i] << 8 | m_kept[i + 1]));
      }
    }
  } else if (Is("IEND")) {
    m_stage = Stage::Ended;
  }
}

}  // namespace mirablot::pdf
