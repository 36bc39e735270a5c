// SPDX-License-Identifier: MIT
#include "Crc32.h"

#include <zlib.h>

namespace mirablot::pdf {

std::uint32_t Crc32(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  return static_cast<std::uint32_t>(
      crc32_z(crc, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

}  // namespace mirablot::pdf
