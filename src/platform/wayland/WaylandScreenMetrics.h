// SPDX-License-Identifier: MIT
#pragma once

#include "WaylandDisplay.h"
#include "ports/ScreenMetrics.h"

namespace mirablot::wayland {

/// The compositor's first output, the one Qt calls the primary screen: a program without a
/// window cannot learn which output the pointer is on. Its scale is the desktop's, as Qt sees
/// it on Wayland (whole numbers): a screenshot's pixel is 1440 / (96 × scale) twips, and the
/// screen measures its logical size. Waits at most the given time for the compositor's
/// description; a compositor without outputs is an Error.
class WaylandScreenMetrics final : public ScreenMetrics {
 public:
  WaylandScreenMetrics(Display& display, std::chrono::milliseconds answerWithin);

  [[nodiscard]] double Width() override;
  [[nodiscard]] double Height() override;
  [[nodiscard]] double TwipsPerPixelX() override;
  [[nodiscard]] double TwipsPerPixelY() override;

 private:
  [[nodiscard]] const Display::Output& Output();

  Display& m_display;
  std::chrono::milliseconds m_answerWithin;
};

}  // namespace mirablot::wayland
