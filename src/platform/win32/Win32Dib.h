// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Picture.h"

struct tagBITMAPINFO;

namespace mirablot::win32 {

/// A device-independent bitmap in the packed form the clipboard holds: a header, its colour
/// table or masks, then the rows. Whatever it holds, StretchDIBits can draw it as it is.
class DibPicture final : public Picture::Data {
 public:
  /// Checks and copies a packed DIB. Pictures with an alpha channel are laid on white, as
  /// paper shows them. Anything GDI could not draw, or whose rows run past the data, is
  /// refused with an Error (invalid picture).
  [[nodiscard]] static std::shared_ptr<const DibPicture> FromPacked(const std::uint8_t* data,
                                                                    std::size_t size);
  /// Top-down 32-bit BGRA rows with straight alpha, laid on white.
  [[nodiscard]] static std::shared_ptr<const DibPicture> FromBgra(int width, int height,
                                                                  std::vector<std::uint8_t> rows);

  [[nodiscard]] int Width() const override { return m_width; }
  [[nodiscard]] int Height() const override { return m_height; }
  [[nodiscard]] std::vector<bool> BlankRows() const override;
  /// The picture drawn as top-down 32-bit BGR rows (the fourth byte no colour), or nothing
  /// when GDI cannot draw it.
  [[nodiscard]] std::vector<std::uint8_t> Rows() const;
  [[nodiscard]] const tagBITMAPINFO* Info() const;
  [[nodiscard]] const void* Bits() const { return m_bytes.data() + m_bitsOffset; }
  /// The packed DIB as drawn: header, table, rows.
  [[nodiscard]] const std::vector<std::uint8_t>& Packed() const { return m_bytes; }

 private:
  DibPicture(std::vector<std::uint8_t> bytes, std::size_t bitsOffset, int width, int height)
      : m_bytes(std::move(bytes)), m_bitsOffset(bitsOffset), m_width(width), m_height(height) {}

  std::vector<std::uint8_t> m_bytes;
  std::size_t m_bitsOffset;
  int m_width;
  int m_height;
};

/// The picture as --light prints it: a mostly dark DIB turned light (LightPrint), any other
/// the very picture given.
[[nodiscard]] Picture LightPicture(const Picture& picture);

}  // namespace mirablot::win32
