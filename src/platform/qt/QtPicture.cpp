// SPDX-License-Identifier: MIT
#include "QtPicture.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "pdf/PdfPicture.h"

namespace mirablot::qt {
namespace {

// The image's rows without the padding QImage keeps at their ends.
std::vector<std::uint8_t> Rows(const QImage& image, std::size_t bytesPerPixel) {
  const auto rowBytes = static_cast<std::size_t>(image.width()) * bytesPerPixel;
  std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(rows.data() + static_cast<std::size_t>(y) * rowBytes, image.constScanLine(y),
                rowBytes);
  }
  return rows;
}

}  // namespace

Picture MakePicture(const QImage& image) {
  if (image.isNull()) {
    return {};
  }
  pdf::RgbImage rgb{static_cast<std::uint32_t>(image.width()),
                    static_cast<std::uint32_t>(image.height()),
                    Rows(image.convertToFormat(QImage::Format_RGB888), 3),
                    {}};
  if (image.hasAlphaChannel()) {
    std::vector<std::uint8_t> alpha = Rows(image.convertToFormat(QImage::Format_Alpha8), 1);
    if (std::any_of(alpha.begin(), alpha.end(), [](std::uint8_t a) { return a != 0xff; })) {
      rgb.alpha = std::move(alpha);
    }
  }
  return pdf::MakeRgbPicture(std::move(rgb));
}

}  // namespace mirablot::qt
