// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

namespace mirablot::pdf {

/// The CRC-32 of PNG's chunks (and of zlib), continued from `crc` over the bytes; 0 to begin.
[[nodiscard]] std::uint32_t Crc32(std::uint32_t crc, std::span<const std::uint8_t> bytes);

}  // namespace mirablot::pdf
