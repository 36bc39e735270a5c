// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mirablot {

/// What the Linux program learns of its desktop session at start, before any toolkit runs.
struct SessionFacts {
  /// WAYLAND_DISPLAY (or WAYLAND_SOCKET) names a compositor: a Wayland session.
  bool waylandNamed = false;
  /// Only WAYLAND_SOCKET names it: an inherited connection, which the first to connect (our
  /// clipboard reader) takes, so that nothing else of ours can reach the compositor.
  bool waylandSocketOnly = false;
  /// The compositor answered.
  bool waylandReachable = false;
  /// It offers a data-control protocol (ext or wlr) and a seat: its clipboard can be read
  /// without a window.
  bool waylandDataControl = false;
  /// It can show application windows (xdg_wm_base).
  bool waylandWindows = false;
  /// DISPLAY names an X display (XWayland on a Wayland session).
  bool x11Named = false;
  /// QT_QPA_PLATFORM as the user's session set it; empty when unset.
  std::string requestedQtPlatform{};
};

/// Where the clipboard's picture is read from.
enum class ClipboardRoute {
  /// The compositor's data-control protocol: no window or focus needed.
  WaylandDataControl,
  /// The X11 CLIPBOARD selection of an X11 desktop.
  X11Selection,
  /// The X11 selection through XWayland, on a Wayland session whose compositor offers no data
  /// control (GNOME's Mutter hands its clipboard to XWayland clients without focus).
  XWaylandSelection,
  /// The toolkit's own clipboard: nothing better exists.
  Toolkit,
};

/// How this run uses the session.
struct SessionPlan {
  ClipboardRoute clipboard = ClipboardRoute::Toolkit;
  /// The QT_QPA_PLATFORM value for the windows, with Qt's fallbacks after ';'; empty when the
  /// session has no display to show a window on.
  std::string qtPlatform;
};

/// Chooses, once at start, the clipboard reader and the windows' platform. Windows go to the
/// compositor natively when it shows windows: the picture's size then follows the output's
/// scale, and XWayland is not needed; XWayland remains the fallback, and the only way when the
/// compositor was named by an inherited socket alone.
[[nodiscard]] SessionPlan PlanSession(const SessionFacts& facts);

}  // namespace mirablot
