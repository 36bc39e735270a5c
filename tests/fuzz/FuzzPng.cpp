// SPDX-License-Identifier: MIT
// A PNG printed as the program prints it, read whole (as for a long picture) and streamed (as
// for one page): both give the same verdict and the same document, and that document shows
// what libpng reads, pixel for pixel, or libpng refuses the picture too.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "MemoryStream.h"
#include "PngFuzzing.h"
#include "pdf/PngStream.h"

using mirablot::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  const auto print = [&](bool stream) {
    return mirablot::fuzz::PrintOf(
        std::make_unique<mirablot::testing::MemoryStream>(bytes, std::size_t{1} << 18), stream,
        mirablot::pdf::PngStream::kReadAhead);
  };
  const mirablot::fuzz::Print whole = print(false);
  const mirablot::fuzz::Print streamed = print(true);
  Check(whole.error == streamed.error, "read whole and streamed, the verdicts differ");
  Check(whole.document == streamed.document, "read whole and streamed, the documents differ");
  mirablot::fuzz::CheckAgainstLibpng(bytes, whole);
  return 0;
}
