// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace mirablot {

/// A colour in OKLab: perceptual lightness L (0 black, 1 white) and the opponent axes a
/// (green to red) and b (blue to yellow), whose angle is the hue.
struct OkLab {
  float L = 0;
  float a = 0;
  float b = 0;
};

/// 0xRRGGBB (sRGB) in OKLab, and back: out-of-gamut colours lose chroma, keeping their lightness
/// and hue, until they fit.
[[nodiscard]] OkLab OkLabOf(std::uint32_t rgb);
[[nodiscard]] std::uint32_t RgbOf(OkLab colour);

/// Where a pixel's samples lie among its bytes.
struct PixelLayout {
  std::size_t bytes = 3;
  std::size_t red = 0;
  std::size_t green = 1;
  std::size_t blue = 2;
};

/// Prints a dark picture light. Look at every row first (with its opacities, one byte a pixel,
/// when it has any); then, if the picture is MostlyDark, Turn every row: lightness turned over
/// and stretched so that the most common colour (the background) becomes white paper and the
/// lightest text near black, the hue kept. Colours are worked out once each, so a screenshot's
/// few colours cost little.
class LightPrint {
 public:
  LightPrint();

  void Look(std::span<const std::uint8_t> row, const PixelLayout& layout,
            std::span<const std::uint8_t> alpha = {});
  /// Whether the median OKLab lightness of the pixels, as they print on white paper, is
  /// below one half.
  [[nodiscard]] bool MostlyDark() const;
  void Turn(std::span<std::uint8_t> row, const PixelLayout& layout);

 private:
  static constexpr std::size_t kBins = 1024;  // lightness, for the median and the text's end
  static constexpr std::size_t kCacheSlots = std::size_t{1} << 16;
  struct Slot {
    std::uint32_t key = 0xFFFFFFFF;  // no 0xRRGGBB colour
    std::uint32_t value = 0;
  };

  [[nodiscard]] std::size_t BinOf(std::uint32_t rgb);
  void Count(std::uint32_t rgb, std::uint64_t pixels);
  void Prepare();
  [[nodiscard]] std::uint32_t Turned(std::uint32_t rgb) const;

  std::array<std::uint64_t, kBins> m_bins{};
  std::uint64_t m_pixels = 0;
  std::unordered_map<std::uint32_t, std::uint64_t> m_colours;
  std::vector<Slot> m_cache;
  bool m_prepared = false;
  float m_background = 0;  // the background's lightness, and the lightest text's
  float m_text = 1;
};

}  // namespace mirablot
