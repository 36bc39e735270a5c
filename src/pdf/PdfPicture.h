// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Picture.h"
#include "pdf/PdfWriter.h"
#include "pdf/Png.h"
#include "pdf/RgbImage.h"

namespace mirablot::pdf {

class PngStream;

/// The picture of a PNG that PngStream has read: one that passes (its image data goes to the
/// printer as it is read, checked on the way, once), one kept whole, or one decoded. `reader`
/// is what the stream reads through, kept as long as the picture.
[[nodiscard]] Picture MakePngPicture(std::unique_ptr<PngStream> png,
                                     std::shared_ptr<const void> reader = nullptr);

/// Returns once the picture is known to have been read whole: a streamed PNG once its image
/// data has been handed on whole and sound (else error 5, InvalidCall), any other picture at
/// once (it was read whole before it was made).
void RequireReadWhole(const Picture& picture);

/// A picture of decoded pixels; an image without pixels gives the empty picture.
[[nodiscard]] Picture MakeRgbPicture(RgbImage image);

/// The pixels of a picture made by MakeRgbPicture, else null.
[[nodiscard]] const RgbImage* RgbOf(const Picture& picture);

/// The picture as --light prints it: one whose pixels are mostly dark turned light, any other
/// the very picture given. A PNG kept whole is looked at in the pixels it was read with
/// (PngStream::Use::Decode), else decoded now within `budget`. A streamed PNG cannot be looked
/// at before it prints and is given back as it is: read it whole.
[[nodiscard]] Picture LightPicture(const Picture& picture, std::size_t budget);

/// The picture as a PDF image: a PNG's own image data, unchanged; decoded pixels compressed
/// as PNG compresses them, opacity apart. Any other picture is error 481 (InvalidPicture).
[[nodiscard]] FlateImage FlateImageOf(const Picture& picture);

}  // namespace mirablot::pdf
