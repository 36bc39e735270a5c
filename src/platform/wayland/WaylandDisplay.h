// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "DataControlProtocol.h"

struct wl_display;
struct wl_proxy;

namespace mirablot::wayland {

/// A connection to the session's Wayland compositor, made once at start, and what the
/// compositor offers. Every wait on it is bounded.
class Display {
 public:
  using Clock = std::chrono::steady_clock;

  /// Connects to the compositor that WAYLAND_DISPLAY (or WAYLAND_SOCKET) names and learns its
  /// globals, waiting at most `answerWithin` for it. nullptr when the session names none, or it
  /// cannot be reached or does not answer: then the session has no usable Wayland display.
  [[nodiscard]] static std::unique_ptr<Display> Connect(std::chrono::milliseconds answerWithin);

  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;
  ~Display();

  /// The data-control protocol bound for reading the clipboard: ext when the compositor offers
  /// it, else wlr; nullptr when it offers neither or has no seat.
  [[nodiscard]] const DataControlProtocol* DataControl() const noexcept { return m_protocol; }
  /// True when the compositor can show application windows (xdg_wm_base).
  [[nodiscard]] bool OffersWindows() const noexcept { return m_offersWindows; }

  /// The first output as the compositor describes it: its mode in pixels (turned as the output
  /// is) and its scale. Zero sizes until the compositor has said; see Sync.
  struct Output {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scale = 1;
    bool described = false;
  };
  [[nodiscard]] bool HasOutput() const noexcept { return m_output != nullptr; }
  [[nodiscard]] const Output& FirstOutput() const noexcept { return m_outputFacts; }

  /// The bound data-control manager and seat (only with DataControl()).
  [[nodiscard]] wl_proxy* Manager() const noexcept { return m_manager; }
  [[nodiscard]] wl_proxy* Seat() const noexcept { return m_seat; }

  /// Sends what is queued and dispatches the compositor's events until `done` holds (true) or
  /// `until` has passed (false). A lost connection or a protocol error is an Error (521).
  [[nodiscard]] bool DispatchUntil(const std::function<bool()>& done, Clock::time_point until);

  /// Waits until the compositor has handled every request sent so far; false past `until`.
  [[nodiscard]] bool Sync(Clock::time_point until);

 private:
  explicit Display(wl_display* display);
  [[noreturn]] void ThrowConnectionFailure();

  std::unique_ptr<wl_display, void (*)(wl_display*)> m_display;
  wl_proxy* m_registry = nullptr;
  wl_proxy* m_seat = nullptr;
  wl_proxy* m_manager = nullptr;
  wl_proxy* m_output = nullptr;
  Output m_outputFacts;
  // What the output has said so far; it counts once it says "done".
  struct OutputPending {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t scale = 1;
    bool turned = false;
  } m_outputPending;
  friend struct OutputEvents;
  const DataControlProtocol* m_protocol = nullptr;
  bool m_offersWindows = false;
};

}  // namespace mirablot::wayland
