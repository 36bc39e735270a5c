// SPDX-License-Identifier: MIT
// The settings window as real Windows controls (under Wine on the test display): messages go
// through the controls into the model and back, and the window is laid out as designed.
#include <windows.h>

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "core/Bitmap.h"
#include "core/Error.h"
#include "platform/win32/Win32FormWindow.h"
#include "platform/win32/Win32Text.h"

namespace mirablot::win32 {
namespace {

using ::testing::ElementsAre;

std::string TextOf(HWND window) {
  std::wstring text(256, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 256)));
  return Utf8(text);
}

RECT ClientRectOf(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return rect;
}

// The control's rectangle in its window's client area: left, top, width, height.
std::vector<LONG> PlaceOf(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

LONG_PTR StyleOf(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE);
}

// A key as the message loop delivers it: the dialog manager's turn first.
void PressKey(HWND window, HWND focus, WPARAM key) {
  MSG message{focus, WM_KEYDOWN, key, 0, 0, {}};
  if (!IsDialogMessageW(window, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Type(HWND edit, const std::wstring& text) {
  for (const wchar_t character : text) {
    SendMessageW(edit, WM_CHAR, character, 0);
  }
}

class Win32FormWindowTest : public mirablot::testing::SettingsWindowFixture {
 protected:
  void Open(const char* space0, const char* millimetres, const char* space1 = "0") {
    StoreAll({"0", "0", "0", "0", space0, space1, millimetres});
    m_form.Form_Load();
    m_window = std::make_unique<FormWindow>(m_form, m_windowing);
    m_window->Present();
    m_log.Clear();
  }

  HWND Of(const Control& control) { return m_window->HandleOf(control); }
  HWND Margin() { return Of(m_form.txtSpace()); }

  std::unique_ptr<FormWindow> m_window;
};

TEST_F(Win32FormWindowTest, LaidOutInDesignTwipsWithSystemControls) {
  Open("1", "20");
  EXPECT_EQ(TextOf(m_window->Handle()), "Quillery");
  const RECT client = ClientRectOf(m_window->Handle());
  EXPECT_EQ(client.right, 312);  // 4680 x 2805 twips at 96 dpi
  EXPECT_EQ(client.bottom, 187);
  EXPECT_EQ(StyleOf(m_window->Handle()) & WS_THICKFRAME, 0);
  EXPECT_NE(SendMessageW(m_window->Handle(), WM_GETICON, ICON_BIG, 0), 0);

  // Controls of a frame sit at the frame's place plus their own.
  const std::vector<LONG> frame = PlaceOf(Of(m_form.Frame(2)));
  const std::vector<LONG> edit = PlaceOf(Margin());
  EXPECT_THAT(std::vector<LONG>({edit[0] - frame[0], edit[1] - frame[1], edit[2], edit[3]}),
              ElementsAre(13, 16, 21, 18));
  EXPECT_EQ(TextOf(Of(m_form.Frame(2))), "綴じ代");
  EXPECT_EQ(StyleOf(Of(m_form.Frame(2))) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(StyleOf(Margin()) & ES_RIGHT, ES_RIGHT);
  EXPECT_EQ(SendMessageW(Margin(), EM_GETLIMITTEXT, 0, 0), 5);
  EXPECT_EQ(StyleOf(Of(m_form.chkSpace(0))) & BS_TYPEMASK, BS_3STATE);
  EXPECT_EQ(StyleOf(Of(m_form.optOrientation(1))) & BS_TYPEMASK, BS_RADIOBUTTON);
  EXPECT_EQ(StyleOf(Of(m_form.cmbH())) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(SendMessageW(Of(m_form.cmbH()), CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(StyleOf(Of(m_form.cmdAct(0))) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(StyleOf(Of(m_form.cmdAct(1))) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(Win32FormWindowTest, TabOrderFollowsTheDesignAndPicturesLieBeneath) {
  Open("1", "20");
  std::vector<std::string> order;
  for (HWND child = GetWindow(m_window->Handle(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    for (const Control* control : m_form.Controls()) {
      if (Of(*control) == child) {
        const auto& design = control->Design();
        order.push_back(design.name + (design.index ? std::to_string(*design.index) : ""));
      }
    }
  }
  // Siblings from the top: the tab order, then the pictures (the printed block above the sheet),
  // then the frames.
  EXPECT_THAT(order, ElementsAre("optOrientation0", "optOrientation1", "optOrientation2", "cmbH",
                                 "cmbV", "chkSpace0", "chkSpace1", "txtSpace", "chkZoom", "cmdAct0",
                                 "cmdAct1", "Imgp1", "Imgp0", "Frame0", "Frame1", "Frame2"));
  EXPECT_EQ(GetFocus(), Of(m_form.optOrientation(0)));
}

TEST_F(Win32FormWindowTest, ControlsFollowTheUserAndTheProgram) {
  Open("0", "20");
  SendMessageW(Of(m_form.optOrientation(1)), BM_CLICK, 0, 0);
  EXPECT_TRUE(m_form.optOrientation(1).Value());
  EXPECT_EQ(SendMessageW(Of(m_form.optOrientation(0)), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(Of(m_form.optOrientation(1)), BM_GETCHECK, 0, 0), BST_CHECKED);
  // The landscape sheet: 1000 x 700 twips at (480, 600) in its frame, 15 twips to the pixel.
  const std::vector<LONG> frame = PlaceOf(Of(m_form.Frame(2)));
  const std::vector<LONG> sheet = PlaceOf(Of(m_form.Imgp(0)));
  EXPECT_THAT(std::vector<LONG>({sheet[0] - frame[0], sheet[1] - frame[1], sheet[2], sheet[3]}),
              ElementsAre(32, 40, 67, 47));

  HWND horizontal = Of(m_form.cmbH());
  SendMessageW(horizontal, CB_SETCURSEL, 1, 0);  // as the list does, then tells its parent
  SendMessageW(m_window->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(horizontal), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(horizontal));
  EXPECT_EQ(m_form.cmbH().ListIndex(), 1);
  m_form.cmbH().SetListIndex(2);
  EXPECT_EQ(SendMessageW(horizontal, CB_GETCURSEL, 0, 0), 2);

  EXPECT_FALSE(IsWindowEnabled(Margin()));
  SendMessageW(Of(m_form.chkSpace(0)), BM_CLICK, 0, 0);
  EXPECT_EQ(m_form.chkSpace(0).Value(), CheckBox::kChecked);
  EXPECT_TRUE(IsWindowEnabled(Margin()));
  EXPECT_FALSE(IsWindowEnabled(Of(m_form.chkSpace(1))));
  m_form.chkSpace(0).SetValue(CheckBox::kGrayed);
  EXPECT_EQ(SendMessageW(Of(m_form.chkSpace(0)), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
}

TEST_F(Win32FormWindowTest, TypingGoesThroughTheMarginRules) {
  Open("1", "7");
  SetFocus(Margin());
  SendMessageW(Margin(), EM_SETSEL, 0, -1);
  Type(Margin(), L"5a");
  EXPECT_EQ(TextOf(Margin()), "0");
  EXPECT_EQ(m_form.txtSpace().Text(), "0");
  SendMessageW(Margin(), EM_SETSEL, 1, 1);
  Type(Margin(), L"5");
  EXPECT_EQ(TextOf(Margin()), "5");
  DWORD caret = 0;
  SendMessageW(Margin(), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  EXPECT_EQ(caret, 1U);
  SendMessageW(Margin(), EM_SETSEL, 0, -1);
  Type(Margin(), L"123456");  // longer than the box takes
  EXPECT_EQ(TextOf(Margin()), "12345");
  EXPECT_EQ(m_form.txtSpace().Text(), "12345");
}

TEST_F(Win32FormWindowTest, EnterSavesEscapeAndTheCloseBoxDoNot) {
  Open("0", "20");
  PressKey(m_window->Handle(), Of(m_form.chkZoom()), VK_RETURN);
  EXPECT_TRUE(
      m_log.Contains("Settings.WriteAll(Quillery/Startup: Orientation=0, Zoom=0, "
                     "PositionH=0, PositionV=0, Space0=0, Space1=0, SpaceMM=20)"));
  EXPECT_TRUE(m_windowing.Ended());

  m_log.Clear();
  PressKey(m_window->Handle(), Of(m_form.chkZoom()), VK_ESCAPE);
  EXPECT_THAT(m_log.Calls(), ElementsAre("Windowing.Unload(frmSetting)", "Windowing.End"));
  m_log.Clear();
  SendMessageW(m_window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_THAT(m_log.Calls(), ElementsAre("Windowing.Unload(frmSetting)", "Windowing.End"));
}

class TextForm final : public Form {
 public:
  TextForm() : Form({"Text", 1500, 1500, nullptr}) {}
  [[nodiscard]] std::string_view Name() const override { return "TextForm"; }
  TextBox m_box{*this, ControlDesign{"txt", {}, nullptr, "", 0, 0, 1200, 300, 0}, TextBoxStyle{}};
  CommandButton m_button{*this, ControlDesign{"cmd", {}, nullptr, "Go", 0, 600, 600, 300, 1},
                         ButtonRole::Plain};
};

TEST(FormWindow, TypingReachesTheModelWithTheCaretInCharacters) {
  fake::CallLog log;
  fake::FakeWindowing windowing(log);
  TextForm form;
  FormWindow window(form, windowing);
  HWND edit = window.HandleOf(form.m_box);
  Type(edit, L"\xD842\xDFB7x");  // a kanji beyond 16 bits (two UTF-16 units), then an x
  SendMessageW(edit, EM_SETSEL, 2, 2);
  Type(edit, L"y");
  EXPECT_EQ(form.m_box.Text(), "\xF0\xA0\xAE\xB7yx");
  EXPECT_EQ(form.m_box.SelStart(), 2);
  form.m_box.SetText("from the program");
  EXPECT_EQ(TextOf(edit), "from the program");
  DWORD caret = 99;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
  EXPECT_EQ(caret, 0U);
}

// Nothing a handler throws may cross the window procedure: our errors, running out of memory
// and any other exception alike are reported in a box and end the program.
TEST(FormWindow, WhateverNoHandlerCaughtIsReportedAndEndsTheProgram) {
  const std::vector<std::pair<std::function<void()>, std::string>> cases{
      {[] { throw Error(91, "nobody caught this"); },
       "Err.Number:\t91\rErr.Description:\tnobody caught this"},
      {[] { throw std::bad_alloc(); }, "Err.Number:\t7\r"},
      {[] { (void)std::vector<int>().at(3); }, "Err.Number:\t51\r"},
  };
  for (const auto& [thrower, report] : cases) {
    fake::CallLog log;
    fake::FakeWindowing windowing(log);
    TextForm form;
    form.m_button.OnClick(thrower);
    FormWindow window(form, windowing);
    SendMessageW(window.HandleOf(form.m_button), BM_CLICK, 0, 0);
    ASSERT_EQ(windowing.MessageBoxes().size(), 1U);
    EXPECT_EQ(windowing.MessageBoxes().front().text.rfind(report, 0), 0U);
    EXPECT_TRUE(windowing.Ended());
  }
}

// A picture whose pixels are all transparent, in a frame larger than itself.
class PictureForm final : public Form {
 public:
  PictureForm() : Form({"Picture", 1500, 1500, nullptr}) {}
  [[nodiscard]] std::string_view Name() const override { return "PictureForm"; }
  Bitmap m_clear{4, 4, {0x00000000}, std::vector<std::uint8_t>(16, 0)};
  ImageBox m_image{*this, ControlDesign{"img", {}, nullptr, "", 0, 0, 150, 150, {}}, m_clear};
};

TEST(FormWindow, TransparentPicturePixelsShowTheWindowFace) {
  // A face colour whose red and blue differ, so that swapped channels show.
  const int element = COLOR_BTNFACE;
  const COLORREF original = GetSysColor(element);
  const COLORREF face = RGB(200, 100, 50);
  SetSysColors(1, &element, &face);
  fake::CallLog log;
  fake::FakeWindowing windowing(log);
  PictureForm form;
  COLORREF shown = 0;
  {
    FormWindow window(form, windowing);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(10, 10, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(window.HandleOf(form.m_image), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                 PRF_CLIENT);
    shown = GetPixel(dc, 2, 2);  // inside the border, on the picture
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  SetSysColors(1, &element, &original);
  EXPECT_EQ(shown, face);
}

}  // namespace
}  // namespace mirablot::win32
