// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Picture.h"
#include "pdf/PdfWriter.h"
#include "pdf/Png.h"

namespace mirablot::pdf {

class PngStream;

/// Decoded pixels, 8-bit RGB rows from the top with no padding.
struct RgbImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;
  /// One 8-bit opacity per pixel, or empty for an opaque picture.
  std::vector<std::uint8_t> alpha;
};

/// A picture kept as the checked PNG it arrived as, never decoded: its image data goes to the
/// printer unchanged. Only for PNGs a PDF can carry (PdfCanCarry). A damaged PNG is an Error.
/// Its image data is inflated to its end (CheckImageData) beside whatever runs next; see
/// RequireReadWhole.
[[nodiscard]] Picture MakePngPicture(std::vector<std::uint8_t> bytes);

/// A PNG a PDF can carry, still arriving: its image data goes to the printer as it is read,
/// checked on the way (PngStream::PassImageData), once. `reader` is what the stream reads
/// through, kept as long as the picture.
[[nodiscard]] Picture MakeStreamedPngPicture(std::unique_ptr<PngStream> png,
                                             std::shared_ptr<const void> reader);

/// Returns once the picture is known to have been read whole: a PNG made by MakePngPicture once
/// its image data has been inflated to its end, a streamed one once its image data has been
/// handed on whole and sound, any other picture at once. A PNG whose image data is damaged or
/// short is an Error (InvalidPicture); a streamed one not handed on is error 5 (InvalidCall).
void RequireReadWhole(const Picture& picture);

/// A picture of decoded pixels; an image without pixels gives the empty picture.
[[nodiscard]] Picture MakeRgbPicture(RgbImage image);

/// The pixels of a picture made by MakeRgbPicture, else null.
[[nodiscard]] const RgbImage* RgbOf(const Picture& picture);

/// The picture as a PDF image: a PNG's own image data, unchanged; decoded pixels compressed
/// as PNG compresses them, opacity apart. Any other picture is error 481 (InvalidPicture).
[[nodiscard]] FlateImage FlateImageOf(const Picture& picture);

}  // namespace mirablot::pdf
