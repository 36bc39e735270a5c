// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QApplication>

namespace mirablot::qt {

/// Exit status when there is no display to run on.
inline constexpr int kExitNoDisplay = 2;

/// Creates the application on the X11 display (XWayland on a Wayland desktop: a client that
/// never shows a window cannot read a Wayland clipboard), even when QT_QPA_PLATFORM asks for
/// Wayland; other platforms it names (offscreen, for tests) are kept. Without a display it prints
/// one line to stderr and exits with kExitNoDisplay, instead of Qt's abort.
[[nodiscard]] std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv);

}  // namespace mirablot::qt
