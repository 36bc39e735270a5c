// SPDX-License-Identifier: MIT
// Wires the Qt adapters to the start-up window and runs it.
#include <cstdio>
#include <string_view>

#include "app/frmMain.h"
#include "platform/Error.h"
#include "platform/PictureHolder.h"
#include "platform/ProgramIdentity.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPrinter.h"
#include "platform/qt/QtScreenMetrics.h"
#include "platform/qt/QtSettingsBackend.h"
#include "platform/qt/QtWindowing.h"
#include "settings/SettingsStore.h"

namespace {
constexpr int kExitPrinted = 0;
constexpr int kExitNotPrinted = 1;
// The start-up window's image holder starts at its design size.
constexpr float kImgDesignSize = 15;
}  // namespace

int main(int argc, char* argv[]) {
  // Asked from a terminal or by a package check; needs no display.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("%s %s\n%s\n", mirablot::kProductName.data(), mirablot::kProductVersion.data(),
                mirablot::kFileDescription.data());
    return 0;
  }
  const auto application = mirablot::qt::CreateApplication(argc, argv);

  mirablot::qt::QtPrinter printer;
  mirablot::qt::QtClipboard clipboard;
  mirablot::qt::QtScreenMetrics screen;
  mirablot::qt::QtSettingsBackend settingsBackend;
  mirablot::SettingsStore settings(settingsBackend);
  mirablot::qt::QtWindowing windowing(kExitNotPrinted);
  mirablot::PictureHolder img(screen, kImgDesignSize, kImgDesignSize);
  mirablot::frmMain form({printer, clipboard, screen, settings, windowing}, img);

  try {
    form.Form_Load();
  } catch (const mirablot::Error& error) {
    // Only parking the window can get here: the print job handles its own errors.
    mirablot::qt::ReportUnhandledError(windowing, error);
    return kExitNotPrinted;
  }
  if (windowing.HasLoadedWindows()) {
    return QApplication::exec();
  }
  return form.Printed() ? kExitPrinted : kExitNotPrinted;
}
