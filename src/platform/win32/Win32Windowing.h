// SPDX-License-Identifier: MIT
#pragma once

#include "Win32FormWindow.h"
#include "forms/FormWindows.h"
#include "forms/WindowingLayer.h"

namespace mirablot::win32 {

/// Message boxes and windows on the Windows desktop. A shown form gets a FormWindow; Run
/// pumps messages while any form is loaded.
class Win32Windowing final : public WindowingLayer {
 public:
  explicit Win32Windowing(int endStatus);
  ~Win32Windowing() override;
  Win32Windowing(const Win32Windowing&) = delete;
  Win32Windowing& operator=(const Win32Windowing&) = delete;

  /// Delivers the user's input until no form is loaded; returns normalStatus then, or the end
  /// status when a handler ended the program.
  [[nodiscard]] int Run(int normalStatus);

 protected:
  [[nodiscard]] MsgBoxResult AskUser(const MessageBoxRequest& request) override;
  void CreateWindowFor(Form& form) override;
  void Present(const Form& form) override;
  void Retire(const Form& form) override;
  void Quit(int status) override;

 private:
  // Retired windows go once the message that retired them has returned.
  FormWindows<FormWindow> m_windows;
};

}  // namespace mirablot::win32
