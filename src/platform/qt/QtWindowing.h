// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "platform/Windowing.h"

namespace mirablot::qt {

/// Message boxes and windows on the Qt desktop. The program's exit status comes from here once
/// a window keeps the event loop running.
class QtWindowing final : public Windowing {
 public:
  /// The status the event loop returns with when a handler ends the program.
  explicit QtWindowing(int endStatus) : m_endStatus(endStatus) {}

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

  /// True while some window is loaded, so that the event loop has to run.
  [[nodiscard]] bool HasLoadedWindows() const { return !m_loaded.empty(); }

 private:
  int m_endStatus;
  std::vector<Form*> m_loaded;
};

}  // namespace mirablot::qt
