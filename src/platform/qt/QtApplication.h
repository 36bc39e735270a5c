// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include <QApplication>

namespace mirablot::qt {

/// Exit status when there is no display to run on.
inline constexpr int kExitNoDisplay = 2;

/// Creates the application on the given Qt platform (a QT_QPA_PLATFORM value, fallbacks after
/// ';'). With no platform, or one whose display cannot be reached, it prints one line to
/// stderr and exits with kExitNoDisplay, instead of Qt's abort.
[[nodiscard]] std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv,
                                                              const std::string& platform);

}  // namespace mirablot::qt
