// SPDX-License-Identifier: MIT
#include "Win32Windowing.h"

#include <windows.h>

#include <algorithm>

#include "Win32FormWindow.h"
#include "Win32Text.h"
#include "forms/Form.h"

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

Win32Windowing::Win32Windowing(int endStatus) : WindowingLayer(endStatus) {}

Win32Windowing::~Win32Windowing() = default;

MsgBoxResult Win32Windowing::AskUser(const MessageBoxRequest& request) {
  const bool yesNo = request.buttons == MsgBoxButtons::YesNo;
  UINT style = (yesNo ? MB_YESNO : MB_OK) | MB_ICONSTOP | MB_SETFOREGROUND;
  if (request.defaultButton == MsgBoxDefault::Second) {
    style |= MB_DEFBUTTON2;
  }
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

void Win32Windowing::CreateWindowFor(Form& form) {
  m_windows.Add(form, std::make_unique<FormWindow>(form, *this));
}

void Win32Windowing::Present(const Form& form) {
  if (FormWindow* window = m_windows.Of(form)) {
    window->Present();
  }
}

void Win32Windowing::Retire(const Form& form) {
  m_windows.Retire(form);
}

void Win32Windowing::Quit(int status) {
  PostQuitMessage(status);
}

int Win32Windowing::Run(int normalStatus) {
  MSG message{};
  while (!Ended() && HasLoadedWindows() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, arrows, Enter and Escape move between controls and press buttons as in a dialog.
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const bool dialogKey = root != nullptr && m_windows.Any([root](const FormWindow& window) {
      return window.Handle() == root;
    }) && IsDialogMessageW(root, &message);
    if (!dialogKey) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    m_windows.DropRetired();
  }
  m_windows.DropRetired();
  return Ended() ? EndStatus() : normalStatus;
}

}  // namespace mirablot::win32
