// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include "core/Picture.h"

namespace mirablot::qt {

/// The image's pixels as a picture the printer's PDF can carry: 8-bit RGB rows, with the
/// opacity only when some pixel is not opaque. A null image gives the empty picture.
[[nodiscard]] Picture MakePicture(const QImage& image);

}  // namespace mirablot::qt
