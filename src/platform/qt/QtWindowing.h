// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "forms/WindowingLayer.h"

namespace mirablot::qt {

class FormWindow;

/// Message boxes and windows on the Qt desktop. A shown form gets a FormWindow; the event loop
/// has to run while any form is loaded, and ends with the given status when a handler ends the
/// program.
class QtWindowing final : public WindowingLayer {
 public:
  explicit QtWindowing(int endStatus);
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
  std::map<const Form*, std::unique_ptr<FormWindow>> m_windows;
  // Unloaded, hidden and detached; deleted with this object, never inside their own events.
  std::vector<std::unique_ptr<FormWindow>> m_retired;
};

}  // namespace mirablot::qt
