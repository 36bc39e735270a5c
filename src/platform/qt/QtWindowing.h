// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include "QtFormWindow.h"
#include "forms/FormWindows.h"
#include "forms/WindowingLayer.h"

namespace mirablot::qt {

/// Message boxes and windows on the Qt desktop. A shown form gets a FormWindow; the event loop
/// has to run while any form is loaded, and ends with the given status when a handler ends the
/// program.
class QtWindowing final : public WindowingLayer {
 public:
  /// `start` makes the application when the first box or window needs it.
  explicit QtWindowing(int endStatus, std::function<void()> start = {});
  ~QtWindowing() override;
  QtWindowing(const QtWindowing&) = delete;
  QtWindowing& operator=(const QtWindowing&) = delete;

  /// The window showing a form, or nullptr.
  [[nodiscard]] FormWindow* WindowOf(const Form& form) const;

 protected:
  [[nodiscard]] MsgBoxResult AskUser(const MessageBoxRequest& request) override;
  void CreateWindowFor(Form& form) override;
  void Present(const Form& form) override;
  void Retire(const Form& form) override;
  void Quit(int status) override;

 private:
  void Start() const;

  std::function<void()> m_start;
  // Retired windows are deleted with this object, never inside their own events.
  FormWindows<FormWindow> m_windows;
};

}  // namespace mirablot::qt
