// SPDX-License-Identifier: MIT
#include "X11Connection.h"

#include <xcb/xcb.h>

namespace mirablot::x11 {

std::shared_ptr<Connection> Connection::Open() {
  return std::shared_ptr<Connection>(new Connection());
}

Connection::Connection() : m_connection(xcb_connect(nullptr, &m_screen)) {}

Connection::~Connection() {
  xcb_disconnect(m_connection);  // an xcb connection that failed is disconnected too
}

bool Connection::Reachable() const {
  return xcb_connection_has_error(m_connection) == 0;
}

const xcb_screen_t* Connection::Screen() const {
  if (!Reachable()) {
    return nullptr;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
  for (int i = 0; i < m_screen && screens.rem > 0; ++i) {
    xcb_screen_next(&screens);
  }
  return screens.rem > 0 ? screens.data : nullptr;
}

const xcb_screen_t* Connection::FirstScreen() const {
  if (!Reachable()) {
    return nullptr;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
  return screens.rem > 0 ? screens.data : nullptr;
}

}  // namespace mirablot::x11
