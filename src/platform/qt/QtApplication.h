// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include <QApplication>
#include <QLocale>
#include <QTranslator>

namespace mirablot::qt {

/// Exit status when there is no display to run on.
inline constexpr int kExitNoDisplay = 2;

/// Creates the application on the given Qt platform (a QT_QPA_PLATFORM value, fallbacks after
/// ';'). With no platform, or one whose display cannot be reached, it prints one line to
/// stderr and exits with kExitNoDisplay, instead of Qt's abort.
[[nodiscard]] std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv,
                                                              const std::string& platform);

/// Qt's own texts (the question box's Yes and No, the line edit's menu) in the locale's
/// language, from the translations Qt is installed with; nullptr when there are none for it
/// (English needs none). Our own texts are Japanese already.
[[nodiscard]] std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale& locale);

}  // namespace mirablot::qt
