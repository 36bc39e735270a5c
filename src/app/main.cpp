// SPDX-License-Identifier: MIT
// Looks at the desktop session, then wires the Linux adapters to a launch. Qt's adapters come
// in a module loaded only when a box, a window or a decoder is needed.
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "DesktopSession.h"
#include "Launch.h"
#include "pdf/PdfPicture.h"
#include "platform/cups/CupsPrinter.h"
#include "platform/posix/PictureSources.h"
#include "platform/posix/SettingsFile.h"
#include "platform/posix/ToolkitModule.h"
#include "platform/wayland/DataControlSelection.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandScreenMetrics.h"
#include "platform/x11/X11Connection.h"
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

// The X display's one connection, opened when something first needs it.
class X11Display {
 public:
  [[nodiscard]] std::shared_ptr<x11::Connection> Get() {
    if (!m_connection) {
      m_connection = x11::Connection::Open();
    }
    return m_connection;
  }

 private:
  std::shared_ptr<x11::Connection> m_connection;
};

posix::SelectionOpener OpenerFor(ClipboardRoute route, wayland::Display* display, X11Display& x11) {
  switch (route) {
    case ClipboardRoute::WaylandDataControl:
      return [display](const SelectionLimits& limits) {
        return std::make_unique<wayland::DataControlSelection>(*display, limits);
      };
    case ClipboardRoute::X11Selection:
    case ClipboardRoute::XWaylandSelection: {
      const auto session = route == ClipboardRoute::XWaylandSelection ? x11::X11Session::XWayland
                                                                      : x11::X11Session::X11;
      return [session, &x11](const SelectionLimits& limits) {
        return std::make_unique<x11::X11Selection>(limits, session, x11.Get());
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
                                         X11Display& x11, posix::ToolkitModule& toolkit) {
  if (display != nullptr && display->HasOutput()) {
    return std::make_unique<wayland::WaylandScreenMetrics>(*display, kWaylandAnswerWithin);
  }
  if (facts.x11Named && !facts.waylandReachable) {
    return std::make_unique<x11::X11ScreenMetrics>(x11.Get());
  }
  return std::make_unique<posix::ModuleScreen>(toolkit);
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
  // The destination is looked up while the clipboard is read.
  cups::CupsPrinter printer;
  if (answer.mode == LaunchMode::Print) {
    printer.Choose(answer.choices);
  }
  // Once, before any toolkit: which clipboard a program without a window can read here, and
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
  X11Display x11;
  // Nothing to read the clipboard from or show a window on; or the X display the windows
  // would go to is not there. (One that goes away later fails the run.)
  if ((plan.qtPlatform.empty() && plan.clipboard == ClipboardRoute::Toolkit) ||
      (plan.qtPlatform.starts_with("xcb") && !x11.Get()->Reachable())) {
    posix::ExitNoDisplay(whyNoWindows);
  }
  posix::ToolkitModule toolkit(
      {&argc, argv, plan.qtPlatform, whyNoWindows, ClosingStatus(answer.mode)});
  const posix::PictureDecoder decode = [&toolkit](std::vector<std::uint8_t> bytes,
                                                  const std::string& hint, std::size_t budget,
                                                  const std::string& what) {
    return toolkit.Get().Decode(std::move(bytes), hint, budget, what);
  };
  // Across pages, or to be printed light, the picture is looked at before it prints: it is
  // read whole (and for its colours, decoded as it is read).
  const posix::Reading reading = answer.light         ? posix::Reading::Decoded
                                 : answer.acrossPages ? posix::Reading::Whole
                                                      : posix::Reading::Streamed;
  std::unique_ptr<ClipboardSource> source;
  if (!answer.picture.empty()) {
    source = std::make_unique<posix::PictureFile>(answer.picture, decode, reading);
  } else if (plan.clipboard == ClipboardRoute::Toolkit) {
    source = std::make_unique<posix::ModuleClipboard>(toolkit);
  } else {
    source = std::make_unique<posix::ClipboardPictures>(
        OpenerFor(plan.clipboard, wayland.get(), x11), decode, reading);
  }
  std::optional<ChangedPictures> light;
  if (answer.light) {
    light.emplace(*source, [](const Picture& picture) {
      return pdf::LightPicture(picture, posix::DecodeBudget());
    });
  }
  const std::unique_ptr<ScreenMetrics> screen = ScreenFor(facts, wayland.get(), x11, toolkit);
  posix::SettingsFile settings(
      [&toolkit]() -> SettingsBackend& { return toolkit.Get().Settings(); });
  posix::ModuleWindowing windowing(toolkit);
  return toolkit.Finish(
      Launch({printer, light ? static_cast<ClipboardSource&>(*light) : *source, *screen, settings,
              windowing, [&windowing] { return windowing.HasLoadedWindows(); },
              [&toolkit] { return toolkit.Get().RunEventLoop(); }},
             answer));
}
