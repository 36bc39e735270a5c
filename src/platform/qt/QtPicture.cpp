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

class PngData final : public Picture::Data {
 public:
  // The spans of the checked PNG point into m_bytes, which never moves again.
  explicit PngData(std::vector<std::uint8_t> bytes)
      : m_bytes(std::move(bytes)), m_png(pdf::ReadPng(m_bytes)) {}
  [[nodiscard]] int Width() const override { return static_cast<int>(m_png.header.width); }
  [[nodiscard]] int Height() const override { return static_cast<int>(m_png.header.height); }
  [[nodiscard]] const pdf::PngImage& Png() const { return m_png; }

 private:
  std::vector<std::uint8_t> m_bytes;
  pdf::PngImage m_png;
};

}  // namespace

Picture MakePicture(QImage image) {
  if (image.isNull()) {
    return {};
  }
  return Picture(std::make_shared<ImageData>(std::move(image)));
}

Picture MakePngPicture(std::vector<std::uint8_t> bytes) {
  return Picture(std::make_shared<PngData>(std::move(bytes)));
}

const QImage* ImageOf(const Picture& picture) {
  const auto* data = dynamic_cast<const ImageData*>(picture.Pixels());
  return data != nullptr ? &data->Image() : nullptr;
}

const pdf::PngImage* PngOf(const Picture& picture) {
  const auto* data = dynamic_cast<const PngData*>(picture.Pixels());
  return data != nullptr ? &data->Png() : nullptr;
}

}  // namespace mirablot::qt
