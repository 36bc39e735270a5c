// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "ports/ClipboardSource.h"

namespace mirablot::qt {

/// Decodes image data in any format Qt reads (a posix::PictureDecoder): the hint (a MIME type
/// or a file's name) names the format, the content decides. The size the data declares is
/// checked against the budget before anything is decoded.
[[nodiscard]] Picture DecodeImage(std::vector<std::uint8_t> bytes, const std::string& hint,
                                  std::size_t budget, const std::string& what);

/// Qt's own clipboard's picture, where the session offers no reader of ours (the offscreen
/// platform, say): its image types as posix::FirstPicture takes them, else the image Qt
/// makes of it. Needs a QGuiApplication, which `start` makes.
class QtClipboard final : public ClipboardSource {
 public:
  explicit QtClipboard(std::function<void()> start = {}) : m_start(std::move(start)) {}

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  std::function<void()> m_start;
};

}  // namespace mirablot::qt
