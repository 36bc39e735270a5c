// SPDX-License-Identifier: MIT
#include "WaylandScreenMetrics.h"

#include "core/Conversions.h"
#include "core/Error.h"

namespace mirablot::wayland {
namespace {

// Qt's logical DPI on Wayland; the scale multiplies it.
constexpr double kLogicalDpi = 96;

}  // namespace

WaylandScreenMetrics::WaylandScreenMetrics(Display& display, std::chrono::milliseconds answerWithin)
    : m_display(display), m_answerWithin(answerWithin) {}

const Display::Output& WaylandScreenMetrics::Output() {
  if (m_display.HasOutput() && !m_display.FirstOutput().described) {
    (void)m_display.DispatchUntil([this] { return m_display.FirstOutput().described; },
                                  Display::Clock::now() + m_answerWithin);
  }
  if (!m_display.FirstOutput().described) {
    throw Error(ErrorNumber::InvalidCall, "画面の情報を取得できません。");
  }
  return m_display.FirstOutput();
}

double WaylandScreenMetrics::TwipsPerPixelX() {
  return kTwipsPerInch / (kLogicalDpi * Output().scale);
}

double WaylandScreenMetrics::TwipsPerPixelY() {
  return TwipsPerPixelX();
}

double WaylandScreenMetrics::Width() {
  return Output().width * TwipsPerPixelX();
}

double WaylandScreenMetrics::Height() {
  return Output().height * TwipsPerPixelY();
}

}  // namespace mirablot::wayland
