// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace mirablot {

class ClipboardSource;
class PrinterDevice;
class ScreenMetrics;
class SettingsBackend;
class Windowing;

inline constexpr int kExitPrinted = 0;
inline constexpr int kExitNotPrinted = 1;

/// What one launch runs on: a platform's adapters and its event loop.
struct LaunchPlatform {
  PrinterDevice& printer;
  ClipboardSource& clipboard;
  ScreenMetrics& screen;
  SettingsBackend& settings;
  Windowing& windowing;
  /// True while some window is loaded, so that the event loop has to run.
  std::function<bool()> hasLoadedWindows;
  /// Delivers the user's input until no window is left; returns the exit status.
  std::function<int()> runEventLoop;
};

/// Answers a request for the version on the command line (it needs no display); false when
/// the command line asks for something else.
[[nodiscard]] bool AnswerVersionRequest(int argc, char* argv[]);

/// One launch: prints the clipboard's picture, or asks and runs the settings window. Returns
/// the exit status: kExitPrinted only when the picture went to the printer.
[[nodiscard]] int Launch(const LaunchPlatform& platform);

}  // namespace mirablot
