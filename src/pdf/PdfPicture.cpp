// SPDX-License-Identifier: MIT
#include "PdfPicture.h"

#include <algorithm>
#include <cstdlib>
#include <future>
#include <memory>
#include <utility>

namespace mirablot::pdf {
namespace {

class PngData final : public Picture::Data {
 public:
  // The spans of the checked PNG point into m_bytes, which never moves again. Inflating the
  // image data costs about as much as writing the document: it runs beside it.
  explicit PngData(std::vector<std::uint8_t> bytes)
      : m_bytes(std::move(bytes)),
        m_png(ReadPng(m_bytes)),
        m_readWhole(std::async(std::launch::async, [this] { CheckImageData(m_png); }).share()) {}
  [[nodiscard]] int Width() const override { return static_cast<int>(m_png.header.width); }
  [[nodiscard]] int Height() const override { return static_cast<int>(m_png.header.height); }
  [[nodiscard]] const PngImage& Png() const { return m_png; }
  [[nodiscard]] std::vector<bool> BlankRows() const override { return pdf::BlankRows(m_png); }
  void RequireReadWhole() const { m_readWhole.get(); }

 private:
  std::vector<std::uint8_t> m_bytes;
  PngImage m_png;
  // Last: the check ends before what it reads goes.
  std::shared_future<void> m_readWhole;
};

class RgbData final : public Picture::Data {
 public:
  explicit RgbData(RgbImage image) : m_image(std::move(image)) {}
  [[nodiscard]] int Width() const override { return static_cast<int>(m_image.width); }
  [[nodiscard]] int Height() const override { return static_cast<int>(m_image.height); }
  [[nodiscard]] const RgbImage& Image() const { return m_image; }
  [[nodiscard]] std::vector<bool> BlankRows() const override {
    std::vector<bool> blank(m_image.height);
    const std::size_t rowBytes = std::size_t{m_image.width} * 3;
    for (std::size_t y = 0; y < blank.size(); ++y) {
      const std::uint8_t* row = m_image.rgb.data() + y * rowBytes;
      blank[y] =
          std::all_of(row + 3, row + rowBytes, [row, i = std::size_t{3}](std::uint8_t v) mutable {
            return std::abs(v - row[i++ % 3]) <= 8;
          });
    }
    return blank;
  }

 private:
  RgbImage m_image;
};

}  // namespace

Picture MakePngPicture(std::vector<std::uint8_t> bytes) {
  return Picture(std::make_shared<PngData>(std::move(bytes)));
}

Picture MakeRgbPicture(RgbImage image) {
  if (image.width == 0 || image.height == 0) {
    return {};
  }
  return Picture(std::make_shared<RgbData>(std::move(image)));
}

void RequireReadWhole(const Picture& picture) {
  if (const auto* data = dynamic_cast<const PngData*>(picture.Pixels())) {
    data->RequireReadWhole();
  }
}

const PngImage* PngOf(const Picture& picture) {
  const auto* data = dynamic_cast<const PngData*>(picture.Pixels());
  return data != nullptr ? &data->Png() : nullptr;
}

const RgbImage* RgbOf(const Picture& picture) {
  const auto* data = dynamic_cast<const RgbData*>(picture.Pixels());
  return data != nullptr ? &data->Image() : nullptr;
}

}  // namespace mirablot::pdf
