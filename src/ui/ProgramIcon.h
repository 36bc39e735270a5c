// SPDX-License-Identifier: MIT
#pragma once

#include "core/Bitmap.h"

namespace mirablot {

/// The program's icon, 32 x 32 pixels in 16 colours: a printer with a picture in it.
[[nodiscard]] const Bitmap& ProgramIcon();

}  // namespace mirablot
