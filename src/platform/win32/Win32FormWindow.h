// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "forms/Controls.h"

namespace mirablot {
class Form;
class Windowing;
}  // namespace mirablot

namespace mirablot::win32 {

struct PaintingPixels;

/// A real window built from a form's declared controls with the system's own control classes.
/// Twips become pixels at the window's DPI, and the window follows a move to a screen of
/// another DPI. The user's input goes into the controls and every change of a control shows
/// on its window; what a window shows is never fed back. Tab order is the design's; Enter
/// presses the default button, Escape the cancel button, and the close box unloads the form.
class FormWindow final {
 public:
  FormWindow(Form& form, Windowing& windowing);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  [[nodiscard]] HWND Handle() const { return m_window; }
  /// The window showing a control of the form.
  [[nodiscard]] HWND HandleOf(const Control& control) const;
  /// Shows the window in front, the focus on the first control of the tab order.
  void Present();
  void Hide();
  /// Stops mirroring the form, for when the form is going away.
  void Detach();

 private:
  struct Child {
    Control* control;
    HWND window;
  };

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Build();
  void Release();
  void Arrange();
  void ApplyDpi(UINT dpi);
  void Mirror(const Control& control, ControlProperty property);
  void Place(const Control& control);
  void OnCommand(int id, int code);
  void Forward(const std::function<void()>& input);
  [[nodiscard]] int Pixels(float twips) const;
  [[nodiscard]] Control* ControlOf(int id) const;

  Form& m_form;
  Windowing& m_windowing;
  HWND m_window = nullptr;
  HFONT m_font = nullptr;
  HICON m_icon = nullptr;
  UINT m_dpi;
  std::vector<Child> m_children;
  std::vector<std::unique_ptr<PaintingPixels>> m_paintings;
  HWND m_lastFocus = nullptr;
  // Set while the window mirrors the model, so that the notifications it causes are not taken
  // for the user's input.
  bool m_mirroring = false;
  bool m_attached = true;
};

}  // namespace mirablot::win32
