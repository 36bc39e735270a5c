// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "ports/ScreenMetrics.h"

namespace mirablot::x11 {

class Connection;

/// The X screen of DISPLAY, read over XCB on first use, as Qt would see it: its DPI is the
/// desktop's Xft.dpi (its scaling), 96 when the desktop sets none. A screenshot's pixel is
/// 1440 / DPI twips. An unreachable display is an Error.
class X11ScreenMetrics final : public ScreenMetrics {
 public:
  /// Over the connection given, else one of its own.
  explicit X11ScreenMetrics(std::shared_ptr<Connection> connection = nullptr);

  [[nodiscard]] double Width() override;
  [[nodiscard]] double Height() override;
  [[nodiscard]] double TwipsPerPixelX() override;
  [[nodiscard]] double TwipsPerPixelY() override;

 private:
  struct Screen {
    double widthPixels;
    double heightPixels;
    double dotsPerInch;
  };
  const Screen& Read();

  std::shared_ptr<Connection> m_connection;
  std::optional<Screen> m_screen;
};

/// The DPI an X resource database (the RESOURCE_MANAGER property) sets with Xft.dpi, or
/// nothing when it sets none or something that is not a positive number.
[[nodiscard]] std::optional<double> XftDpi(std::string_view resources);

}  // namespace mirablot::x11
