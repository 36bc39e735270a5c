// SPDX-License-Identifier: MIT
#include "X11ScreenMetrics.h"

#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <xcb/xcb.h>

#include "X11Connection.h"
#include "core/Conversions.h"
#include "core/Error.h"

namespace mirablot::x11 {
namespace {

constexpr double kDefaultDpi = 96;

[[noreturn]] void ThrowNoScreen() {
  throw Error(ErrorNumber::InvalidCall, "画面の情報を取得できません。");
}

}  // namespace

std::optional<double> XftDpi(std::string_view resources) {
  constexpr std::string_view kName = "Xft.dpi:";
  for (std::size_t start = 0; start < resources.size();) {
    std::size_t end = resources.find('\n', start);
    if (end == std::string_view::npos) {
      end = resources.size();
    }
    std::string_view line = resources.substr(start, end - start);
    start = end + 1;
    if (!line.starts_with(kName)) {
      continue;
    }
    line.remove_prefix(kName.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
      line.remove_prefix(1);
    }
    double dpi = 0;
    const auto [rest, error] = std::from_chars(line.data(), line.data() + line.size(), dpi);
    if (error == std::errc() && dpi > 0 && dpi < 10000) {
      return dpi;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

X11ScreenMetrics::X11ScreenMetrics(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection)) {}

const X11ScreenMetrics::Screen& X11ScreenMetrics::Read() {
  if (m_screen) {
    return *m_screen;
  }
  if (!m_connection) {
    m_connection = Connection::Open();
  }
  const xcb_screen_t* screen = m_connection->Screen();
  if (screen == nullptr) {
    ThrowNoScreen();
  }
  xcb_connection_t* connection = m_connection->Get();
  // The resource database lives on the first screen's root, as Xlib reads it.
  const std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> resources(
      xcb_get_property_reply(
          connection,
          xcb_get_property(connection, 0, m_connection->FirstScreen()->root,
                           XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16),
          nullptr),
      &std::free);
  double dpi = kDefaultDpi;
  if (resources) {
    const std::string_view text(
        static_cast<const char*>(xcb_get_property_value(resources.get())),
        static_cast<std::size_t>(xcb_get_property_value_length(resources.get())));
    dpi = XftDpi(text).value_or(kDefaultDpi);
  }
  m_screen = Screen{static_cast<double>(screen->width_in_pixels),
                    static_cast<double>(screen->height_in_pixels), dpi};
  return *m_screen;
}

double X11ScreenMetrics::Width() {
  return Read().widthPixels * TwipsPerPixelX();
}

double X11ScreenMetrics::Height() {
  return Read().heightPixels * TwipsPerPixelY();
}

double X11ScreenMetrics::TwipsPerPixelX() {
  return kTwipsPerInch / Read().dotsPerInch;
}

double X11ScreenMetrics::TwipsPerPixelY() {
  return kTwipsPerInch / Read().dotsPerInch;
}

}  // namespace mirablot::x11
