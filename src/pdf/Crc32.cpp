// SPDX-License-Identifier: MIT
#include "Crc32.h"

#include <isa-l/crc.h>

namespace mirablot::pdf {

std::uint32_t Crc32(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
  // ISA-L's folding CRC: several times zlib's on the image data's chunks.
  return crc32_gzip_refl(crc, bytes.data(), bytes.size());
}

}  // namespace mirablot::pdf
