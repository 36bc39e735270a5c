// SPDX-License-Identifier: MIT
#include "PngImageData.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <isa-l/igzip_lib.h>
#include <string>

#include "core/Error.h"

namespace mirablot::pdf {
namespace {

// Adam7: where each pass's pixels start and how far apart they lie.
constexpr std::array<std::array<std::uint32_t, 4>, 7> kAdam7 = {{
    {0, 0, 8, 8},
    {4, 0, 8, 8},
    {0, 4, 4, 8},
    {2, 0, 4, 4},
    {0, 2, 2, 4},
    {1, 0, 2, 2},
    {0, 1, 1, 2},
}};

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
}

// Undoes the row's filter in place; `above` is the row before, all 0 for a pass's first.
void Unfilter(int filter, std::uint8_t* row, const std::uint8_t* above, std::size_t count,
              std::size_t bpp) {
  switch (filter) {
    case 1:
      for (std::size_t i = bpp; i < count; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
      }
      break;
    case 2:
      for (std::size_t i = 0; i < count; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
      }
      break;
    case 3:
      for (std::size_t i = 0; i < count; ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<std::uint8_t>(row[i] + ((left + above[i]) >> 1));
      }
      break;
    case 4:
      for (std::size_t i = 0; i < std::min(bpp, count); ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
      }
      for (std::size_t i = bpp; i < count; ++i) {
        row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - bpp], above[i], above[i - bpp]));
      }
      break;
    default:
      break;
  }
}

// A megabyte, or what the rows need if less.
std::size_t OutputSize(const PngHeader& header) {
  constexpr std::uint64_t kMost = std::uint64_t{1} << 20;
  std::uint64_t rows = 0;
  for (const PngPass& pass : PassesOf(header)) {
    const std::uint64_t row = 1 + SampleBytes(header, pass.width);
    if (row >= kMost || pass.height >= (kMost - rows) / row) {
      return kMost;
    }
    rows += row * pass.height;
  }
  return static_cast<std::size_t>(std::max<std::uint64_t>(rows, 1));
}

}  // namespace

std::vector<PngPass> PassesOf(const PngHeader& header) {
  if (header.interlace == 0) {
    return {{header.width, header.height, 0, 0, 1, 1}};
  }
  std::vector<PngPass> passes;
  for (const auto& [x0, y0, dx, dy] : kAdam7) {
    const std::uint32_t width = header.width > x0 ? (header.width - x0 + dx - 1) / dx : 0;
    const std::uint32_t height = header.height > y0 ? (header.height - y0 + dy - 1) / dy : 0;
    if (width > 0 && height > 0) {
      passes.push_back({width, height, x0, y0, dx, dy});
    }
  }
  return passes;
}

std::uint64_t SampleBytes(const PngHeader& header, std::uint32_t width) {
  return (std::uint64_t{width} * static_cast<std::uint64_t>(header.Channels()) * header.bitDepth +
          7) /
         8;
}

struct ImageDataInflater::Stream {
  // ISA-L: a third of zlib's time on a screenshot's rows, in the same constant memory, and
  // the zlib header and Adler-32 trailer checked as zlib checks them.
  inflate_state state{};
  // Inflated rows land here and are looked at, then dropped: a megabyte lets the fast loop run
  // long. Never cleared: only what was inflated into it is read.
  explicit Stream(std::size_t size)
      : memory(std::make_unique_for_overwrite<std::uint8_t[]>(size)), out(memory.get(), size) {
    isal_inflate_init(&state);
    state.crc_flag = ISAL_ZLIB;
  }
  std::unique_ptr<std::uint8_t[]> memory;
  std::span<std::uint8_t> out;
  bool started = false;
};

ImageDataInflater::ImageDataInflater(const PngHeader& header, RowHandler rows)
    : m_stream(std::make_unique<Stream>(OutputSize(header))),
      m_header(header),
      m_rows(std::move(rows)),
      m_passes(PassesOf(header)),
      m_bytesPerPixel(std::max<std::size_t>(
          1, static_cast<std::size_t>(header.Channels()) * header.bitDepth / 8)) {
  m_rowBytes = static_cast<std::size_t>(1 + SampleBytes(header, m_passes.front().width));
  if (m_rows) {
    m_current.resize(m_rowBytes);
    m_above.assign(m_rowBytes, 0);
  }
}

ImageDataInflater::~ImageDataInflater() = default;

void ImageDataInflater::Feed(std::span<const std::uint8_t> piece) {
  inflate_state& state = m_stream->state;
  const std::span<std::uint8_t> out = m_stream->out;
  if (!m_stream->started && !piece.empty()) {
    // ISA-L takes any window size the header names; zlib, and so the printer, at most 32 KB.
    if (piece[0] >> 4 > 7) {
      RefusePng("画素データの圧縮の窓が大きすぎます");
    }
    m_stream->started = true;
  }
  // Pieces are one read's image data at most: well under 4 GB.
  state.next_in = const_cast<std::uint8_t*>(piece.data());
  state.avail_in = static_cast<std::uint32_t>(piece.size());
  // Until the piece is used up and nothing more comes out of it.
  while (!m_ended && (state.avail_in > 0 || state.avail_out == 0)) {
    const std::uint32_t before = state.avail_in;
    state.next_out = out.data();
    state.avail_out = static_cast<std::uint32_t>(out.size());
    const int status = isal_inflate(&state);
    if (status == ISAL_INCORRECT_CHECKSUM) {
      RefusePng("画素データの検査値が合いません");
    }
    if (status != ISAL_DECOMP_OK) {
      RefusePng("画素データを展開できません (" + std::to_string(status) + ")");
    }
    const std::size_t inflated = out.size() - state.avail_out;
    Take(out.first(inflated));
    m_ended = state.block_state == ISAL_BLOCK_FINISH;
    if (inflated == 0 && state.avail_in == before) {
      break;  // it wants the next piece
    }
  }
  // ISA-L may have taken a few whole bytes past the end into its bit buffer (and leaves a
  // few bits there that are none).
  if (m_ended && (state.avail_in > 0 || state.read_in_length >= 8)) {
    RefusePng("画素データの後に余分なデータがあります");
  }
}

void ImageDataInflater::Take(std::span<const std::uint8_t> inflated) {
  for (std::size_t i = 0; i < inflated.size();) {
    if (m_pass == m_passes.size()) {
      RefusePng("画素データが行の数より多くあります");
    }
    if (m_at == 0 && inflated[i] > 4) {
      RefusePng("行のフィルターの種類が不正です");
    }
    const std::size_t count = std::min(m_rowBytes - m_at, inflated.size() - i);
    if (m_rows) {
      std::copy_n(inflated.begin() + static_cast<std::ptrdiff_t>(i), count,
                  m_current.begin() + static_cast<std::ptrdiff_t>(m_at));
    }
    m_at += count;
    i += count;
    if (m_at == m_rowBytes) {
      NextRow();
    }
  }
}

void ImageDataInflater::NextRow() {
  if (m_rows) {
    Unfilter(m_current[0], m_current.data() + 1, m_above.data() + 1, m_rowBytes - 1,
             m_bytesPerPixel);
    m_rows(m_pass, m_row, std::span(m_current).subspan(1));
    std::swap(m_current, m_above);
  }
  m_at = 0;
  if (++m_row < m_passes[m_pass].height) {
    return;
  }
  m_row = 0;
  if (++m_pass < m_passes.size()) {
    m_rowBytes = static_cast<std::size_t>(1 + SampleBytes(m_header, m_passes[m_pass].width));
    if (m_rows) {
      m_current.resize(m_rowBytes);
      m_above.assign(m_rowBytes, 0);
    }
  }
}

void ImageDataInflater::End() {
  if (!m_ended || m_pass < m_passes.size()) {
    RefusePng("画素データが途中で終わっています");
  }
}

}  // namespace mirablot::pdf
