// SPDX-License-Identifier: MIT
#include "PngDecoder.h"

#include <algorithm>
#include <array>

namespace mirablot::pdf {
namespace {

// Sample `index` of a row, at the row's bit depth, unscaled.
std::uint16_t SampleAt(std::span<const std::uint8_t> samples, std::size_t index, unsigned depth) {
  if (depth == 16) {
    return static_cast<std::uint16_t>(samples[2 * index] << 8 | samples[2 * index + 1]);
  }
  if (depth == 8) {
    return samples[index];
  }
  const std::size_t bit = index * depth;
  const unsigned shift = 8 - depth - static_cast<unsigned>(bit % 8);
  return static_cast<std::uint16_t>((samples[bit / 8] >> shift) & ((1U << depth) - 1));
}

// A sample brought to 8 bits: low depths stretched to the full range, 16 bits rounded.
std::uint8_t Eight(std::uint16_t sample, unsigned depth) {
  switch (depth) {
    case 16:
      return static_cast<std::uint8_t>((sample * 255U + 32767) / 65535);
    case 8:
      return static_cast<std::uint8_t>(sample);
    default:
      return static_cast<std::uint8_t>(sample * 255U / ((1U << depth) - 1));
  }
}

}  // namespace

PngDecoder::PngDecoder(const PngHeader& header, std::vector<std::uint32_t> palette,
                       std::vector<std::uint16_t> transparent)
    : m_header(header),
      m_passes(PassesOf(header)),
      m_palette(std::move(palette)),
      m_transparent(std::move(transparent)) {
  const std::size_t pixels = std::size_t{header.width} * header.height;
  m_image.width = header.width;
  m_image.height = header.height;
  m_image.rgb.resize(pixels * 3);
  if ((header.colourType & 4) != 0 || header.transparency) {
    m_image.alpha.resize(pixels);
  }
}

void PngDecoder::Row(std::size_t pass, std::uint32_t row, std::span<const std::uint8_t> samples) {
  const PngPass& where = m_passes[pass];
  const unsigned depth = m_header.bitDepth;
  const auto channels = static_cast<std::size_t>(m_header.Channels());
  const std::size_t y = std::size_t{where.y0} + std::size_t{row} * where.dy;
  const bool colour = (m_header.colourType & 2) != 0;
  const bool alpha = (m_header.colourType & 4) != 0;
  // A screenshot's rows: 8-bit RGB, every pixel opaque, are already what the image holds.
  if (depth == 8 && m_header.colourType == 2 && m_transparent.empty() && where.dx == 1) {
    std::copy_n(
        samples.begin(), std::size_t{where.width} * 3,
        m_image.rgb.begin() + static_cast<std::ptrdiff_t>((y * m_header.width + where.x0) * 3));
    return;
  }
  std::array<std::uint16_t, 4> raw{};
  for (std::uint32_t i = 0; i < where.width; ++i) {
    const std::size_t pixel = y * m_header.width + where.x0 + std::size_t{i} * where.dx;
    for (std::size_t c = 0; c < channels; ++c) {
      raw[c] = SampleAt(samples, i * channels + c, depth);
    }
    std::uint8_t* rgb = &m_image.rgb[pixel * 3];
    std::uint8_t opacity = 255;
    if (m_header.colourType == 3) {
      const std::uint32_t entry = raw[0] < m_palette.size() ? m_palette[raw[0]] : 0xff000000U;
      rgb[0] = static_cast<std::uint8_t>(entry >> 16);
      rgb[1] = static_cast<std::uint8_t>(entry >> 8);
      rgb[2] = static_cast<std::uint8_t>(entry);
      opacity = static_cast<std::uint8_t>(entry >> 24);
    } else {
      for (std::size_t c = 0; c < 3; ++c) {
        rgb[c] = Eight(raw[colour ? c : 0], depth);
      }
      if (alpha) {
        opacity = Eight(raw[colour ? 3 : 1], depth);
      } else if (!m_transparent.empty() &&
                 std::equal(m_transparent.begin(), m_transparent.end(), raw.begin())) {
        opacity = 0;
      }
    }
    if (!m_image.alpha.empty()) {
      m_image.alpha[pixel] = opacity;
    }
  }
}

RgbImage PngDecoder::Finish() {
  if (std::all_of(m_image.alpha.begin(), m_image.alpha.end(),
                  [](std::uint8_t a) { return a == 255; })) {
    m_image.alpha.clear();
  }
  return std::move(m_image);
}

}  // namespace mirablot::pdf
