// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ports/ByteStream.h"

namespace mirablot::testing {

// Bytes arriving a few at a time, as a clipboard owner or a pipe hands them over: `piece` at a
// time, or with a seed, pieces of 1 to `piece` bytes whose sizes the seed chooses.
class MemoryStream final : public ByteStream {
 public:
  explicit MemoryStream(std::vector<std::uint8_t> bytes, std::size_t piece = 5,
                        std::optional<std::uint32_t> seed = {})
      : m_bytes(std::move(bytes)), m_piece(piece), m_seed(seed) {}

  std::size_t Read(std::span<std::uint8_t> into) override {
    std::size_t piece = m_piece;
    if (m_seed) {
      m_seed = *m_seed * 1103515245 + 12345;
      piece = 1 + (*m_seed >> 16) % m_piece;
    }
    const std::size_t count = std::min({into.size(), piece, m_bytes.size() - m_at});
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at), count, into.begin());
    m_at += count;
    return count;
  }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_piece;
  std::optional<std::uint32_t> m_seed;
  std::size_t m_at = 0;
};

}  // namespace mirablot::testing
