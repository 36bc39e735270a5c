// SPDX-License-Identifier: MIT
#include "LightPrint.h"

#include <algorithm>
#include <cmath>

namespace mirablot {
namespace {

// Lightness the lightest text turns into: near black, yet light enough for a colour to keep
// some of its chroma.
constexpr float kTextLightness = 0.12F;
// Colours this close to the background (as a share of the way to the text) fade to paper, so
// that a tinted dark background leaves no tinted sheet.
constexpr float kFade = 0.15F;
// The share of the pixels lighter than the text's lightness: the lightest few are highlights.
constexpr double kTextShare = 0.005;
// Counted colours at most: enough for any screenshot; a photograph's rest only add to the bins.
constexpr std::size_t kCountedColours = std::size_t{1} << 16;

float Linear(std::uint32_t sample) {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i) {
      const double c = static_cast<double>(i) / 255;
      t[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return t;
  }();
  return table[sample & 0xFF];
}

std::uint32_t Encoded(double linear) {
  const double c = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
  return static_cast<std::uint32_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255));
}

struct LinearRgb {
  double r, g, b;
  [[nodiscard]] bool InGamut() const {
    constexpr double e = 1e-4;
    return r >= -e && r <= 1 + e && g >= -e && g <= 1 + e && b >= -e && b <= 1 + e;
  }
};

LinearRgb LinearOf(OkLab c) {
  const double l = std::pow(c.L + 0.3963377774 * c.a + 0.2158037573 * c.b, 3);
  const double m = std::pow(c.L - 0.1055613458 * c.a - 0.0638541728 * c.b, 3);
  const double s = std::pow(c.L - 0.0894841775 * c.a - 1.2914855480 * c.b, 3);
  return {4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
          -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
          -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s};
}

std::uint32_t Rgb(std::span<const std::uint8_t> pixel, const PixelLayout& layout) {
  return std::uint32_t{pixel[layout.red]} << 16 | std::uint32_t{pixel[layout.green]} << 8 |
         pixel[layout.blue];
}

// As the colour prints at this opacity on white paper.
std::uint32_t OnWhite(std::uint32_t rgb, std::uint32_t alpha) {
  std::uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const std::uint32_t c = rgb >> shift & 0xFF;
    out |= ((c * alpha + 255 * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

std::size_t SlotOf(std::uint32_t rgb, std::size_t slots) {
  return (rgb * 2654435761U) >> 16 & (slots - 1);
}

}  // namespace

OkLab OkLabOf(std::uint32_t rgb) {
  const double r = Linear(rgb >> 16), g = Linear(rgb >> 8), b = Linear(rgb);
  const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
  const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return {static_cast<float>(0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s),
          static_cast<float>(1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s),
          static_cast<float>(0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s)};
}

std::uint32_t RgbOf(OkLab colour) {
  colour.L = std::clamp(colour.L, 0.0F, 1.0F);
  LinearRgb rgb = LinearOf(colour);
  if (!rgb.InGamut()) {
    // The most chroma that fits, by halving: the grey of the same lightness always does.
    float low = 0, high = 1;
    for (int i = 0; i < 16; ++i) {
      const float mid = (low + high) / 2;
      (LinearOf({colour.L, colour.a * mid, colour.b * mid}).InGamut() ? low : high) = mid;
    }
    rgb = LinearOf({colour.L, colour.a * low, colour.b * low});
  }
  return Encoded(rgb.r) << 16 | Encoded(rgb.g) << 8 | Encoded(rgb.b);
}

LightPrint::LightPrint() : m_cache(kCacheSlots) {}

std::size_t LightPrint::BinOf(std::uint32_t rgb) {
  Slot& slot = m_cache[SlotOf(rgb, m_cache.size())];
  if (slot.key != rgb) {
    const float lightness = std::clamp(OkLabOf(rgb).L, 0.0F, 1.0F);
    slot = {rgb, std::min<std::uint32_t>(static_cast<std::uint32_t>(lightness * kBins), kBins - 1)};
  }
  return slot.value;
}

void LightPrint::Count(std::uint32_t rgb, std::uint64_t pixels) {
  m_bins[BinOf(rgb)] += pixels;
  m_pixels += pixels;
  if (auto found = m_colours.find(rgb); found != m_colours.end()) {
    found->second += pixels;
  } else if (m_colours.size() < kCountedColours) {
    m_colours.emplace(rgb, pixels);
  }
}

void LightPrint::Look(std::span<const std::uint8_t> row, const PixelLayout& layout,
                      std::span<const std::uint8_t> alpha) {
  // Runs of one colour are counted at once: a screenshot is mostly runs.
  std::uint32_t run = 0;
  std::uint64_t length = 0;
  for (std::size_t at = 0, i = 0; at + layout.bytes <= row.size(); at += layout.bytes, ++i) {
    std::uint32_t rgb = Rgb(row.subspan(at), layout);
    if (i < alpha.size() && alpha[i] != 255) {
      rgb = OnWhite(rgb, alpha[i]);
    }
    if (length > 0 && rgb != run) {
      Count(run, length);
      length = 0;
    }
    run = rgb;
    ++length;
  }
  if (length > 0) {
    Count(run, length);
  }
}

bool LightPrint::MostlyDark() const {
  // The median lies below one half when more than half the pixels do.
  std::uint64_t below = 0;
  for (std::size_t bin = 0; bin < kBins / 2; ++bin) {
    below += m_bins[bin];
  }
  return m_pixels > 0 && below * 2 > m_pixels;
}

void LightPrint::Prepare() {
  m_prepared = true;
  m_cache.assign(kCacheSlots, Slot{});
  if (m_colours.empty()) {
    return;
  }
  const std::uint32_t background =
      std::max_element(m_colours.begin(), m_colours.end(), [](const auto& x, const auto& y) {
        return x.second < y.second;
      })->first;
  m_background = OkLabOf(background).L;
  std::uint64_t lighter = 0;
  std::size_t bin = kBins;
  while (bin > 0 && static_cast<double>(lighter + m_bins[bin - 1]) <=
                        kTextShare * static_cast<double>(m_pixels)) {
    lighter += m_bins[--bin];
  }
  const float text = (static_cast<float>(bin) - 0.5F) / kBins;
  // A picture with nothing much lighter than its background still turns into dark on light.
  m_text = std::max(text, m_background + 0.25F);
}

std::uint32_t LightPrint::Turned(std::uint32_t rgb) const {
  const OkLab colour = OkLabOf(rgb);
  const float t = std::clamp((colour.L - m_background) / (m_text - m_background), 0.0F, 1.0F);
  const float chroma = std::min(1.0F, t / kFade);
  return RgbOf({1 - t * (1 - kTextLightness), colour.a * chroma, colour.b * chroma});
}

void LightPrint::Turn(std::span<std::uint8_t> row, const PixelLayout& layout) {
  if (!m_prepared) {
    Prepare();
  }
  // A copy the row's bytes cannot alias, and the last colour's turn at hand: a screenshot's
  // rows are mostly runs of one colour.
  const PixelLayout pixel = layout;
  Slot last;  // no colour yet
  for (std::size_t at = 0; at + pixel.bytes <= row.size(); at += pixel.bytes) {
    const std::uint32_t rgb = Rgb(row.subspan(at), pixel);
    if (rgb != last.key) {
      Slot& slot = m_cache[SlotOf(rgb, m_cache.size())];
      if (slot.key != rgb) {
        slot = {rgb, Turned(rgb)};
      }
      last = slot;
    }
    row[at + pixel.red] = static_cast<std::uint8_t>(last.value >> 16);
    row[at + pixel.green] = static_cast<std::uint8_t>(last.value >> 8);
    row[at + pixel.blue] = static_cast<std::uint8_t>(last.value);
  }
}

}  // namespace mirablot
