// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ports/ByteStream.h"

namespace mirablot::testing {

// Bytes arriving a few at a time, as a clipboard owner or a pipe hands them over.
class MemoryStream final : public ByteStream {
 public:
  explicit MemoryStream(std::vector<std::uint8_t> bytes, std::size_t piece = 5)
      : m_bytes(std::move(bytes)), m_piece(piece) {}

  std::size_t Read(std::span<std::uint8_t> into) override {
    const std::size_t count = std::min({into.size(), m_piece, m_bytes.size() - m_at});
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at), count, into.begin());
    m_at += count;
    return count;
  }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_piece;
  std::size_t m_at = 0;
};

}  // namespace mirablot::testing
