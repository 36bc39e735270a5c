// SPDX-License-Identifier: MIT
// A packed DIB as another program put it on the Windows clipboard: refused with error 481, or
// its rows lie within the bytes, and laying its alpha on white touches only those rows and
// leaves every opaque pixel as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "platform/win32/PackedDib.h"

using mirablot::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mirablot::win32::PackedDib dib;
  try {
    dib = mirablot::win32::CheckPackedDib(data, size);
  } catch (const mirablot::Error& error) {
    Check(error.Number() == 481, "a DIB refused with another error than 481");
    return 0;
  }
  Check(dib.bitsOffset <= dib.end && dib.end <= size, "a DIB's rows lie outside its bytes");
  Check(dib.width > 0 && dib.height > 0, "a DIB of no pixels");
  if (dib.alpha) {
    const std::size_t pixels = static_cast<std::size_t>(dib.width) * dib.height;
    Check(pixels * 4 == dib.end - dib.bitsOffset, "32-bit rows of another size");
    std::vector<std::uint8_t> rows(data + dib.bitsOffset, data + dib.end);
    mirablot::win32::OntoWhite(rows.data(), pixels,
                               mirablot::win32::Premultiplied(rows.data(), pixels));
    for (std::size_t i = 0; i < pixels; ++i) {
      const std::uint8_t* before = data + dib.bitsOffset + i * 4;
      Check(before[3] != 255 || std::equal(before, before + 3, &rows[i * 4]),
            "an opaque pixel changed on white");
    }
  }
  return 0;
}
