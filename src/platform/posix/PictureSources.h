// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "ports/ByteStream.h"
#include "ports/ClipboardSource.h"
#include "ports/SelectionReader.h"

namespace mirablot::posix {

/// Decodes image data that no printer takes as it stands (anything but a PNG a PDF carries):
/// its bytes; a MIME type or a file's name, as a hint to the format; the memory budget; what
/// to call it in an Error. Data that does not decode is error 481 (InvalidPicture).
using PictureDecoder =
    std::function<Picture(std::vector<std::uint8_t> bytes, const std::string& hint,
                          std::size_t budget, const std::string& what)>;

/// Opens the session's clipboard for one read, within the given limits.
using SelectionOpener = std::function<std::unique_ptr<SelectionReader>(const SelectionLimits&)>;

/// How large a decoded picture may be: printing holds its pixels about three times over (the
/// decoded picture, its converted copy and the compressed page), so a third of the memory the
/// machine has free, 64 MB at least.
[[nodiscard]] std::size_t DecodeBudget();

/// How a PNG that a PDF carries is read.
enum class Reading {
  /// As it arrives, straight into the print job: constant memory, and the printer starts
  /// while the owner still sends.
  Streamed,
  /// Whole first, so that its rows can be looked at (where to cut it across pages).
  Whole,
  /// Whole, and decoded as it is read, so that its colours can be looked at (printed light);
  /// its image data is kept too, for a picture that prints unchanged.
  Decoded,
};

/// The picture in whole image data, read as PictureOfStream reads it with Reading::Whole.
[[nodiscard]] Picture PictureOfBytes(std::vector<std::uint8_t> bytes, const std::string& hint,
                                     std::size_t budget, const std::string& what,
                                     const PictureDecoder& decode);

/// The picture arriving on the stream: a PNG through pdf::PngStream (passed through, kept or
/// decoded by our own reader), anything else by `decode`; nothing at all is the empty picture.
/// `source` is what the stream reads through, kept as long as a streamed picture. Too large
/// for the budget, or damaged, is an Error.
[[nodiscard]] Picture PictureOfStream(std::unique_ptr<ByteStream> stream,
                                      std::shared_ptr<const void> source, const std::string& hint,
                                      std::size_t budget, const std::string& what, Reading reading,
                                      const PictureDecoder& decode);

/// The first picture among the offered types, most faithful first: PNG, then the other image
/// types in the owner's order, each once, a few dozen at most. `tryType` gives the picture of
/// one type, or the empty picture when the owner refuses it. When some were offered and none
/// gave a picture, the first failure is the Error; a picture too large for memory is one at
/// once.
[[nodiscard]] Picture FirstPicture(const std::vector<std::string>& offered,
                                   const std::function<Picture(const std::string&)>& tryType);

/// The desktop clipboard's picture, read through the session's own reader (the X11 selection,
/// the Wayland data-control offer).
class ClipboardPictures final : public ClipboardSource {
 public:
  ClipboardPictures(SelectionOpener open, PictureDecoder decode, Reading reading);

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  SelectionOpener m_open;
  PictureDecoder m_decode;
  Reading m_reading;
};

/// The picture in a file, or arriving on standard input ("-"), in place of the clipboard's:
/// read as the clipboard's is, standard input for as long as it stays open. A file that does
/// not exist is error 53, one that cannot be read error 75, and one that holds no picture
/// error 481, each naming the file.
class PictureFile final : public ClipboardSource {
 public:
  PictureFile(std::string path, PictureDecoder decode, Reading reading);

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  std::string m_path;
  PictureDecoder m_decode;
  Reading m_reading;
};

}  // namespace mirablot::posix
