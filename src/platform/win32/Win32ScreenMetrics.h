// SPDX-License-Identifier: MIT
#pragma once

#include "ports/ScreenMetrics.h"

namespace mirablot::win32 {

/// The primary screen at the DPI Windows gives the screen's device context. The program
/// declares itself DPI aware, so a pixel here is a real pixel of a screenshot.
class Win32ScreenMetrics final : public ScreenMetrics {
 public:
  Win32ScreenMetrics() = default;

  [[nodiscard]] double Width() override;
  [[nodiscard]] double Height() override;
  [[nodiscard]] double TwipsPerPixelX() override;
  [[nodiscard]] double TwipsPerPixelY() override;
};

/// Dots per inch of the screen's device context, horizontally or vertically.
[[nodiscard]] int ScreenDotsPerInch(bool vertical);

}  // namespace mirablot::win32
