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
  const std::vector<std::uint8_t> png(data + 3, data + size);
  const std::size_t readAhead = data[0] < 128 ? std::size_t{data[0]} * 64 : std::size_t{8} << 20;
  const bool stream = (data[0] & 1) == 0;
  const auto print = [&](std::size_t piece, std::optional<std::uint32_t> sizes) {
    return mirablot::fuzz::PrintOf(
        std::make_unique<mirablot::testing::MemoryStream>(png, piece, sizes), stream, readAhead);
  };
  const mirablot::fuzz::Print pieces = print(4096, std::uint32_t{data[1]} << 8 | data[2]);
  const mirablot::fuzz::Print once = print(png.size() + 1, std::nullopt);
  Check(pieces.error == once.error, "in pieces and at once, the verdicts differ");
  Check(pieces.document == once.document, "in pieces and at once, the documents differ");
  return 0;
}
