// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "pdf/Png.h"

namespace mirablot::pdf {

/// One pass of a PNG's rows: the whole picture, or one of Adam7's seven reduced pictures, whose
/// pixels lie at (x0 + i·dx, y0 + j·dy).
struct PngPass {
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t x0;
  std::uint32_t y0;
  std::uint32_t dx;
  std::uint32_t dy;
};

/// The passes whose rows the image data holds, in order; an empty pass has no rows at all.
[[nodiscard]] std::vector<PngPass> PassesOf(const PngHeader& header);

/// The bytes of one of a pass's rows after its filter byte.
[[nodiscard]] std::uint64_t SampleBytes(const PngHeader& header, std::uint32_t width);

/// A row of samples, unfiltered: its pass (an index into PassesOf), its number within the pass.
using RowHandler =
    std::function<void(std::size_t pass, std::uint32_t row, std::span<const std::uint8_t>)>;

/// Inflates a PNG's image data piece by piece as it arrives, in constant memory, and holds it
/// to the format: a zlib stream without a preset dictionary, exactly the bytes the passes' rows
/// need, every row's filter type one PNG defines, the stream's checksum, and nothing after its
/// end. Anything else is an Error (InvalidPicture) as soon as it shows. With a handler, each
/// row is unfiltered and handed on.
class ImageDataInflater {
 public:
  explicit ImageDataInflater(const PngHeader& header, RowHandler rows = {});
  ImageDataInflater(const ImageDataInflater&) = delete;
  ImageDataInflater& operator=(const ImageDataInflater&) = delete;
  ~ImageDataInflater();

  /// Inflates the next piece of image data.
  void Feed(std::span<const std::uint8_t> piece);
  /// After the last piece: refuses a stream that has not ended or holds too few rows.
  void End();

 private:
  struct Stream;
  void Take(std::span<const std::uint8_t> inflated);
  void NextRow();

  std::unique_ptr<Stream> m_stream;
  PngHeader m_header;
  RowHandler m_rows;
  std::vector<PngPass> m_passes;
  std::size_t m_bytesPerPixel;  // for the filters: a whole pixel, or a byte below 8 bits
  std::size_t m_pass = 0;
  std::uint32_t m_row = 0;
  std::size_t m_rowBytes = 0;           // of the current pass, with the filter byte
  std::size_t m_at = 0;                 // within the current row
  std::vector<std::uint8_t> m_current;  // with a handler: the row arriving, and the one above
  std::vector<std::uint8_t> m_above;
  bool m_ended = false;
};

}  // namespace mirablot::pdf
