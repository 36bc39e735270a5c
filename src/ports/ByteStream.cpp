// SPDX-License-Identifier: MIT
#include "ByteStream.h"

#include <algorithm>

namespace mirablot {

std::vector<std::uint8_t> ReadToEnd(ByteStream& stream) {
  std::vector<std::uint8_t> bytes;
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      bytes.resize(std::max<std::size_t>(bytes.size() * 2, std::size_t{1} << 16));
    }
    const std::size_t got = stream.Read(std::span(bytes).subspan(used));
    if (got == 0) {
      bytes.resize(used);
      return bytes;
    }
    used += got;
  }
}

}  // namespace mirablot
