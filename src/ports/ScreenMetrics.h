// SPDX-License-Identifier: MIT
#pragma once

namespace mirablot {

/// The screen the user works on.
class ScreenMetrics {
 public:
  virtual ~ScreenMetrics() = default;
  ScreenMetrics(const ScreenMetrics&) = delete;
  ScreenMetrics& operator=(const ScreenMetrics&) = delete;

  /// Screen width in twips.
  [[nodiscard]] virtual double Width() = 0;
  /// Screen height in twips.
  [[nodiscard]] virtual double Height() = 0;
  /// Twips per horizontal pixel of a picture taken from the screen.
  [[nodiscard]] virtual double TwipsPerPixelX() = 0;
  /// Twips per vertical pixel of a picture taken from the screen.
  [[nodiscard]] virtual double TwipsPerPixelY() = 0;

 protected:
  ScreenMetrics() = default;
};

}  // namespace mirablot
