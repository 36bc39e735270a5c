// SPDX-License-Identifier: MIT
#include "WindowingLayer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "ErrorHandling.h"
#include "Form.h"

namespace mirablot {

std::string OneLine(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;  // CR LF is one break
    }
    line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  return line;
}

MsgBoxResult WindowingLayer::MsgBox(const MessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", request.title.c_str(), OneLine(request.text).c_str());
  std::fflush(stderr);
  return AskUser(request);
}

void WindowingLayer::Show(Form& form) {
  if (std::find(m_loaded.begin(), m_loaded.end(), &form) == m_loaded.end()) {
    m_loaded.push_back(&form);
    try {
      form.Form_Load();
      CreateWindowFor(form);
    } catch (...) {
      std::erase(m_loaded, &form);
      ReportUnhandledError(*this, CurrentError());
      End();
      return;
    }
  }
  if (!m_ended) {
    Present(form);
  }
}

void WindowingLayer::Unload(Form& form) {
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  if (cancel != 0 || m_ended) {
    return;
  }
  m_loaded.erase(std::remove(m_loaded.begin(), m_loaded.end(), &form), m_loaded.end());
  Retire(form);
}

void WindowingLayer::End() {
  m_ended = true;
  for (const Form* form : m_loaded) {
    Retire(*form);
  }
  m_loaded.clear();
  Quit(m_endStatus);
}

}  // namespace mirablot
