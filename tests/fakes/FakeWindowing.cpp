// SPDX-License-Identifier: MIT
#include "FakeWindowing.h"

#include <string>

#include "forms/Form.h"

namespace mirablot::fake {

MsgBoxResult FakeWindowing::MsgBox(const MessageBoxRequest& request) {
  m_log.Add("Windowing.MsgBox(" + request.title + ")");
  m_failures.ThrowIfScheduled("MsgBox");
  return WindowingLayer::MsgBox(request);
}

MsgBoxResult FakeWindowing::AskUser(const MessageBoxRequest& request) {
  m_boxes.push_back(request);
  if (m_answers.empty()) {
    return request.buttons == MsgBoxButtons::YesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
  }
  const MsgBoxResult answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

void FakeWindowing::Show(Form& form) {
  m_log.Add("Windowing.Show(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("Show");
  WindowingLayer::Show(form);
}

void FakeWindowing::CreateWindowFor(Form& form) {
  m_log.Add("Windowing.CreateWindow(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("CreateWindow");
}

void FakeWindowing::Unload(Form& form) {
  m_log.Add("Windowing.Unload(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("Unload");
  WindowingLayer::Unload(form);
}

void FakeWindowing::End() {
  m_log.Add("Windowing.End");
  WindowingLayer::End();
}

}  // namespace mirablot::fake
