// SPDX-License-Identifier: MIT
// Wires the native Windows adapters to a launch.
#include <windows.h>

#include <cstdio>

#include "app/Launch.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32Printer.h"
#include "platform/win32/Win32ScreenMetrics.h"
#include "platform/win32/Win32SettingsBackend.h"
#include "platform/win32/Win32Windowing.h"

int main(int argc, char* argv[]) {
  // A GUI program has no console of its own: started from one, it writes there (the version,
  // the one-line record of a failure); started from Explorer, nowhere.
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    static_cast<void>(std::freopen("CONOUT$", "w", stdout));
    static_cast<void>(std::freopen("CONOUT$", "w", stderr));
  }
  if (mirablot::AnswerVersionRequest(argc, argv)) {
    return 0;
  }
  mirablot::win32::Win32Printer printer;
  mirablot::win32::Win32Clipboard clipboard;
  mirablot::win32::Win32ScreenMetrics screen;
  mirablot::win32::Win32SettingsBackend settings;
  mirablot::win32::Win32Windowing windowing(mirablot::kExitNotPrinted);
  return mirablot::Launch({printer, clipboard, screen, settings, windowing,
                           [&windowing] { return windowing.HasLoadedWindows(); },
                           [&windowing] { return windowing.Run(mirablot::kExitNotPrinted); }});
}
