// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include "platform/Picture.h"

namespace mirablot::qt {

/// A picture whose pixels are a QImage; a null image gives the empty picture.
[[nodiscard]] Picture MakePicture(QImage image);

/// The image behind a picture made by MakePicture, or nullptr for any other picture.
[[nodiscard]] const QImage* ImageOf(const Picture& picture);

}  // namespace mirablot::qt
