// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <vector>

#include "CallLog.h"
#include "ports/Windowing.h"

namespace mirablot::fake {

/// Answers message boxes from a script and records the windows it was asked to handle.
class FakeWindowing final : public Windowing {
 public:
  explicit FakeWindowing(CallLog& log) : m_log(log) {}

  /// The answer to the next message box; without one, boxes are answered No (or OK).
  void Answer(MsgBoxResult answer) { m_answers.push_back(answer); }
  [[nodiscard]] const std::vector<MessageBoxRequest>& MessageBoxes() const { return m_boxes; }
  [[nodiscard]] bool Ended() const { return m_ended; }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

 private:
  CallLog& m_log;
  FailureSchedule m_failures;
  std::deque<MsgBoxResult> m_answers;
  std::vector<MessageBoxRequest> m_boxes;
  std::vector<const Form*> m_loaded;
  bool m_ended = false;
};

}  // namespace mirablot::fake
