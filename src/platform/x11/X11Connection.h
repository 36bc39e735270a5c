// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

struct xcb_connection_t;
struct xcb_screen_t;

namespace mirablot::x11 {

/// One connection to the X display DISPLAY names, opened once and shared by a run's X11
/// adapters: whether the display is there at start, its screen, its clipboard.
class Connection {
 public:
  /// Connects; see Reachable.
  [[nodiscard]] static std::shared_ptr<Connection> Open();

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection();

  /// Whether the display answered, and the connection still stands.
  [[nodiscard]] bool Reachable() const;
  [[nodiscard]] xcb_connection_t* Get() const { return m_connection; }
  /// The screen DISPLAY names, or nullptr when the display has no such screen.
  [[nodiscard]] const xcb_screen_t* Screen() const;
  /// The first screen, whose root holds the desktop's resources and selections' windows.
  [[nodiscard]] const xcb_screen_t* FirstScreen() const;

 private:
  Connection();

  xcb_connection_t* m_connection;
  int m_screen = 0;
};

}  // namespace mirablot::x11
