// SPDX-License-Identifier: MIT
#pragma once

#include "CallLog.h"
#include "ports/ScreenMetrics.h"

namespace mirablot::fake {

/// A screen of a fixed size in twips with square pixels.
class FakeScreen final : public ScreenMetrics {
 public:
  FakeScreen(CallLog& log, double width, double height, double twipsPerPixel)
      : m_log(log), m_width(width), m_height(height), m_twipsPerPixel(twipsPerPixel) {}

  [[nodiscard]] double Width() override {
    m_log.Add("Screen.Width");
    return m_width;
  }
  [[nodiscard]] double Height() override {
    m_log.Add("Screen.Height");
    return m_height;
  }
  [[nodiscard]] double TwipsPerPixelX() override { return m_twipsPerPixel; }
  [[nodiscard]] double TwipsPerPixelY() override { return m_twipsPerPixel; }

 private:
  CallLog& m_log;
  double m_width;
  double m_height;
  double m_twipsPerPixel;
};

}  // namespace mirablot::fake
