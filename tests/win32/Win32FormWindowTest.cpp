// SPDX-License-Identifier: MIT
// The settings window as real Windows controls (under Wine on the test display): the renderers'
// contract through the messages Windows sends, and the styles and painting only Windows has.
#include <windows.h>

#include "FormWindowContract.h"
#include "platform/win32/Win32FormWindow.h"
#include "platform/win32/Win32Text.h"

namespace mirablot::win32 {
namespace {

class ControlDriver final : public testing::FormDriver {
 public:
  ControlDriver(Form& form, Windowing& windowing) : m_window(form, windowing) {}

  void Show() override { m_window.Present(); }
  void Click(const Control& control) override { SendMessageW(Of(control), BM_CLICK, 0, 0); }
  void Type(const Control& edit, int start, int end, const std::string& text) override {
    SendMessageW(Of(edit), EM_SETSEL, static_cast<WPARAM>(start), end);
    for (const wchar_t unit : Wide(text)) {
      SendMessageW(Of(edit), WM_CHAR, unit, 0);
    }
  }
  // As the message loop delivers a key: the dialog manager's turn first.
  void Press(Key key, const Control& focus) override {
    SetFocus(Of(focus));
    const int code = key == Key::Return ? VK_RETURN : key == Key::Escape ? VK_ESCAPE : VK_DOWN;
    MSG message{Of(focus), WM_KEYDOWN, static_cast<WPARAM>(code), 0, 0, {}};
    if (!IsDialogMessageW(m_window.Handle(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  void Close() override { SendMessageW(m_window.Handle(), WM_CLOSE, 0, 0); }
  // BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE are the check box's values.
  std::string Shows(const Control& control) override {
    HWND window = Of(control);
    const UINT get = control.Kind() == ControlKind::ComboBox ? CB_GETCURSEL : BM_GETCHECK;
    std::string shown = std::to_string(SendMessageW(window, get, 0, 0));
    if (control.Kind() == ControlKind::TextBox) {
      std::wstring text(256, L'\0');
      text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 256)));
      DWORD caret = 0;
      SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
      shown = Utf8(text.insert(caret, L"|"));
    }
    return IsWindowEnabled(window) ? shown : '(' + shown + ')';
  }
  std::array<int, 4> Place(const Control& control) override {
    RECT rect{};
    GetWindowRect(Of(control), &rect);
    MapWindowPoints(HWND_DESKTOP, m_window.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }
  std::array<int, 2> ClientSize() override {
    RECT rect{};
    GetClientRect(m_window.Handle(), &rect);
    return {rect.right, rect.bottom};
  }
  bool HasFocus(const Control& control) override { return GetFocus() == Of(control); }
  // The dialog manager tabs through the siblings in order, to those with WS_TABSTOP.
  bool TabsTo(const Control& from, const Control& to) override {
    return GetWindow(Of(from), GW_HWNDNEXT) == Of(to);
  }
  // Every control is a sibling: over whatever comes after it.
  bool Above(const Control& upper, const Control& lower) override {
    HWND below = GetWindow(Of(upper), GW_HWNDNEXT);
    while (below != nullptr && below != Of(lower)) {
      below = GetWindow(below, GW_HWNDNEXT);
    }
    return below != nullptr;
  }

 private:
  HWND Of(const Control& control) const { return m_window.HandleOf(control); }

  FormWindow m_window;
};

class Win32FormWindowTest : public testing::SettingsWindowFixture {
 protected:
  LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }
  LONG_PTR StyleOf(const Control& control) { return StyleOf(m_window.HandleOf(control)); }
  FormWindow m_window{m_form, m_windowing};
};

// Button styles decide who checks a box (the model, not the button) and which states it shows;
// only controls with WS_TABSTOP take the focus from Tab. The model cuts the margin to five
// characters too; the box keeps a sixth from showing at all.
TEST_F(Win32FormWindowTest, AFixedWindowOfSystemControlsWithTheStylesTheModelNeeds) {
  EXPECT_EQ(StyleOf(m_window.Handle()) & WS_THICKFRAME, 0);
  EXPECT_NE(SendMessageW(m_window.Handle(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(StyleOf(m_form.Frame(2)) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(StyleOf(m_form.txtSpace()) & (ES_RIGHT | WS_TABSTOP), ES_RIGHT | WS_TABSTOP);
  EXPECT_EQ(SendMessageW(m_window.HandleOf(m_form.txtSpace()), EM_GETLIMITTEXT, 0, 0), 5);
  EXPECT_EQ(StyleOf(m_form.chkSpace(0)) & BS_TYPEMASK, BS_3STATE);
  EXPECT_EQ(StyleOf(m_form.optOrientation(1)) & BS_TYPEMASK, BS_RADIOBUTTON);
  EXPECT_EQ(StyleOf(m_form.cmbH()) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(StyleOf(m_form.cmdAct(0)) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(StyleOf(m_form.cmdAct(1)) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST(FormWindow, TransparentPicturePixelsShowTheWindowFace) {
  // A face colour whose red and blue differ, so that swapped channels show.
  const int element = COLOR_BTNFACE;
  const COLORREF original = GetSysColor(element);
  const COLORREF face = RGB(200, 100, 50);
  SetSysColors(1, &element, &face);
  fake::CallLog log;
  fake::FakeWindowing windowing(log);
  testing::ScratchForm form;  // its picture is 4 x 4 pixels in a 10 x 10 frame
  const FormWindow window(form, windowing);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, CreateBitmap(10, 10, 1, 32, nullptr));
  SendMessageW(window.HandleOf(form.m_image), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
               PRF_CLIENT);
  SetSysColors(1, &element, &original);
  EXPECT_EQ(GetPixel(dc, 2, 2), face);  // inside the border, on the picture
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
}

}  // namespace
}  // namespace mirablot::win32

std::unique_ptr<mirablot::testing::FormDriver> mirablot::testing::OpenWindow(Form& form,
                                                                             Windowing& windowing) {
  return std::make_unique<win32::ControlDriver>(form, windowing);
}
