// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "ports/ClipboardSource.h"

namespace mirablot::win32 {

/// The Windows clipboard: a device-independent bitmap (CF_DIBV5, else CF_DIB), or failing
/// those a PNG some programs offer alone.
class Win32Clipboard final : public ClipboardSource {
 public:
  Win32Clipboard() = default;

  [[nodiscard]] Picture FetchBitmap() override;
};

/// The picture in a file, or arriving on standard input ("-"), in place of the clipboard's,
/// decoded by Windows' imaging component (PNG, BMP, JPEG, GIF, TIFF) within the same budget.
/// A file that does not exist is error 53, one that cannot be read error 75, and one that holds
/// no picture error 481, each naming the file.
class Win32PictureFile final : public ClipboardSource {
 public:
  explicit Win32PictureFile(std::string path) : m_path(std::move(path)) {}

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  std::string m_path;
};

}  // namespace mirablot::win32
