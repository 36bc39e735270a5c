// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mirablot::pdf {

/// Decoded pixels, 8-bit RGB rows from the top with no padding.
struct RgbImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;
  /// One 8-bit opacity per pixel, or empty for an opaque picture.
  std::vector<std::uint8_t> alpha;
};

/// Refuses (error 7) a picture whose decoded pixels (4 bytes each), and `extraRows` rows
/// more, would not fit the budget, saying its size. No size can wrap the sum.
void RequireWithinBudget(std::uint64_t width, std::uint64_t height, std::size_t budget,
                         std::uint64_t extraRows = 0);

}  // namespace mirablot::pdf
