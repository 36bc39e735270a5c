// SPDX-License-Identifier: MIT
#include "WaylandDisplay.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <wayland-client.h>

#include "ports/SelectionReader.h"

namespace mirablot::wayland {
namespace {

void OnSyncDone(void* data, wl_callback* /*callback*/, std::uint32_t /*serial*/) {
  *static_cast<bool*>(data) = true;
}

constexpr wl_callback_listener kSyncListener{&OnSyncDone};

bool SessionNamesWayland() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  const char* socket = std::getenv("WAYLAND_SOCKET");
  return (display != nullptr && *display != '\0') || (socket != nullptr && *socket != '\0');
}

}  // namespace

// The first output's description: its current mode, turn and scale, taken once it is "done".
struct OutputEvents {
  static Display& Self(void* data) { return *static_cast<Display*>(data); }
  static void Geometry(void* data, wl_output* /*output*/, std::int32_t /*x*/, std::int32_t /*y*/,
                       std::int32_t /*widthMm*/, std::int32_t /*heightMm*/,
                       std::int32_t /*subpixel*/, const char* /*make*/, const char* /*model*/,
                       std::int32_t transform) {
    Self(data).m_outputPending.turned = transform % 2 == 1;  // a quarter or three, flipped or not
  }
  static void Mode(void* data, wl_output* /*output*/, std::uint32_t flags, std::int32_t width,
                   std::int32_t height, std::int32_t /*refresh*/) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
      Self(data).m_outputPending.width = width;
      Self(data).m_outputPending.height = height;
    }
  }
  static void Done(void* data, wl_output* /*output*/) {
    const Display::OutputPending& pending = Self(data).m_outputPending;
    Self(data).m_outputFacts = {pending.turned ? pending.height : pending.width,
                                pending.turned ? pending.width : pending.height, pending.scale,
                                true};
  }
  static void Scale(void* data, wl_output* /*output*/, std::int32_t factor) {
    Self(data).m_outputPending.scale = factor > 0 ? factor : 1;
  }
  static void Name(void* /*data*/, wl_output* /*output*/, const char* /*name*/) {}
  static void Description(void* /*data*/, wl_output* /*output*/, const char* /*text*/) {}
};

namespace {
constexpr wl_output_listener kOutputListener{&OutputEvents::Geometry, &OutputEvents::Mode,
                                             &OutputEvents::Done,     &OutputEvents::Scale,
                                             &OutputEvents::Name,     &OutputEvents::Description};
}  // namespace

Display::Display(wl_display* display) : m_display(display, &wl_display_disconnect) {}

Display::~Display() {
  if (m_manager != nullptr) {
    wl_proxy_marshal_flags(m_manager, request::kManagerDestroy, nullptr,
                           wl_proxy_get_version(m_manager), WL_MARSHAL_FLAG_DESTROY);
  }
  if (m_seat != nullptr) {
    wl_proxy_destroy(m_seat);
  }
  if (m_output != nullptr) {
    wl_proxy_destroy(m_output);
  }
  if (m_registry != nullptr) {
    wl_proxy_destroy(m_registry);
  }
  (void)wl_display_flush(m_display.get());
}

std::unique_ptr<Display> Display::Connect(std::chrono::milliseconds answerWithin) {
  // libwayland would try "wayland-0" when the session names nothing: not our business then.
  if (!SessionNamesWayland()) {
    return nullptr;
  }
  wl_display* connection = wl_display_connect(nullptr);
  if (connection == nullptr) {
    return nullptr;
  }
  std::unique_ptr<Display> display(new Display(connection));
  DataControlGlobals globals;
  auto* registry = wl_display_get_registry(connection);
  display->m_registry = reinterpret_cast<wl_proxy*>(registry);
  wl_registry_add_listener(registry, &kDataControlRegistryListener, &globals);
  try {
    if (!display->Sync(Clock::now() + answerWithin)) {
      return nullptr;
    }
  } catch (const std::exception&) {
    return nullptr;
  }
  display->m_offersWindows = globals.windows;
  if (globals.output != 0) {
    // Version 2 brings the scale; its description arrives with the next round trip.
    auto* output = static_cast<wl_output*>(wl_registry_bind(
        registry, globals.output, &wl_output_interface, std::min(globals.outputVersion, 2U)));
    wl_output_add_listener(output, &kOutputListener, display.get());
    display->m_output = reinterpret_cast<wl_proxy*>(output);
  }
  display->m_protocol = globals.Preferred();
  if (display->m_protocol != nullptr) {
    // Version 1 of every interface is all a reader needs, in both protocols.
    display->m_seat =
        static_cast<wl_proxy*>(wl_registry_bind(registry, globals.seat, &wl_seat_interface, 1));
    display->m_manager = static_cast<wl_proxy*>(wl_registry_bind(
        registry, globals.Manager(*display->m_protocol), display->m_protocol->manager, 1));
  }
  // The registry's listener points at `globals`: no event may reach it from here on.
  wl_proxy_destroy(display->m_registry);
  display->m_registry = nullptr;
  return display;
}

bool Display::Sync(Clock::time_point until) {
  bool done = false;
  const std::unique_ptr<wl_callback, void (*)(wl_callback*)> callback(
      wl_display_sync(m_display.get()), &wl_callback_destroy);
  wl_callback_add_listener(callback.get(), &kSyncListener, &done);
  return DispatchUntil([&done] { return done; }, until);
}

bool Display::DispatchUntil(const std::function<bool()>& done, Clock::time_point until) {
  wl_display* display = m_display.get();
  for (;;) {
    while (wl_display_prepare_read(display) != 0) {
      if (wl_display_dispatch_pending(display) < 0) {
        ThrowConnectionFailure();
      }
    }
    if (done()) {
      wl_display_cancel_read(display);
      return true;
    }
    // A full socket buffer only means the compositor is slow to read; the poll below waits.
    if (wl_display_flush(display) < 0 && errno != EAGAIN) {
      wl_display_cancel_read(display);
      ThrowConnectionFailure();
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) {
      wl_display_cancel_read(display);
      return false;
    }
    pollfd descriptor{wl_display_get_fd(display), POLLIN, 0};
    if (::poll(&descriptor, 1, static_cast<int>(left)) <= 0) {
      wl_display_cancel_read(display);
      continue;
    }
    if (wl_display_read_events(display) < 0) {
      ThrowConnectionFailure();
    }
    if (wl_display_dispatch_pending(display) < 0) {
      ThrowConnectionFailure();
    }
  }
}

void Display::ThrowConnectionFailure() {
  wl_display* display = m_display.get();
  const int code = wl_display_get_error(display);
  if (code == EPROTO) {
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t error = wl_display_get_protocol_error(display, &interface, &id);
    ThrowClipboardUnavailable("Wayland コンポジターが要求を拒みました (" +
                              std::string(interface != nullptr ? interface->name : "?") +
                              " のエラー " + std::to_string(error) + ")。");
  }
  ThrowClipboardUnavailable("Wayland コンポジターとの接続が切れました (" +
                            std::string(std::strerror(code != 0 ? code : errno)) + ")。");
}

}  // namespace mirablot::wayland
