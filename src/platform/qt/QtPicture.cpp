// SPDX-License-Identifier: MIT
#include "QtPicture.h"

#include <memory>
#include <utility>

namespace mirablot::qt {
namespace {

class ImageData final : public Picture::Data {
 public:
  explicit ImageData(QImage image) : m_image(std::move(image)) {}
  [[nodiscard]] int Width() const override { return m_image.width(); }
  [[nodiscard]] int Height() const override { return m_image.height(); }
  [[nodiscard]] const QImage& Image() const { return m_image; }

 private:
  QImage m_image;
};

}  // namespace

Picture MakePicture(QImage image) {
  if (image.isNull()) {
    return {};
  }
  return Picture(std::make_shared<ImageData>(std::move(image)));
}

const QImage* ImageOf(const Picture& picture) {
  const auto* data = dynamic_cast<const ImageData*>(picture.Pixels());
  return data != nullptr ? &data->Image() : nullptr;
}

}  // namespace mirablot::qt
