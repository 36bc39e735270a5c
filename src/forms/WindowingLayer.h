// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "ports/Windowing.h"

namespace mirablot {

/// What every desktop's windowing layer does the same way: a form loads once, its Form_Load
/// running before its window exists; a form whose load or window fails is not loaded, the
/// error is reported and the program ends (nothing would be left to wait for); it unloads
/// unless its Form_Unload cancels; ending the program drops every window at once; and every
/// message box leaves one line on stderr, so that a failure is on record in the session's log.
/// A platform supplies the windows, the box and the end of its event loop.
class WindowingLayer : public Windowing {
 public:
  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

  /// True while some form is loaded, so that the event loop has to run.
  [[nodiscard]] bool HasLoadedWindows() const { return !m_loaded.empty(); }
  /// True once a handler ended the program; the event loop then ends with EndStatus().
  [[nodiscard]] bool Ended() const { return m_ended; }
  [[nodiscard]] int EndStatus() const { return m_endStatus; }

 protected:
  explicit WindowingLayer(int endStatus) : m_endStatus(endStatus) {}

  /// Shows the modal box and returns the button pressed (closing it counts as No or OK).
  [[nodiscard]] virtual MsgBoxResult AskUser(const MessageBoxRequest& request) = 0;
  /// Makes the window of a form that has just loaded.
  virtual void CreateWindowFor(Form& form) = 0;
  /// Shows a loaded form's window in front.
  virtual void Present(const Form& form) = 0;
  /// Stops the form's window mirroring it and takes it off the screen. The window may be
  /// handling the very event that unloads it, so it must not be destroyed at once.
  virtual void Retire(const Form& form) = 0;
  /// Ends the event loop with this status.
  virtual void Quit(int status) = 0;

 private:
  int m_endStatus;
  bool m_ended = false;
  std::vector<Form*> m_loaded;
};

/// A message box's text on one line: every line break becomes one blank.
[[nodiscard]] std::string OneLine(const std::string& text);

}  // namespace mirablot
