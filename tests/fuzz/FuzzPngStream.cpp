// SPDX-License-Identifier: MIT
// A PNG arriving in pieces of any size, read ahead or not: the same verdict and the same
// document as when it arrives at once. The first byte chooses the read-ahead, the next two
// the pieces; the rest is the picture.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "MemoryStream.h"
#include "PngFuzzing.h"

using mirablot::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  const std::span<const std::uint8_t> png(data + 3, size - 3);
  const std::size_t readAhead = data[0] < 128 ? std::size_t{data[0]} * 64 : std::size_t{8} << 20;
  const std::uint32_t seed = std::uint32_t{data[1]} << 8 | data[2];
  const bool stream = (data[0] & 1) == 0;
  const mirablot::fuzz::Print pieces =
      mirablot::fuzz::PrintOf(mirablot::fuzz::PiecesOf(png, seed), stream, readAhead);
  const mirablot::fuzz::Print once = mirablot::fuzz::PrintOf(
      std::make_unique<mirablot::testing::MemoryStream>(
          std::vector<std::uint8_t>(png.begin(), png.end()), png.size() + 1),
      stream, readAhead);
  Check(pieces.error == once.error, "in pieces and at once, the verdicts differ");
  Check(pieces.document == once.document, "in pieces and at once, the documents differ");
  return 0;
}
