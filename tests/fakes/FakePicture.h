// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "core/Picture.h"

namespace mirablot::fake {

/// Pixel data that has a size and nothing else.
class FakePictureData final : public Picture::Data {
 public:
  FakePictureData(int width, int height) : m_width(width), m_height(height) {}
  [[nodiscard]] int Width() const override { return m_width; }
  [[nodiscard]] int Height() const override { return m_height; }

 private:
  int m_width;
  int m_height;
};

[[nodiscard]] inline Picture MakePicture(int width, int height) {
  return Picture(std::make_shared<FakePictureData>(width, height));
}

}  // namespace mirablot::fake
