// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include <QApplication>
#include <QLocale>
#include <QTranslator>

#include "platform/posix/ToolkitModule.h"

namespace mirablot::qt {

using posix::ExitNoDisplay;
using posix::kExitDisplayLost;
using posix::kExitNoDisplay;

/// Creates the application on the given Qt platform (a QT_QPA_PLATFORM value, fallbacks after
/// ';'), whose display was there when the program started. One that cannot be reached now has
/// gone: it prints one line to stderr and exits with kExitDisplayLost, instead of Qt's abort.
[[nodiscard]] std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv,
                                                              const std::string& platform);

/// The application, made on first use on the given platform: a print that shows no window
/// never pays for Qt's platform plugin and widgets. Without a platform, a window that has to
/// show ends the program with ExitNoDisplay(whyNoWindows); with one, see CreateApplication.
class LazyApplication {
 public:
  LazyApplication(int& argc, char** argv, std::string platform, std::string whyNoWindows = {});
  LazyApplication(const LazyApplication&) = delete;
  LazyApplication& operator=(const LazyApplication&) = delete;
  ~LazyApplication();

  /// Makes the application, unless it exists.
  void Start();
  [[nodiscard]] bool Started() const { return m_application != nullptr; }

  /// Ends the run with this exit status, once every window is gone and every write is done.
  /// Returns it when Qt never started. Otherwise the process ends here, without Qt's teardown:
  /// Qt 6.4's Wayland platform may wait for ever in it, joining an event thread that blocks
  /// for a read that never comes.
  [[nodiscard]] int Finish(int status);

 private:
  int& m_argc;
  char** m_argv;
  std::string m_platform;
  std::string m_whyNoWindows;
  std::unique_ptr<QApplication> m_application;
};

/// Qt's own texts (the question box's Yes and No, the line edit's menu) in the locale's
/// language, from the translations Qt is installed with; nullptr when there are none for it
/// (English needs none). Our own texts are Japanese already.
[[nodiscard]] std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale& locale);

}  // namespace mirablot::qt
