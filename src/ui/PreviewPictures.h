// SPDX-License-Identifier: MIT
#pragma once

#include "core/Bitmap.h"

namespace mirablot {

/// The preview's sheet of paper: 80 x 80 one-bit pixels, all white.
[[nodiscard]] const Bitmap& SheetPicture();

/// The preview's printed area: 80 x 80 one-bit pixels, white with seven dashed black lines
/// like lines of print.
[[nodiscard]] const Bitmap& LinesOfPrintPicture();

}  // namespace mirablot
