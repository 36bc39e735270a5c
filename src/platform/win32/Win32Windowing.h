// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/Windowing.h"

namespace mirablot::win32 {

class FormWindow;

/// Message boxes and windows on the Windows desktop. A shown form gets a FormWindow; Run
/// pumps messages while any form is loaded.
class Win32Windowing final : public Windowing {
 public:
  explicit Win32Windowing(int endStatus);
  ~Win32Windowing() override;
  Win32Windowing(const Win32Windowing&) = delete;
  Win32Windowing& operator=(const Win32Windowing&) = delete;

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

  [[nodiscard]] bool HasLoadedWindows() const { return !m_loaded.empty(); }
  /// Delivers the user's input until no form is loaded; returns normalStatus then, or the end
  /// status when a handler ended the program.
  [[nodiscard]] int Run(int normalStatus);

 private:
  [[nodiscard]] FormWindow* WindowOf(const Form& form) const;
  void Retire(const Form& form);

  int m_endStatus;
  bool m_ended = false;
  std::vector<Form*> m_loaded;
  std::map<const Form*, std::unique_ptr<FormWindow>> m_windows;
  // Unloaded while one of their own messages ran: destroyed once it has returned.
  std::vector<std::unique_ptr<FormWindow>> m_retired;
};

}  // namespace mirablot::win32
