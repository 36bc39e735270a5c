// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace mirablot {

class Form;

enum class MsgBoxButtons { Ok, YesNo };
enum class MsgBoxDefault { First, Second };
enum class MsgBoxResult { Ok, Yes, No };

/// A message box; every box of the program shows the critical (stop) icon.
struct MessageBoxRequest {
  std::string title;
  /// Lines are separated by carriage returns.
  std::string text;
  MsgBoxButtons buttons = MsgBoxButtons::Ok;
  MsgBoxDefault defaultButton = MsgBoxDefault::First;
};

/// Windows, message boxes and the end of the program.
class Windowing {
 public:
  virtual ~Windowing() = default;
  Windowing(const Windowing&) = delete;
  Windowing& operator=(const Windowing&) = delete;

  /// A modal message box; returns the button pressed (closing it counts as No or OK).
  [[nodiscard]] virtual MsgBoxResult MsgBox(const MessageBoxRequest& request) = 0;
  /// Loads the window if it is not loaded yet, then shows it without waiting for it.
  virtual void Show(Form& form) = 0;
  /// Runs the window's Form_Unload and, unless it cancels, disposes of the window.
  virtual void Unload(Form& form) = 0;
  /// Ends the program at once: every window goes, no further handler runs.
  virtual void End() = 0;

 protected:
  Windowing() = default;
};

}  // namespace mirablot
