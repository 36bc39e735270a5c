// SPDX-License-Identifier: MIT
#pragma once

// What the PNG fuzz targets share: a print of a PNG as the program makes it, the PDF read back
// by a strict decoder of our own, and libpng's verdict on the same bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "ports/ByteStream.h"

namespace mirablot::fuzz {

/// Small enough that every picture within it decodes in a few milliseconds.
inline constexpr std::size_t kBudget = std::size_t{4} << 20;

/// A print of a picture: its error number (0 for none), the PDF it wrote, and the pixels that
/// PDF shows (8-bit RGBA rows), read back strictly: each image stream inflates to exactly its
/// rows, every row's filter byte valid.
struct Print {
  int error = 0;
  std::string document;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;
};

/// Prints the picture `fetch` gives as the program does: drawn into a PDF, the document
/// finished only once the picture was read whole; an Error on the way is the print's error.
[[nodiscard]] Print PrintOf(const std::function<Picture()>& fetch);

/// Prints the picture arriving on the stream as the program does: read through pdf::PngStream
/// (bytes that are no PNG are refused, as the decoders refuse them), drawn into a PDF, the
/// document finished only once the picture was read whole.
[[nodiscard]] Print PrintOf(std::unique_ptr<ByteStream> bytes, bool stream, std::size_t readAhead);

/// Holds the print to libpng's judgement of the bytes: what libpng refuses is error 481, what
/// it reads is printed pixel for pixel, what is too large is error 7. We are stricter where
/// the format is: a header that is not the first chunk, image data chunks split by another
/// chunk, and bytes after the end of the zlib stream are refused although libpng reads them.
void CheckAgainstLibpng(std::span<const std::uint8_t> png, const Print& print);

}  // namespace mirablot::fuzz
