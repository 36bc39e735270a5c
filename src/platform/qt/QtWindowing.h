// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/Windowing.h"

namespace mirablot::qt {

class FormWindow;

/// Message boxes and windows on the Qt desktop. A shown form gets a FormWindow; the event loop
/// has to run while any form is loaded, and ends with the given status when a handler ends the
/// program.
class QtWindowing final : public Windowing {
 public:
  explicit QtWindowing(int endStatus);
  ~QtWindowing() override;
  QtWindowing(const QtWindowing&) = delete;
  QtWindowing& operator=(const QtWindowing&) = delete;

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

  /// True while some form is loaded, so that the event loop has to run.
  [[nodiscard]] bool HasLoadedWindows() const { return !m_loaded.empty(); }
  /// The window showing a form, or nullptr.
  [[nodiscard]] FormWindow* WindowOf(const Form& form) const;

 private:
  int m_endStatus;
  bool m_ended = false;
  std::vector<Form*> m_loaded;
  std::map<const Form*, std::unique_ptr<FormWindow>> m_windows;
};

}  // namespace mirablot::qt
