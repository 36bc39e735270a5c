// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pdf/Png.h"
#include "pdf/PngParser.h"
#include "pdf/RgbImage.h"
#include "ports/ByteStream.h"

namespace mirablot::pdf {

/// A PNG read as it arrives, one way for every source and every use, so that the same bytes
/// always meet the same checks in the same order (PngParser, ImageDataInflater): the header
/// and the decoded size against the budget first, then the chunks and the image data.
///
/// What happens to the image data depends on the picture. A PNG a PDF carries (PdfCanCarry)
/// that is to be streamed goes on to the printer while the owner still sends it
/// (PassImageData): its first megabytes are read at once and inflated beside whatever runs
/// next, so a small picture is read whole, and its damage found, before any job exists. One
/// that is to be read whole is kept, checked whole. Any other PNG is decoded.
class PngStream {
 public:
  /// Image data read with the header: most screenshots whole.
  static constexpr std::size_t kReadAhead = std::size_t{8} << 20;

  /// What a PNG a PDF carries is read for.
  enum class Use {
    Stream,  ///< passed on as it arrives
    Keep,    ///< read whole, checked, and kept
    Decode,  ///< read whole and kept, and decoded in the same pass to be looked at
  };

  /// Reads the start of the source; for a PNG, as much as its use needs (see above). Bytes
  /// that do not start like a PNG are no error (see IsPng). A picture larger than the budget
  /// is error 7 (RequireWithinBudget), a damaged one error 481.
  PngStream(std::unique_ptr<ByteStream> source, std::size_t budget, Use use = Use::Stream,
            std::size_t readAhead = kReadAhead);
  PngStream(const PngStream&) = delete;
  PngStream& operator=(const PngStream&) = delete;
  ~PngStream();

  /// Whether the bytes start with PNG's signature.
  [[nodiscard]] bool IsPng() const { return m_isPng; }
  [[nodiscard]] const PngHeader& Header() const { return m_parser.Header(); }

  /// Everything the source holds, from its first byte: for what is not a PNG.
  [[nodiscard]] std::vector<std::uint8_t> ReadWhole();

  /// A PNG whose image data is handed on as it arrives (PassImageData).
  [[nodiscard]] bool Passes() const { return m_check != nullptr; }
  /// Hands the image data of a PNG that passes on as it arrives, to the end of the PNG and of
  /// the source, once. A damaged, short or overlong picture is an Error (InvalidPicture) by
  /// the time this returns, which it does only for a picture read whole and sound.
  void PassImageData(const std::function<void(std::span<const std::uint8_t>)>& put);

  /// A PNG a PDF carries, read whole and sound: its image data.
  struct Kept {
    std::vector<std::vector<std::uint8_t>> data;
  };
  [[nodiscard]] std::optional<Kept> TakeKept();
  /// Any other PNG, or one kept for Use::Decode, decoded.
  [[nodiscard]] std::optional<RgbImage> TakeDecoded();

 private:
  class Check;

  // Reads the next bytes and feeds them to the parser; false at the source's end.
  bool ReadMore();
  // Hands the image data gathered by the last read to its use.
  void Flush(const std::function<void(std::span<const std::uint8_t>)>& put = {});
  void ImageStarts();
  void Drain();

  std::unique_ptr<ByteStream> m_source;
  std::size_t m_budget;
  Use m_use;
  bool m_isPng = false;
  bool m_imageStarted = false;
  std::vector<std::uint8_t> m_start;  // the first bytes, while it is not known to be a PNG
  PngParser m_parser;
  std::unique_ptr<std::uint8_t[]> m_buffer;  // what was read last, never cleared
  std::vector<std::uint8_t> m_piece;         // image data of the last read
  std::uint64_t m_handedOn = 0;              // image data bytes before it
  std::unique_ptr<Check> m_check;
  std::deque<std::vector<std::uint8_t>> m_ahead;  // image data read ahead, not yet handed on
  std::optional<Kept> m_kept;
  std::optional<RgbImage> m_decoded;
  std::function<void(std::span<const std::uint8_t>)> m_take;  // of the image data read whole
  std::function<void()> m_finish;
};

}  // namespace mirablot::pdf
