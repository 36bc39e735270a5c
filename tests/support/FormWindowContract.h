// SPDX-License-Identifier: MIT
// What every renderer of a form does, whatever its toolkit: the user's clicks, keys and typing
// go through the real controls into the model and back, and the window is laid out as designed.
// A renderer's test program includes this once and defines OpenWindow with its own driver.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "core/Bitmap.h"
#include "core/Error.h"

namespace mirablot::testing {

/// A form in a renderer's window, worked through the toolkit's own controls as a user would.
/// Carets and selections count UTF-16 units, as both toolkits do.
class FormDriver {
 public:
  enum class Key { Return, Escape, Down };
  virtual ~FormDriver() = default;
  /// In front, the focus on the first control.
  virtual void Show() = 0;
  virtual void Click(const Control& control) = 0;
  /// Types UTF-8 text, a key per character, over the units from start to end.
  virtual void Type(const Control& edit, int start, int end, const std::string& text) = 0;
  virtual void Press(Key key, const Control& focus) = 0;
  virtual void Close() = 0;  // the close box
  /// A box as its CheckBox value, a list as its index, an edit as its text with "|" at the
  /// caret; in brackets while disabled.
  virtual std::string Shows(const Control& control) = 0;
  /// Left, top, width and height in pixels, in the window's client area.
  virtual std::array<int, 4> Place(const Control& control) = 0;
  virtual std::array<int, 2> ClientSize() = 0;
  virtual bool HasFocus(const Control& control) = 0;
  /// Whether Tab goes from one control straight to the other.
  virtual bool TabsTo(const Control& from, const Control& to) = 0;
  /// Whether upper is drawn over lower where they overlap.
  virtual bool Above(const Control& upper, const Control& lower) = 0;
};

/// The form in a window of the renderer's, not yet shown.
std::unique_ptr<FormDriver> OpenWindow(Form& form, Windowing& windowing);

class FormWindowContract : public SettingsWindowFixture {
 protected:
  using Key = FormDriver::Key;

  // Loads the settings window with these stored values, then shows it.
  void Open(const char* space0, const char* millimetres) {
    Store(std::string("0,0,0,0,") + space0 + ",0," + millimetres);
    m_form.Form_Load();
    m_window = OpenWindow(m_form, m_windowing);
    m_window->Show();
    m_log.Clear();
  }

  // What the form's boxes, lists and edits show, in the form's order (see FormDriver::Shows):
  // the orientations, the two alignments, the two margin boxes, the margin, fit to paper.
  std::string Shown() {
    std::string shown;
    for (const Control* control : m_form.Controls()) {
      const ControlKind kind = control->Kind();
      if (kind != ControlKind::GroupBox && kind != ControlKind::CommandButton &&
          kind != ControlKind::Image) {
        shown.append(shown.empty() ? "" : " ").append(m_window->Shows(*control));
      }
    }
    return shown;
  }

  std::unique_ptr<FormDriver> m_window;
};

// A text box, a button whose handler is the test's and an all-transparent picture.
class ScratchForm final : public Form {
 public:
  ScratchForm() : Form({"Scratch", 1500, 1500, nullptr}) {}
  [[nodiscard]] std::string_view Name() const override { return "ScratchForm"; }
  TextBox m_box{*this, ControlDesign{"txt", {}, nullptr, "", 0, 0, 1200, 300, 0}, TextBoxStyle{}};
  CommandButton m_button{*this, ControlDesign{"cmd", {}, nullptr, "Go", 0, 600, 600, 300, 1},
                         ButtonRole::Plain};
  Bitmap m_clear{4, 4, {0x00000000}, std::vector<std::uint8_t>(16, 0)};
  ImageBox m_image{*this, ControlDesign{"img", {}, nullptr, "", 0, 1200, 150, 150, {}}, m_clear};
};

TEST_F(FormWindowContract, TypingKeepsTheMarginAWholeNumberOfFiveDigitsAtMost) {
  Open("1", "0");
  m_window->Type(m_form.txtSpace(), 1, 1, "5");  // behind the "0"
  EXPECT_EQ(Shown(), "1 0 0 0 0 1 (0) 5| 0");
  m_window->Type(m_form.txtSpace(), 0, 0, "1");  // in front: kept, the caret to the end
  EXPECT_EQ(Shown(), "1 0 0 0 0 1 (0) 15| 0");
  m_window->Type(m_form.txtSpace(), 0, 2, "5a");
  EXPECT_EQ(Shown(), "1 0 0 0 0 1 (0) 0| 0");
  m_window->Type(m_form.txtSpace(), 0, 1, "123456");  // longer than the box takes
  EXPECT_EQ(Shown(), "1 0 0 0 0 1 (0) 12345| 0");
  EXPECT_EQ(m_form.txtSpace().Text(), "12345");
}

TEST_F(FormWindowContract, ControlsFollowTheUserAndTheProgramBothWays) {
  Open("2", "20");
  EXPECT_EQ(Shown(), "1 0 0 0 0 2 (0) (|20) 0");  // greyed, as stored
  m_window->Click(m_form.chkSpace(0));
  EXPECT_EQ(m_form.chkSpace(0).Value(), CheckBox::kChecked);
  EXPECT_EQ(Shown(), "1 0 0 0 0 1 (0) |20 0");
  m_window->Click(m_form.optOrientation(1));
  EXPECT_TRUE(m_form.optOrientation(1).Value());
  EXPECT_EQ(Shown(), "0 1 0 0 0 1 (0) |20 0");
  // The landscape sheet: 1000 x 700 twips at (480, 600) in its frame at (2880, 120), 15 twips
  // to the pixel.
  EXPECT_THAT(m_window->Place(m_form.Imgp(0)), ::testing::ElementsAre(224, 48, 67, 47));

  m_window->Press(Key::Down, m_form.cmbH());
  EXPECT_EQ(m_form.cmbH().ListIndex(), 1);
  m_form.cmbH().SetListIndex(2);
  EXPECT_EQ(Shown(), "0 1 0 2 0 1 (0) |20 0");
}

TEST_F(FormWindowContract, EnterSavesUnlessOnCancelEscapeAndTheCloseBoxDoNot) {
  Open("0", "20");
  m_window->Press(Key::Return, m_form.chkZoom());
  EXPECT_TRUE(
      m_log.Contains("Settings.WriteAll(Quillery/Startup: Orientation=0, Zoom=0, "
                     "PositionH=0, PositionV=0, Space0=0, Space1=0, SpaceMM=20)"));
  EXPECT_TRUE(m_windowing.Ended());

  const auto unloaded = ::testing::ElementsAre("Windowing.Unload(frmSetting)", "Windowing.End");
  m_log.Clear();
  m_window->Press(Key::Return, m_form.cmdAct(1));  // the focused cancel button
  EXPECT_THAT(m_log.Calls(), unloaded);
  m_log.Clear();
  m_window->Press(Key::Escape, m_form.chkZoom());
  EXPECT_THAT(m_log.Calls(), unloaded);
  m_log.Clear();
  m_window->Close();
  EXPECT_THAT(m_log.Calls(), unloaded);
}

TEST_F(FormWindowContract, LaidOutTabbedAndStackedAsDesigned) {
  Open("1", "20");
  EXPECT_THAT(m_window->ClientSize(), ::testing::ElementsAre(312, 187));  // 4680 x 2805 twips
  // Controls of a frame sit at the frame's place plus their own.
  EXPECT_THAT(m_window->Place(m_form.txtSpace()), ::testing::ElementsAre(205, 24, 21, 18));

  EXPECT_TRUE(m_window->HasFocus(m_form.optOrientation(0)));
  // Tab goes from each control to the one with the next tab index; frames take no focus.
  for (const Control* from : m_form.Controls()) {
    for (const Control* to : m_form.Controls()) {
      if (from->Design().tabIndex && to->Design().tabIndex == *from->Design().tabIndex + 1 &&
          to->Kind() != ControlKind::GroupBox) {
        EXPECT_TRUE(m_window->TabsTo(*from, *to)) << to->Design().name;
      }
    }
  }

  // Pictures lie beneath the other controls of their frame, the printed block over the sheet.
  EXPECT_TRUE(m_window->Above(m_form.txtSpace(), m_form.Imgp(1)));
  EXPECT_TRUE(m_window->Above(m_form.chkSpace(0), m_form.Imgp(1)));
  EXPECT_TRUE(m_window->Above(m_form.Imgp(1), m_form.Imgp(0)));
  EXPECT_TRUE(m_window->Above(m_form.Imgp(0), m_form.Frame(2)));
}

TEST_F(FormWindowContract, TypingReachesTheModelWithTheCaretInCharacters) {
  ScratchForm form;
  const auto window = OpenWindow(form, m_windowing);
  window->Type(form.m_box, 0, 0, "\xF0\xA0\xAE\xB7x");  // a kanji of two UTF-16 units, an x
  window->Type(form.m_box, 2, 2, "y");
  EXPECT_EQ(form.m_box.Text(), "\xF0\xA0\xAE\xB7yx");
  EXPECT_EQ(form.m_box.SelStart(), 2);
  form.m_box.SetText("from the program");
  EXPECT_EQ(window->Shows(form.m_box), "|from the program");
}

// Nothing a handler throws may cross the toolkit's code: our errors, running out of memory and
// any other exception alike are reported in a box and end the program.
TEST_F(FormWindowContract, WhateverNoHandlerCaughtIsReportedAndEndsTheProgram) {
  const std::vector<std::pair<std::function<void()>, std::string>> cases{
      {[] { throw Error(91, "nobody caught this"); },
       "Err.Number:\t91\rErr.Description:\tnobody caught this"},
      {[] { throw std::bad_alloc(); },
       "Err.Number:\t7\rErr.Description:\t" +
           std::string(StandardDescription(ErrorNumber::OutOfMemory))},
      {[] { (void)std::vector<int>().at(3); }, "Err.Number:\t51\rErr.Description:\t"},
  };
  for (const auto& [thrower, report] : cases) {
    fake::FakeWindowing windowing(m_log);
    ScratchForm form;
    form.m_button.OnClick(thrower);
    OpenWindow(form, windowing)->Click(form.m_button);
    ASSERT_EQ(windowing.MessageBoxes().size(), 1U);
    EXPECT_THAT(windowing.MessageBoxes().front().text, ::testing::StartsWith(report));
    EXPECT_TRUE(windowing.Ended());
  }
}

}  // namespace mirablot::testing
