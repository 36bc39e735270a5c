// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <vector>

#include "CallLog.h"
#include "forms/WindowingLayer.h"

namespace mirablot::fake {

/// The real windowing layer on a desktop of memory: message boxes are answered from a script,
/// windows are made in name only (or fail to be made, when scheduled), and every call is
/// recorded: "Windowing.Show(frmSetting)", "Windowing.MsgBox(Mirablot Error)". Failures are
/// scheduled by call name: MsgBox, Show, Unload, CreateWindow.
class FakeWindowing final : public WindowingLayer {
 public:
  explicit FakeWindowing(CallLog& log) : WindowingLayer(kEndStatus), m_log(log) {}

  /// The status the program ends with when a handler ends it.
  static constexpr int kEndStatus = 1;

  /// The answer to the next message box; without one, boxes are answered No (or OK).
  void Answer(MsgBoxResult answer) { m_answers.push_back(answer); }
  [[nodiscard]] const std::vector<MessageBoxRequest>& MessageBoxes() const { return m_boxes; }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

 protected:
  [[nodiscard]] MsgBoxResult AskUser(const MessageBoxRequest& request) override;
  void CreateWindowFor(Form& form) override;
  void Present(const Form& /*form*/) override {}
  void Retire(const Form& /*form*/) override {}
  void Quit(int /*status*/) override {}

 private:
  CallLog& m_log;
  FailureSchedule m_failures;
  std::deque<MsgBoxResult> m_answers;
  std::vector<MessageBoxRequest> m_boxes;
};

}  // namespace mirablot::fake
