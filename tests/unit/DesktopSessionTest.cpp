// SPDX-License-Identifier: MIT
// Which clipboard is read and where windows go, for the sessions people run.
#include <string>

#include <gtest/gtest.h>

#include "app/DesktopSession.h"

namespace mirablot {
namespace {

struct Session {
  const char* desktop;
  SessionFacts facts;
  ClipboardRoute clipboard;
  std::string qtPlatform;
};

// Facts of a compositor that answered: its data control and its windows.
SessionFacts Wayland(bool dataControl, bool windows, bool xwayland, std::string requested = "",
                     bool socketOnly = false) {
  return {.waylandNamed = true,
          .waylandSocketOnly = socketOnly,
          .waylandReachable = true,
          .waylandDataControl = dataControl,
          .waylandWindows = windows,
          .x11Named = xwayland,
          .requestedQtPlatform = std::move(requested)};
}

class PlanSessionTest : public ::testing::TestWithParam<Session> {};

TEST_P(PlanSessionTest, ChoosesTheReaderAndTheWindowsPlatform) {
  const Session& session = GetParam();
  const SessionPlan plan = PlanSession(session.facts);
  EXPECT_EQ(plan.clipboard, session.clipboard) << session.desktop;
  EXPECT_EQ(plan.qtPlatform, session.qtPlatform) << session.desktop;
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, PlanSessionTest,
    ::testing::Values(
        Session{"X11 desktop", {.x11Named = true}, ClipboardRoute::X11Selection, "xcb"},
        Session{"X11 desktop whose user asked Qt for xcb",
                {.x11Named = true, .requestedQtPlatform = "xcb"},
                ClipboardRoute::X11Selection,
                "xcb"},
        Session{"sway with XWayland", Wayland(true, true, true), ClipboardRoute::WaylandDataControl,
                "wayland;xcb"},
        Session{"sway without XWayland", Wayland(true, true, false),
                ClipboardRoute::WaylandDataControl, "wayland"},
        Session{"KDE Plasma asking Qt for wayland", Wayland(true, true, true, "wayland"),
                ClipboardRoute::WaylandDataControl, "wayland;xcb"},
        Session{"GNOME: no data control, XWayland bridges the clipboard",
                Wayland(false, true, true), ClipboardRoute::XWaylandSelection, "wayland;xcb"},
        Session{"GNOME without XWayland: only the toolkit is left", Wayland(false, true, false),
                ClipboardRoute::Toolkit, "wayland"},
        Session{"a compositor that shows no windows, with XWayland", Wayland(true, false, true),
                ClipboardRoute::WaylandDataControl, "xcb"},
        Session{"a compositor that shows no windows, alone", Wayland(true, false, false),
                ClipboardRoute::WaylandDataControl, "wayland"},
        Session{"WAYLAND_DISPLAY names no compositor, DISPLAY an X server",
                {.waylandNamed = true, .x11Named = true, .requestedQtPlatform = "wayland"},
                ClipboardRoute::XWaylandSelection,
                "xcb"},
        Session{"WAYLAND_DISPLAY names no compositor, no DISPLAY",
                {.waylandNamed = true},
                ClipboardRoute::Toolkit,
                ""},
        Session{"no display at all", {}, ClipboardRoute::Toolkit, ""},
        // An inherited WAYLAND_SOCKET serves one connection: the reader's. Windows take XWayland.
        Session{"sway named by WAYLAND_SOCKET alone", Wayland(true, true, true, "", true),
                ClipboardRoute::WaylandDataControl, "xcb"},
        Session{"sway without XWayland named by WAYLAND_SOCKET alone",
                Wayland(true, true, false, "", true), ClipboardRoute::WaylandDataControl, ""},
        Session{"GNOME named by WAYLAND_SOCKET alone", Wayland(false, true, true, "", true),
                ClipboardRoute::XWaylandSelection, "xcb"},
        Session{"the user's own platform is kept",
                {.x11Named = true, .requestedQtPlatform = "offscreen"},
                ClipboardRoute::X11Selection,
                "offscreen"}));

}  // namespace
}  // namespace mirablot
