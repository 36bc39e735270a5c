// SPDX-License-Identifier: MIT
// Wires the Qt adapters to a launch.
#include <QApplication>

#include "app/Launch.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPrinter.h"
#include "platform/qt/QtScreenMetrics.h"
#include "platform/qt/QtSettingsBackend.h"
#include "platform/qt/QtWindowing.h"

int main(int argc, char* argv[]) {
  if (mirablot::AnswerVersionRequest(argc, argv)) {
    return 0;
  }
  const auto application = mirablot::qt::CreateApplication(argc, argv);
  mirablot::qt::QtPrinter printer;
  mirablot::qt::QtClipboard clipboard;
  mirablot::qt::QtScreenMetrics screen;
  mirablot::qt::QtSettingsBackend settings;
  mirablot::qt::QtWindowing windowing(mirablot::kExitNotPrinted);
  return mirablot::Launch({printer, clipboard, screen, settings, windowing,
                           [&windowing] { return windowing.HasLoadedWindows(); },
                           [] { return QApplication::exec(); }});
}
