// SPDX-License-Identifier: MIT
#pragma once

#include "core/Picture.h"

namespace mirablot {

/// The start-up window's image holder: a picture and the size, in twips, it will be printed at.
class ImageHolder {
 public:
  virtual ~ImageHolder() = default;
  ImageHolder(const ImageHolder&) = delete;
  ImageHolder& operator=(const ImageHolder&) = delete;

  /// With stretching off, a non-empty picture sizes the holder to the picture's natural size.
  virtual void SetPicture(Picture picture) = 0;
  [[nodiscard]] virtual const Picture& GetPicture() = 0;
  [[nodiscard]] virtual float Width() = 0;
  [[nodiscard]] virtual float Height() = 0;
  /// Refuses a negative or invalid width with an Error; the old value stays.
  virtual void SetWidth(float width) = 0;
  /// Refuses a negative or invalid height with an Error; the old value stays.
  virtual void SetHeight(float height) = 0;
  /// With stretching on, the size is whatever was last set, free of the picture.
  virtual void SetStretch(bool stretch) = 0;

 protected:
  ImageHolder() = default;
};

}  // namespace mirablot
