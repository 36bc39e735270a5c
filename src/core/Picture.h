// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

namespace mirablot {

/// A bitmap as the core sees it: something to pass along, with a pixel size. Only the adapter
/// that made the pixel data knows how to draw it.
class Picture {
 public:
  /// Pixel data owned by an adapter.
  class Data {
   public:
    virtual ~Data() = default;
    [[nodiscard]] virtual int Width() const = 0;
    [[nodiscard]] virtual int Height() const = 0;
    /// For each row from the top, whether it is blank: each of its pixels within 8 of its
    /// first pixel in every channel. Where a picture may be cut across pages; empty when the
    /// data cannot tell.
    [[nodiscard]] virtual std::vector<bool> BlankRows() const { return {}; }

   protected:
    Data() = default;
    Data(const Data&) = default;
    Data& operator=(const Data&) = default;
  };

  /// The empty picture.
  Picture() = default;
  explicit Picture(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

  [[nodiscard]] bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  [[nodiscard]] int Width() const { return m_data ? m_data->Width() : 0; }
  [[nodiscard]] int Height() const { return m_data ? m_data->Height() : 0; }
  [[nodiscard]] const Data* Pixels() const { return m_data.get(); }
  [[nodiscard]] std::vector<bool> BlankRows() const {
    return m_data ? m_data->BlankRows() : std::vector<bool>{};
  }

 private:
  std::shared_ptr<const Data> m_data;
};

/// Whether a row of pixels of `pixelBytes` bytes each is blank, as BlankRows says: its first
/// `channels` bytes of every pixel (the colour, not an alpha after it) within 8 of the first
/// pixel's.
[[nodiscard]] inline bool IsBlankRow(std::span<const std::uint8_t> row, std::size_t pixelBytes,
                                     std::size_t channels) {
  // Pixel by pixel, without a division per byte: this runs on every row of a picture read
  // whole.
  for (std::size_t at = pixelBytes; at + pixelBytes <= row.size(); at += pixelBytes) {
    for (std::size_t c = 0; c < channels; ++c) {
      if (std::abs(row[at + c] - row[c]) > 8) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace mirablot
