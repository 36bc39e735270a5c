// SPDX-License-Identifier: MIT
#include "RgbImage.h"

#include <string>

#include "core/Error.h"

namespace mirablot::pdf {

void RequireWithinBudget(std::uint64_t width, std::uint64_t height, std::size_t budget,
                         std::uint64_t extraRows) {
  // Divided, not multiplied: 2^31 × 2^31 × 4 wraps to 0.
  const std::uint64_t rows = height + extraRows;
  if (rows < height || (width > 0 && rows > budget / 4 / width)) {
    throw Error(ErrorNumber::OutOfMemory, "画像が大きすぎて印刷できません (" +
                                              std::to_string(width) + " × " +
                                              std::to_string(height) + " ピクセル)。");
  }
}

}  // namespace mirablot::pdf
