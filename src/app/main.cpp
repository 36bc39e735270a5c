// SPDX-License-Identifier: MIT
// Looks at the desktop session, then wires the Linux adapters to a launch.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>

#include "DesktopSession.h"
#include "Launch.h"
#include "platform/cups/CupsPrinter.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtScreenMetrics.h"
#include "platform/qt/QtSettingsBackend.h"
#include "platform/qt/QtWindowing.h"
#include "platform/wayland/DataControlSelection.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandScreenMetrics.h"
#include "platform/x11/X11ScreenMetrics.h"
#include "platform/x11/X11Selection.h"

namespace {

using namespace mirablot;

// A compositor that takes longer than this to list its globals is treated as absent.
constexpr std::chrono::milliseconds kWaylandAnswerWithin{2000};

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// What the environment says of the session. Read before connecting: libwayland takes an
// inherited WAYLAND_SOCKET, and unsets it, as it connects.
SessionFacts EnvironmentFacts() {
  const bool display = !Environment("WAYLAND_DISPLAY").empty();
  const bool socket = !Environment("WAYLAND_SOCKET").empty();
  return {.waylandNamed = display || socket,
          .waylandSocketOnly = socket && !display,
          .x11Named = !Environment("DISPLAY").empty(),
          .requestedQtPlatform = Environment("QT_QPA_PLATFORM")};
}

qt::SelectionOpener OpenerFor(ClipboardRoute route, wayland::Display* display) {
  switch (route) {
    case ClipboardRoute::WaylandDataControl:
      return [display](const SelectionLimits& limits) {
        return std::make_unique<wayland::DataControlSelection>(*display, limits);
      };
    case ClipboardRoute::X11Selection:
    case ClipboardRoute::XWaylandSelection: {
      const auto session = route == ClipboardRoute::XWaylandSelection ? x11::X11Session::XWayland
                                                                      : x11::X11Session::X11;
      return [session](const SelectionLimits& limits) {
        return std::make_unique<x11::X11Selection>(limits, session);
      };
    }
    case ClipboardRoute::Toolkit:
      break;
  }
  return {};
}

// The screen a picture was taken on: the compositor's outputs on a Wayland session, the X
// screen on X11, Qt's idea of it elsewhere.
std::unique_ptr<ScreenMetrics> ScreenFor(const SessionFacts& facts, wayland::Display* display,
                                         const std::function<void()>& start) {
  if (display != nullptr && display->HasOutput()) {
    return std::make_unique<wayland::WaylandScreenMetrics>(*display, kWaylandAnswerWithin);
  }
  if (facts.x11Named && !facts.waylandReachable) {
    return std::make_unique<x11::X11ScreenMetrics>();
  }
  return std::make_unique<qt::QtScreenMetrics>(start);
}

}  // namespace

int main(int argc, char* argv[]) {
  // A display or a scheduler that goes away is an error of its own: writing to its closed
  // connection must not end the process with a signal (libxcb writes with writev).
  std::signal(SIGPIPE, SIG_IGN);
  const CommandLineAnswer answer = AnswerCommandLine(argc, argv, OptionStyle::Unix);
  if (answer.exitStatus) {
    return *answer.exitStatus;
  }
  // Once, before Qt starts: which clipboard a program without a window can read here, and
  // where its windows go.
  SessionFacts facts = EnvironmentFacts();
  const std::unique_ptr<wayland::Display> wayland = wayland::Display::Connect(kWaylandAnswerWithin);
  facts.waylandReachable = wayland != nullptr;
  facts.waylandDataControl = wayland != nullptr && wayland->DataControl() != nullptr;
  facts.waylandWindows = wayland != nullptr && wayland->OffersWindows();
  const SessionPlan plan = PlanSession(facts);
  const std::string whyNoWindows =
      facts.waylandSocketOnly ? "the Wayland compositor is named only by WAYLAND_SOCKET, a "
                                "connection of its own that the clipboard reader takes; set "
                                "DISPLAY or WAYLAND_DISPLAY for windows"
                              : "";
  // Nothing to read the clipboard from or show a window on; or the X display the windows
  // would go to is not there. (One that goes away later fails the run: see CreateApplication.)
  if ((plan.qtPlatform.empty() && plan.clipboard == ClipboardRoute::Toolkit) ||
      (plan.qtPlatform.starts_with("xcb") && !x11::DisplayReachable())) {
    qt::ExitNoDisplay(whyNoWindows);
  }
  // Qt starts only when a box or a window is shown: a print that succeeds never needs it.
  qt::LazyApplication application(argc, argv, plan.qtPlatform, whyNoWindows);
  const auto start = [&application] { application.Start(); };
  cups::CupsPrinter printer;
  qt::QtClipboard clipboardSource(OpenerFor(plan.clipboard, wayland.get()), start);
  qt::PictureFile fileSource(answer.picture);
  ClipboardSource& source =
      answer.picture.empty() ? static_cast<ClipboardSource&>(clipboardSource) : fileSource;
  const std::unique_ptr<ScreenMetrics> screen = ScreenFor(facts, wayland.get(), start);
  qt::QtSettingsBackend settings;
  qt::QtWindowing windowing(ClosingStatus(answer.mode), start);
  return application.Finish(Launch(
      {printer, source, *screen, settings, windowing,
       [&windowing] { return windowing.HasLoadedWindows(); }, [] { return QApplication::exec(); }},
      answer));
}
