// SPDX-License-Identifier: MIT
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "CommandLine.h"
#include "ports/ClipboardSource.h"

namespace mirablot {

class PrinterDevice;
class ScreenMetrics;
class SettingsBackend;
class Windowing;

inline constexpr int kExitPrinted = 0;
inline constexpr int kExitNotPrinted = 1;
/// The settings window opened on purpose (--settings) was closed.
inline constexpr int kExitSettingsClosed = 0;

/// What one launch does.
enum class LaunchMode {
  /// Print the clipboard's picture; after a failure, offer the settings window.
  Print,
  /// Open the settings window at once.
  Settings,
};

/// The exit status when the user closes the last window of a launch in this mode.
[[nodiscard]] constexpr int ClosingStatus(LaunchMode mode) {
  return mode == LaunchMode::Settings ? kExitSettingsClosed : kExitNotPrinted;
}

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

/// The command line's answer. --help, --version and a misuse are answered at once on the
/// terminal (no display needed) and leave only their exit status; anything else is a launch,
/// with its picture ("" the clipboard's, "-" standard input's, else a file) and its choices.
struct CommandLineAnswer {
  std::optional<int> exitStatus{};
  LaunchMode mode = LaunchMode::Print;
  std::string picture{};
  PrintChoices choices{};
  bool acrossPages = false;
  bool light = false;
  bool stamp = false;
};

/// Another source's pictures, each changed on the way (--light: printed light).
class ChangedPictures final : public ClipboardSource {
 public:
  ChangedPictures(ClipboardSource& source, std::function<Picture(const Picture&)> change)
      : m_source(source), m_change(std::move(change)) {}

  [[nodiscard]] Picture FetchBitmap() override { return m_change(m_source.FetchBitmap()); }

 private:
  ClipboardSource& m_source;
  std::function<Picture(const Picture&)> m_change;
};

/// The moment in local time as --stamp prints it: "2026-12-07 23:40" (ISO order, 24 hours, no
/// seconds).
[[nodiscard]] std::string LocalTimeStamp(std::time_t when);

/// Reads the command line (argv[0] is the program).
[[nodiscard]] CommandLineAnswer AnswerCommandLine(int argc, char* argv[], OptionStyle style);

/// One launch: prints the picture (the platform's clipboard is where it comes from), or asks and
/// runs the settings window; or, in settings mode, runs the settings window alone. Returns the
/// exit status: kExitPrinted only when the picture went to the printer, or ClosingStatus(mode)
/// once the windows are closed.
[[nodiscard]] int Launch(const LaunchPlatform& platform, const CommandLineAnswer& answer);

}  // namespace mirablot
