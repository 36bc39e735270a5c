// SPDX-License-Identifier: MIT
#include "Win32Windowing.h"

#include <windows.h>

#include <algorithm>
#include <commctrl.h>
#include <cstdint>
#include <cstdio>

#include "Win32FormWindow.h"
#include "Win32Text.h"
#include "platform/Form.h"

namespace mirablot::win32 {
namespace {

// Our texts separate lines with lone carriage returns; a message box wants CR LF.
std::wstring ToDisplayText(const std::string& text) {
  const std::wstring wide = Wide(text);
  std::wstring result;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    result += wide[i];
    if (wide[i] == L'\r' && (i + 1 == wide.size() || wide[i + 1] != L'\n')) {
      result += L'\n';
    }
  }
  return result;
}

}  // namespace

Win32Windowing::Win32Windowing(int endStatus) : m_endStatus(endStatus) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

Win32Windowing::~Win32Windowing() = default;

MsgBoxResult Win32Windowing::MsgBox(const MessageBoxRequest& request) {
  const bool yesNo = request.buttons == MsgBoxButtons::YesNo;
  UINT style = (yesNo ? MB_YESNO : MB_OK) | MB_ICONSTOP | MB_SETFOREGROUND;
  if (request.defaultButton == MsgBoxDefault::Second) {
    style |= MB_DEFBUTTON2;
  }
  // Started from a console (or under Wine), the failure is on record there too, one line.
  std::string line = request.text;
  std::replace(line.begin(), line.end(), '\r', ' ');
  std::fprintf(stderr, "%s: %s\n", request.title.c_str(), line.c_str());
  std::fflush(stderr);
  HWND owner = GetActiveWindow();
  switch (
      MessageBoxW(owner, ToDisplayText(request.text).c_str(), Wide(request.title).c_str(), style)) {
    case IDYES:
      return MsgBoxResult::Yes;
    case IDNO:
      return MsgBoxResult::No;
    default:
      return yesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
  }
}

void Win32Windowing::Show(Form& form) {
  if (std::find(m_loaded.begin(), m_loaded.end(), &form) == m_loaded.end()) {
    m_loaded.push_back(&form);
    form.Form_Load();
    m_windows[&form] = std::make_unique<FormWindow>(form, *this);
  }
  FormWindow* window = WindowOf(form);
  if (window != nullptr && !m_ended) {
    window->Present();
  }
}

void Win32Windowing::Unload(Form& form) {
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  if (cancel != 0 || m_ended) {
    return;
  }
  m_loaded.erase(std::remove(m_loaded.begin(), m_loaded.end(), &form), m_loaded.end());
  Retire(form);
}

void Win32Windowing::Retire(const Form& form) {
  if (const auto found = m_windows.find(&form); found != m_windows.end()) {
    found->second->Detach();
    found->second->Hide();
    m_retired.push_back(std::move(found->second));
    m_windows.erase(found);
  }
}

void Win32Windowing::End() {
  m_ended = true;
  while (!m_windows.empty()) {
    Retire(*m_windows.begin()->first);
  }
  m_loaded.clear();
  PostQuitMessage(m_endStatus);
}

int Win32Windowing::Run(int normalStatus) {
  MSG message{};
  while (!m_ended && HasLoadedWindows() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, arrows, Enter and Escape move between controls and press buttons as in a dialog.
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const bool dialogKey =
        root != nullptr &&
        std::any_of(m_windows.begin(), m_windows.end(),
                    [root](const auto& entry) { return entry.second->Handle() == root; }) &&
        IsDialogMessageW(root, &message);
    if (!dialogKey) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    m_retired.clear();
  }
  m_retired.clear();
  return m_ended ? m_endStatus : normalStatus;
}

FormWindow* Win32Windowing::WindowOf(const Form& form) const {
  const auto found = m_windows.find(&form);
  return found != m_windows.end() ? found->second.get() : nullptr;
}

}  // namespace mirablot::win32
