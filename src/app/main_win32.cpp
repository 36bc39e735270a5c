// SPDX-License-Identifier: MIT
// Wires the native Windows adapters to a launch.
#include <windows.h>

#include <cstdio>

#include "Launch.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32Dib.h"
#include "platform/win32/Win32Printer.h"
#include "platform/win32/Win32ScreenMetrics.h"
#include "platform/win32/Win32SettingsBackend.h"
#include "platform/win32/Win32Windowing.h"

int main(int argc, char* argv[]) {
  // A GUI program has no console of its own: started from one, it writes there (the version,
  // the usage, the one-line record of a failure); started from Explorer, nowhere.
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    static_cast<void>(std::freopen("CONOUT$", "w", stdout));
    static_cast<void>(std::freopen("CONOUT$", "w", stderr));
  }
  const mirablot::CommandLineAnswer answer =
      mirablot::AnswerCommandLine(argc, argv, mirablot::OptionStyle::Windows);
  if (answer.exitStatus) {
    return *answer.exitStatus;
  }
  mirablot::win32::Win32Printer printer;
  mirablot::win32::Win32Clipboard clipboard;
  mirablot::win32::Win32PictureFile file(answer.picture);
  mirablot::ClipboardSource& read =
      answer.picture.empty() ? static_cast<mirablot::ClipboardSource&>(clipboard) : file;
  mirablot::ChangedPictures light(read, mirablot::win32::LightPicture);
  mirablot::ClipboardSource& source = answer.light ? light : read;
  mirablot::win32::Win32ScreenMetrics screen;
  mirablot::win32::Win32SettingsBackend settings;
  const int closingStatus = mirablot::ClosingStatus(answer.mode);
  mirablot::win32::Win32Windowing windowing(closingStatus);
  return mirablot::Launch({printer, source, screen, settings, windowing,
                           [&windowing] { return windowing.HasLoadedWindows(); },
                           [&windowing, closingStatus] { return windowing.Run(closingStatus); }},
                          answer);
}
