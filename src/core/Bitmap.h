// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace mirablot {

/// A small palette picture made in code (icons, the settings window's preview pictures).
struct Bitmap {
  int width = 0;
  int height = 0;
  /// Colours as 0xAARRGGBB; alpha 0 is transparent.
  std::vector<std::uint32_t> palette;
  /// One palette index per pixel, rows from the top.
  std::vector<std::uint8_t> pixels;

  [[nodiscard]] std::uint8_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

}  // namespace mirablot
