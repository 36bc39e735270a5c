// SPDX-License-Identifier: MIT
// Looks at the desktop session, then wires the Linux adapters to a launch.
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

SessionFacts FactsOf(const wayland::Display* display) {
  return {.waylandNamed =
              !Environment("WAYLAND_DISPLAY").empty() || !Environment("WAYLAND_SOCKET").empty(),
          .waylandReachable = display != nullptr,
          .waylandDataControl = display != nullptr && display->DataControl() != nullptr,
          .waylandWindows = display != nullptr && display->OffersWindows(),
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
  const CommandLineAnswer answer = AnswerCommandLine(argc, argv, OptionStyle::Unix);
  if (answer.exitStatus) {
    return *answer.exitStatus;
  }
  // Once, before Qt starts: which clipboard a program without a window can read here, and
  // where its windows go.
  const std::unique_ptr<wayland::Display> wayland = wayland::Display::Connect(kWaylandAnswerWithin);
  const SessionFacts facts = FactsOf(wayland.get());
  const SessionPlan plan = PlanSession(facts);
  // Qt starts only when a box or a window is shown: a print that succeeds never needs it.
  qt::LazyApplication application(argc, argv, plan.qtPlatform);
  const auto start = [&application] { application.Start(); };
  cups::CupsPrinter printer;
  qt::QtClipboard clipboard(OpenerFor(plan.clipboard, wayland.get()), start);
  const std::unique_ptr<ScreenMetrics> screen = ScreenFor(facts, wayland.get(), start);
  qt::QtSettingsBackend settings;
  qt::QtWindowing windowing(ClosingStatus(answer.mode), start);
  return application.Finish(Launch(
      {printer, clipboard, *screen, settings, windowing,
       [&windowing] { return windowing.HasLoadedWindows(); }, [] { return QApplication::exec(); }},
      answer.mode));
}
