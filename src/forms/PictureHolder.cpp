// SPDX-License-Identifier: MIT
#include "PictureHolder.h"

#include <utility>

#include "core/Conversions.h"
#include "ports/ScreenMetrics.h"

namespace mirablot {
PictureHolder::PictureHolder(ScreenMetrics& screen, float width, float height)
    : m_screen(screen), m_width(CheckedExtent(width)), m_height(CheckedExtent(height)) {}

void PictureHolder::SetPicture(Picture picture) {
  m_picture = std::move(picture);
  if (!m_stretch) {
    SizeToPicture();
  }
}

void PictureHolder::SetWidth(float width) {
  m_width = CheckedExtent(width);
}

void PictureHolder::SetHeight(float height) {
  m_height = CheckedExtent(height);
}

void PictureHolder::SetStretch(bool stretch) {
  m_stretch = stretch;
  if (!m_stretch) {
    SizeToPicture();
  }
}

void PictureHolder::SizeToPicture() {
  // An empty picture has no natural size: the holder keeps the size it had.
  if (m_picture.IsEmpty()) {
    return;
  }
  const float width = ToSingle(m_picture.Width() * m_screen.TwipsPerPixelX());
  const float height = ToSingle(m_picture.Height() * m_screen.TwipsPerPixelY());
  m_width = width;
  m_height = height;
}

}  // namespace mirablot
