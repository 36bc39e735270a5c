// SPDX-License-Identifier: MIT
#pragma once

// The checks of a packed device-independent bitmap, the form the clipboard holds it in, made
// on its bytes alone: portable, so that they can be fuzzed where Windows is not.

#include <cstddef>
#include <cstdint>

namespace mirablot::win32 {

/// Where a packed DIB's parts lie.
struct PackedDib {
  int width = 0;
  int height = 0;              // rows, whichever way they run
  std::size_t bitsOffset = 0;  // of the first row, after the header and its table or masks
  std::size_t end = 0;         // of the last row
  /// 32-bit rows whose fourth byte is alpha, as the header's masks say and not every pixel's
  /// is 0 (programs that leave the byte unused write 0).
  bool alpha = false;
};

/// Checks a packed DIB: a header of a size GDI knows (40, 108 or 124 bytes), one plane, a
/// depth of 1, 4, 8, 16, 24 or 32 bits, no compression but bit fields at 16 or 32 bits, a
/// size within int, a colour table its depth allows, and rows that lie within the data.
/// Anything else is an Error (invalid picture) saying what is wrong.
[[nodiscard]] PackedDib CheckPackedDib(const std::uint8_t* data, std::size_t size);

/// Lays BGRA pixels on white, clearing their alpha. Premultiplied colour (no channel above its
/// alpha, as most programs write it) and straight colour need different sums.
void OntoWhite(std::uint8_t* pixels, std::size_t count, bool premultiplied);

/// Whether no pixel's colour lies above its alpha.
[[nodiscard]] bool Premultiplied(const std::uint8_t* pixels, std::size_t count);

}  // namespace mirablot::win32
