// SPDX-License-Identifier: MIT
#pragma once

// Just enough of PNG to hand a picture's compressed pixels to a PDF unchanged: PDF's Flate
// filter with the PNG predictors reads a PNG's image data as it stands, so the print job
// neither decodes nor recompresses the picture.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Bitmap.h"

namespace mirablot::pdf {

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bitDepth = 0;
  std::uint8_t colourType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGB + alpha
  std::uint8_t interlace = 0;
  bool transparency = false;  // a tRNS chunk: some colour stands for "transparent"

  /// Samples per pixel, or 0 for a colour type PNG does not define.
  [[nodiscard]] int Channels() const;
};

/// The header of a PNG, with whether a tRNS chunk precedes its image data, or nothing when the
/// bytes do not start like one. Nothing is checked beyond the start.
[[nodiscard]] std::optional<PngHeader> ReadPngHeader(std::span<const std::uint8_t> bytes);

/// A checked PNG: its header and its image data, as spans into the bytes it was read from.
struct PngImage {
  PngHeader header;
  std::vector<std::span<const std::uint8_t>> data;  // the IDAT chunks' contents, in order
};

/// Reads a whole PNG and checks what can be checked without inflating it: the header's values,
/// the chunk structure up to IEND, every chunk's checksum, and a zlib stream header on the
/// image data. A truncated or damaged picture would print as garbage, so that is an Error
/// (InvalidPicture) with the reason.
[[nodiscard]] PngImage ReadPng(std::span<const std::uint8_t> bytes);

/// Refuses (Error InvalidPicture, with the reason) a header whose values PNG does not allow.
void CheckPngHeader(const PngHeader& header);

/// The refusal of a damaged PNG: Error InvalidPicture saying why.
[[noreturn]] void RefusePng(const std::string& why);

/// Inflates a non-interlaced PNG's image data piece by piece as it arrives, in constant
/// memory, handing on only the bytes its rows need.
class ImageDataInflater {
 public:
  using Take = std::function<void(std::span<const std::uint8_t>)>;

  explicit ImageDataInflater(const PngHeader& header);
  ImageDataInflater(const ImageDataInflater&) = delete;
  ImageDataInflater& operator=(const ImageDataInflater&) = delete;
  ~ImageDataInflater();

  /// Inflates the next piece of image data. A corrupt stream, or one longer than the rows, is
  /// refused at once.
  void Feed(std::span<const std::uint8_t> piece, const Take& take = {});
  /// After the last piece: refuses a stream that has not ended, fails its checksum, or holds
  /// fewer bytes than the rows need.
  void End();

 private:
  struct Stream;
  std::unique_ptr<Stream> m_stream;
  std::uint64_t m_expected;
  std::uint64_t m_inflated = 0;
  bool m_ended = false;
};

/// Inflates the image data of a non-interlaced PNG to its end, in constant memory: a stream
/// that is corrupt, fails its checksum, or holds more or fewer bytes than the rows need is an
/// Error (InvalidPicture). Only so is a picture that passes through to the printer known to be
/// read whole.
void CheckImageData(const PngImage& png);

/// An 8-bit palette PNG of the bitmap; palette entries with alpha 0 are transparent.
[[nodiscard]] std::vector<std::uint8_t> EncodePalettePng(const Bitmap& bitmap);

/// For each row of an 8-bit grey or RGB PNG, whether it is blank (each pixel within 8 of the
/// row's first in every channel), from its image data inflated and unfiltered row by row. A
/// damaged stream is refused as CheckImageData refuses it.
[[nodiscard]] std::vector<bool> BlankRows(const PngImage& png);

/// Whether a PDF can show the PNG's image data unchanged: 8-bit grey or RGB, not interlaced,
/// no transparency.
[[nodiscard]] bool PdfCanCarry(const PngHeader& header);

}  // namespace mirablot::pdf
