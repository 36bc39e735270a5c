// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "core/Picture.h"
#include "pdf/Png.h"

namespace mirablot::pdf {

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

/// Returns once the picture is known to have been read whole: a PNG made by MakePngPicture once
/// its image data has been inflated to its end, any other picture at once. A PNG whose image
/// data is damaged or short is an Error (InvalidPicture).
void RequireReadWhole(const Picture& picture);

/// A picture of decoded pixels; an image without pixels gives the empty picture.
[[nodiscard]] Picture MakeRgbPicture(RgbImage image);

/// The PNG behind a picture made by MakePngPicture, or nullptr for any other picture.
[[nodiscard]] const PngImage* PngOf(const Picture& picture);

/// The pixels behind a picture made by MakeRgbPicture, or nullptr for any other picture.
[[nodiscard]] const RgbImage* RgbOf(const Picture& picture);

}  // namespace mirablot::pdf
