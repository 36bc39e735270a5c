// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "pdf/Png.h"

namespace mirablot::pdf {

/// A PNG's chunks, read as its bytes arrive in pieces of any size, and held to the format: the
/// signature, the header first and once, every chunk's length, type and checksum, a palette
/// where the colour type needs one and nowhere a grey picture forbids it, transparency the
/// colour type allows, the image data in one run of chunks, no unknown critical chunk, and an
/// empty IEND. Anything else is an Error (InvalidPicture) as soon as the byte that shows it
/// arrives. A chunk's data is never held beyond the few hundred bytes of a palette, however
/// long the chunk says it is.
class PngParser {
 public:
  struct Events {
    /// The header, checked; nothing after it has been read.
    std::function<void(const PngHeader&)> header;
    /// The first image data chunk begins: the palette and the transparency are known.
    std::function<void()> imageStart;
    /// Image data, in order; each span lasts until the call returns.
    std::function<void(std::span<const std::uint8_t>)> imageData;
  };

  explicit PngParser(Events events);

  /// Reads the next bytes; says how many belonged to the PNG: all of them, unless its end
  /// (IEND) came within them.
  std::size_t Feed(std::span<const std::uint8_t> bytes);
  /// The bytes have ended: refuses a PNG that had not.
  void Finish() const;

  [[nodiscard]] bool Ended() const { return m_stage == Stage::Ended; }
  /// The header; `transparency` is known once the image data began.
  [[nodiscard]] const PngHeader& Header() const { return m_header; }
  /// The palette as 0xAARRGGBB, alpha from the tRNS chunk (opaque where it says nothing).
  [[nodiscard]] const std::vector<std::uint32_t>& Palette() const { return m_palette; }
  /// For grey or RGB pictures with a tRNS chunk, the samples of the colour that stands for
  /// transparent (one or three).
  [[nodiscard]] const std::vector<std::uint16_t>& TransparentColour() const { return m_key; }

 private:
  enum class Stage { Signature, Head, Data, Checksum, Ended };

  void ChunkBegins();
  void ChunkEnds();
  [[nodiscard]] bool Is(const char* type) const;

  Events m_events;
  Stage m_stage = Stage::Signature;
  std::array<std::uint8_t, 8> m_field{};  // the signature, a chunk's head or its checksum
  std::size_t m_fieldUsed = 0;
  std::array<std::uint8_t, 4> m_type{};
  std::uint32_t m_length = 0;
  std::uint32_t m_left = 0;
  std::uint32_t m_checksum = 0;
  std::vector<std::uint8_t> m_kept;  // the data of IHDR, PLTE and tRNS
  bool m_keeping = false;
  bool m_seenHeader = false;
  bool m_inImage = false;     // image data chunks have begun
  bool m_imageEnded = false;  // and another chunk came after them
  bool m_seenPalette = false;
  PngHeader m_header;
  std::vector<std::uint32_t> m_palette;
  std::vector<std::uint16_t> m_key;
};

}  // namespace mirablot::pdf
