// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include <QImage>

#include "platform/Picture.h"
#include "platform/pdf/Png.h"

namespace mirablot::qt {

/// A picture whose pixels are a QImage; a null image gives the empty picture.
[[nodiscard]] Picture MakePicture(QImage image);

/// A picture kept as the checked PNG it arrived as, never decoded: its image data goes to the
/// printer unchanged. Only for PNGs a PDF can carry (pdf::PdfCanCarry).
[[nodiscard]] Picture MakePngPicture(std::vector<std::uint8_t> bytes);

/// The image behind a picture made by MakePicture, or nullptr for any other picture.
[[nodiscard]] const QImage* ImageOf(const Picture& picture);

/// The PNG behind a picture made by MakePngPicture, or nullptr for any other picture.
[[nodiscard]] const pdf::PngImage* PngOf(const Picture& picture);

}  // namespace mirablot::qt
