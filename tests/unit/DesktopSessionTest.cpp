// SPDX-License-Identifier: MIT
// Which clipboard is read and where windows go, for the sessions people run.
#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>

#include <gtest/gtest.h>

#include "app/DesktopSession.h"

namespace mirablot {
namespace {

// Facts as letters: W a Wayland compositor named, S by WAYLAND_SOCKET alone, R that answered,
// D with data control, V that shows windows; X an X display named; QT_QPA_PLATFORM after '='.
SessionFacts Facts(std::string_view code) {
  const std::size_t equals = std::min(code.find('='), code.size());
  const auto has = [&](char flag) { return code.substr(0, equals).find(flag) != code.npos; };
  SessionFacts facts{has('W'), has('S'), has('R'), has('D'), has('V'), has('X')};
  facts.requestedQtPlatform = code.substr(std::min(equals + 1, code.size()));
  return facts;
}

TEST(PlanSession, ChoosesTheReaderAndTheWindowsPlatform) {
  using enum ClipboardRoute;
  for (const auto& [facts, clipboard, platform] : {
           std::tuple{"X", X11Selection, "xcb"},  // an X11 desktop
           {"X=offscreen", X11Selection, "offscreen"},    // the user's own platform is kept
           {"WRDVX", WaylandDataControl, "wayland;xcb"},  // sway with XWayland
           {"WRDV", WaylandDataControl, "wayland"},
           {"WRDVX=wayland-egl", WaylandDataControl, "wayland-egl;xcb"},  // KDE asking for it
           {"WRVX", XWaylandSelection, "wayland;xcb"},  // GNOME: XWayland bridges the clipboard
           {"WRV", Toolkit, "wayland"},                 // GNOME without XWayland
           {"WRDX", WaylandDataControl, "xcb"},         // a compositor that shows no windows
           {"WRD", WaylandDataControl, "wayland"},
           {"WX=wayland", XWaylandSelection, "xcb"},  // WAYLAND_DISPLAY names no compositor
           {"W", Toolkit, ""},
           {"", Toolkit, ""},
           // An inherited WAYLAND_SOCKET serves one connection: the reader's.
           {"WSRDVX", WaylandDataControl, "xcb"},
           {"WSRDV", WaylandDataControl, ""},
           {"WSRVX", XWaylandSelection, "xcb"},
       }) {
    const SessionPlan plan = PlanSession(Facts(facts));
    EXPECT_EQ(plan.clipboard, clipboard) << facts;
    EXPECT_EQ(plan.qtPlatform, platform) << facts;
  }
}

}  // namespace
}  // namespace mirablot
