// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "pdf/Png.h"
#include "ports/ByteStream.h"

namespace mirablot::pdf {

/// A PNG read as it arrives, so that its image data can go on to the printer while the owner
/// still sends it: the chunks before the image data are read at once (the header, and whether
/// some colour stands for transparent), the image data is handed on piece by piece, with every
/// check a whole PNG gets (ReadPng, CheckImageData) made on the way. The first megabytes of
/// image data are read at once too, and inflated beside whatever runs next: a small picture
/// is then read whole, and its damage found, before any job exists.
class PngStream {
 public:
  /// Image data read with the header: most screenshots whole.
  static constexpr std::size_t kReadAhead = std::size_t{8} << 20;

  /// Reads from the source up to the image data; and for a PNG that is to pass through (one a
  /// PDF carries), `readAhead` bytes of that. Bytes that do not start like a PNG are no error
  /// (see IsPng); a PNG to pass through whose start is damaged is.
  explicit PngStream(std::unique_ptr<ByteStream> source, bool passThrough = true,
                     std::size_t readAhead = kReadAhead);
  PngStream(const PngStream&) = delete;
  PngStream& operator=(const PngStream&) = delete;
  ~PngStream();

  [[nodiscard]] bool IsPng() const { return m_isPng; }
  /// The PNG's header, with `transparency` known; only when IsPng().
  [[nodiscard]] const PngHeader& Header() const { return m_header; }

  /// Everything the source holds, from its first byte: for what is read whole. Not for a PNG
  /// that passes through.
  [[nodiscard]] std::vector<std::uint8_t> ReadWhole();

  /// Hands the image data of a PNG that passes through on as it arrives, to the end of the PNG
  /// and of the source, once.
  /// Each chunk's checksum is checked as it passes and the data is inflated beside the
  /// transfer: a damaged, short or overlong picture is an Error (InvalidPicture) by the time
  /// this returns, which it does only for a picture read whole and sound.
  void PassImageData(const std::function<void(std::span<const std::uint8_t>)>& put);

 private:
  class Check;

  // Exactly `into.size()` bytes, else the PNG ended early.
  void ReadExactly(std::span<std::uint8_t> into, const char* where);
  // The next chunk's length and type.
  void ReadChunkStart();
  // The current chunk's data and checksum, kept for ReadWhole.
  void KeepChunk();
  // The next piece of image data, its chunks' checksums checked on the way; empty at IEND.
  [[nodiscard]] std::vector<std::uint8_t> NextPiece();
  [[nodiscard]] bool IsType(const char* type) const;

  std::unique_ptr<ByteStream> m_source;
  std::vector<std::uint8_t> m_read;  // the bytes read before the image data
  bool m_isPng = false;
  bool m_passing = false;  // the image data is being handed on: nothing more is kept
  bool m_ended = false;    // IEND was read
  PngHeader m_header;
  std::uint32_t m_length = 0;  // of the current chunk
  std::uint32_t m_left = 0;    // of its data, not yet read
  std::uint8_t m_type[4] = {};
  std::uint32_t m_checksum = 0;
  std::unique_ptr<Check> m_check;
  std::deque<std::vector<std::uint8_t>> m_ahead;  // image data read ahead, not yet handed on
};

}  // namespace mirablot::pdf
