// SPDX-License-Identifier: MIT
#pragma once

// The boundary between the program and its Qt module. Nothing here needs Qt: the program
// includes it to load the module, the module to implement it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Picture.h"

namespace mirablot {
class ClipboardSource;
class ScreenMetrics;
class SettingsBackend;
class WindowingLayer;
}  // namespace mirablot

namespace mirablot::qt {

/// Everything of the program that needs Qt, built as a module of its own (mirablot-qt.so) that
/// the program maps only when a box or a window shows, a picture needs decoding, or the
/// session offers nothing but Qt's own clipboard or screen: a print that succeeds never loads
/// Qt.
class Toolkit {
 public:
  struct Options {
    int* argc;
    char** argv;
    /// QT_QPA_PLATFORM for the windows and boxes; empty when there is no display for them.
    std::string platform;
    /// Said when a window has to show without a platform.
    std::string whyNoWindows;
    /// The status a window's handler ends the run with.
    int closingStatus;
  };

  virtual ~Toolkit() = default;

  /// Boxes and windows; the application starts when the first one shows.
  [[nodiscard]] virtual WindowingLayer& Windowing() = 0;
  /// The settings file through QSettings.
  [[nodiscard]] virtual SettingsBackend& Settings() = 0;
  /// The screen as Qt sees it.
  [[nodiscard]] virtual ScreenMetrics& Screen() = 0;
  /// Qt's own clipboard, where the session offers no reader of ours.
  [[nodiscard]] virtual ClipboardSource& Clipboard() = 0;
  /// Decodes image data in any format Qt reads (see posix::PictureDecoder).
  [[nodiscard]] virtual Picture Decode(std::vector<std::uint8_t> bytes, const std::string& hint,
                                       std::size_t budget, const std::string& what) = 0;
  /// Runs the event loop while windows are loaded.
  [[nodiscard]] virtual int RunEventLoop() = 0;
  /// Ends the run with the status (see LazyApplication::Finish).
  [[nodiscard]] virtual int Finish(int status) = 0;
};

/// The module's entry point, exported by this name: makes the toolkit, once.
using ToolkitEntry = Toolkit* (*)(const Toolkit::Options& options);
inline constexpr const char* kToolkitEntry = "mirablot_qt_toolkit";

}  // namespace mirablot::qt
