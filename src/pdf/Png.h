// SPDX-License-Identifier: MIT
#pragma once

// What the print job needs of PNG: a PDF's Flate filter with the PNG predictors reads a PNG's
// image data as it stands, so a plain picture goes to the printer neither decoded nor
// recompressed; every other PNG is decoded by our own reader. Both are held to the format
// as strictly as a printer's decoder holds them, so that what we accept, it prints.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/Bitmap.h"

namespace mirablot::pdf {

inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                              '\r', '\n', 0x1a, '\n'};

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bitDepth = 0;
  std::uint8_t colourType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGB + alpha
  std::uint8_t interlace = 0;
  bool transparency = false;  // a tRNS chunk: some colour stands for "transparent"
  std::uint8_t compression = 0;
  std::uint8_t filter = 0;

  /// Samples per pixel, or 0 for a colour type PNG does not define.
  [[nodiscard]] int Channels() const;
};

/// Refuses (Error InvalidPicture, with the reason) a header whose values PNG does not allow:
/// a size of 0 or from 2^31, a bit depth its colour type does not take, a compression or
/// filter method other than 0, an interlace method other than none or Adam7.
void CheckPngHeader(const PngHeader& header);

/// The refusal of a damaged PNG: Error InvalidPicture saying why.
[[noreturn]] void RefusePng(const std::string& why);

/// Whether a PDF can show the PNG's image data unchanged: 8-bit grey or RGB, not interlaced,
/// no transparency.
[[nodiscard]] bool PdfCanCarry(const PngHeader& header);

/// Rewrites the zlib header among the image data bytes that start `at` bytes into the image
/// data, if it lies there, to name a 32 KB window: what the checks took with any window up to
/// that size, every decoder then reads, whether its buffers are large or small. Only the
/// bytes handed on are rewritten; the checks see what was read.
void DeclareWholeWindow(std::span<std::uint8_t> data, std::uint64_t at);

/// An 8-bit palette PNG of the bitmap; palette entries with alpha 0 are transparent.
[[nodiscard]] std::vector<std::uint8_t> EncodePalettePng(const Bitmap& bitmap);

}  // namespace mirablot::pdf
