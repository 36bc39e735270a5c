// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <utility>

#include "core/Conversions.h"
#include "ports/ScreenMetrics.h"

class QScreen;

namespace mirablot::qt {

/// The screen under the mouse pointer, where the user just took or copied a picture and
/// expects a window; the primary screen when the pointer is nowhere; nullptr without screens.
[[nodiscard]] QScreen* UserScreen();

/// The user's screen (see UserScreen). A picture's pixels are device pixels, so one of them is
/// 1440 / (logical DPI x device pixel ratio) twips: a screenshot prints at the size it had on
/// the screen, at any scaling.
class QtScreenMetrics final : public ScreenMetrics {
 public:
  /// `start` makes the application when it is first needed; without one there must be one.
  explicit QtScreenMetrics(std::function<void()> start = {}) : m_start(std::move(start)) {}

  [[nodiscard]] double Width() override;
  [[nodiscard]] double Height() override;
  [[nodiscard]] double TwipsPerPixelX() override;
  [[nodiscard]] double TwipsPerPixelY() override;

 private:
  [[nodiscard]] QScreen& Current();

  std::function<void()> m_start;
};

}  // namespace mirablot::qt
