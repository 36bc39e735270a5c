// SPDX-License-Identifier: MIT
#include "DesktopSession.h"

namespace mirablot {
namespace {

ClipboardRoute ChooseClipboard(const SessionFacts& facts) {
  if (facts.waylandDataControl) {
    return ClipboardRoute::WaylandDataControl;
  }
  if (facts.x11Named) {
    return facts.waylandNamed ? ClipboardRoute::XWaylandSelection : ClipboardRoute::X11Selection;
  }
  return ClipboardRoute::Toolkit;
}

std::string ChooseQtPlatform(const SessionFacts& facts) {
  const std::string& requested = facts.requestedQtPlatform;
  const bool waylandRequested = requested.starts_with("wayland");
  if (!requested.empty() && !waylandRequested) {
    return requested;  // xcb, or a platform of the user's own (offscreen, vnc…)
  }
  // Native Wayland windows need a compositor that shows them, unless nothing else is there,
  // and a way to reach it that the clipboard reader did not take.
  const bool wayland = facts.waylandReachable && !facts.waylandSocketOnly &&
                       (facts.waylandWindows || !facts.x11Named);
  if (!wayland) {
    return facts.x11Named ? "xcb" : "";
  }
  std::string platform = waylandRequested ? requested : "wayland";
  if (facts.x11Named) {
    platform += ";xcb";  // XWayland, should Qt's Wayland plugin be missing or fail
  }
  return platform;
}

}  // namespace

SessionPlan PlanSession(const SessionFacts& facts) {
  return {ChooseClipboard(facts), ChooseQtPlatform(facts)};
}

}  // namespace mirablot
