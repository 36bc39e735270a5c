// SPDX-License-Identifier: MIT
#pragma once

#include "ports/ImageHolder.h"

namespace mirablot {

class ScreenMetrics;

/// The image holder every platform uses: natural sizes come from the screen's twips per pixel.
class PictureHolder : public ImageHolder {
 public:
  /// Starts empty with its design size in twips.
  PictureHolder(ScreenMetrics& screen, float width, float height);

  void SetPicture(Picture picture) override;
  [[nodiscard]] const Picture& GetPicture() override { return m_picture; }
  [[nodiscard]] float Width() override { return m_width; }
  [[nodiscard]] float Height() override { return m_height; }
  void SetWidth(float width) override;
  void SetHeight(float height) override;
  void SetStretch(bool stretch) override;

 private:
  void SizeToPicture();

  ScreenMetrics& m_screen;
  Picture m_picture;
  float m_width;
  float m_height;
  bool m_stretch = false;
};

}  // namespace mirablot
