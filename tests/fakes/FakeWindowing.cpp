// SPDX-License-Identifier: MIT
#include "FakeWindowing.h"

#include <algorithm>
#include <cstdint>

#include "forms/Form.h"

namespace mirablot::fake {

MsgBoxResult FakeWindowing::MsgBox(const MessageBoxRequest& request) {
  m_log.Add("Windowing.MsgBox(" + request.title + ")");
  m_failures.ThrowIfScheduled("MsgBox");
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
  if (std::find(m_loaded.begin(), m_loaded.end(), &form) == m_loaded.end()) {
    m_loaded.push_back(&form);
    form.Form_Load();
  }
}

void FakeWindowing::Unload(Form& form) {
  m_log.Add("Windowing.Unload(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("Unload");
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  if (cancel == 0) {
    m_loaded.erase(std::remove(m_loaded.begin(), m_loaded.end(), &form), m_loaded.end());
  }
}

void FakeWindowing::End() {
  m_log.Add("Windowing.End");
  m_ended = true;
}

}  // namespace mirablot::fake
