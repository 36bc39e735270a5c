// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ports/ClipboardSource.h"
#include "ports/SelectionReader.h"

namespace mirablot::qt {

/// Opens the session's clipboard for one read, within the given limits.
using SelectionOpener = std::function<std::unique_ptr<SelectionReader>(const SelectionLimits&)>;

/// The desktop clipboard's picture. The bytes come from the reader the opener gives (the X11
/// selection, the Wayland data-control offer), or from Qt's own clipboard when there is no
/// opener; Qt decodes them. PNG is taken first, then the owner's other image types; the size a
/// picture declares is checked against the memory budget before anything is decoded. Needs a
/// QGuiApplication.
class QtClipboard final : public ClipboardSource {
 public:
  /// Without an opener, Qt's own clipboard is read, for which `start` makes the application.
  explicit QtClipboard(SelectionOpener open = {}, std::function<void()> start = {});

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  SelectionOpener m_open;
  std::function<void()> m_start;
};

/// The picture in a file, or arriving on standard input ("-"), in place of the clipboard's:
/// read whole (standard input for as long as it stays open) within the same budget and decoded
/// the same way. A file that does not exist is error 53, one that cannot be read error 75, and
/// one that holds no picture error 481, each naming the file.
class PictureFile final : public ClipboardSource {
 public:
  explicit PictureFile(std::string path) : m_path(std::move(path)) {}

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  std::string m_path;
};

}  // namespace mirablot::qt
