// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pdf/Png.h"
#include "pdf/PngImageData.h"
#include "pdf/RgbImage.h"

namespace mirablot::pdf {

/// Turns a PNG's unfiltered rows (ImageDataInflater's) into 8-bit RGB pixels and opacity, for
/// every bit depth, colour type and interlace PNG defines: grey below 8 bits stretched to the
/// full range, 16 bits rounded to 8, palette entries looked up (an index past the palette is
/// opaque black), the tRNS colour made transparent.
class PngDecoder {
 public:
  /// `palette` as PngParser gives it (0xAARRGGBB); `transparent` the samples of the tRNS
  /// colour of a grey or RGB picture, or none.
  PngDecoder(const PngHeader& header, std::vector<std::uint32_t> palette,
             std::vector<std::uint16_t> transparent);

  void Row(std::size_t pass, std::uint32_t row, std::span<const std::uint8_t> samples);
  /// The picture; opacity only when some pixel is not opaque.
  [[nodiscard]] RgbImage Finish();

 private:
  PngHeader m_header;
  std::vector<PngPass> m_passes;
  std::vector<std::uint32_t> m_palette;
  std::vector<std::uint16_t> m_transparent;
  RgbImage m_image;
};

}  // namespace mirablot::pdf
