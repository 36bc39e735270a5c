// SPDX-License-Identifier: MIT
// The settings window as real Qt widgets (offscreen): keystrokes, pastes and clicks go through
// the widgets into the model and back, and the window is laid out as designed.
#include <cmath>
#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "core/Error.h"
#include "platform/qt/QtFormWindow.h"

namespace mirablot::qt {
namespace {

using ::testing::ElementsAre;

class SettingsWindowWidgetTest : public mirablot::testing::SettingsWindowFixture {
 protected:
  // Loads the window with these stored values, then shows it.
  void Open(const char* space0, const char* millimetres, const char* space1 = "0") {
    StoreAll({"0", "0", "0", "0", space0, space1, millimetres});
    m_form.Form_Load();
    m_window = std::make_unique<FormWindow>(m_form, m_windowing);
    m_window->show();
    m_log.Clear();
  }

  template <typename Widget>
  Widget* WidgetFor(const Control& control) {
    auto* widget = qobject_cast<Widget*>(m_window->WidgetOf(control));
    EXPECT_NE(widget, nullptr) << control.Design().name;
    return widget;
  }

  QLineEdit* MarginEdit() { return WidgetFor<QLineEdit>(m_form.txtSpace()); }

  // Selects the whole margin text, as a user about to type over it.
  QLineEdit* SelectMargin() {
    QLineEdit* edit = MarginEdit();
    edit->setFocus();
    edit->selectAll();
    return edit;
  }

  std::unique_ptr<FormWindow> m_window;
};

TEST_F(SettingsWindowWidgetTest, TypingAndPastingKeepTheMarginAWholeNumber) {
  Open("1", "0");
  QLineEdit* edit = MarginEdit();
  edit->setFocus();
  edit->end(false);
  QTest::keyClicks(edit, "5");  // behind the "0"
  EXPECT_EQ(edit->text(), "5");
  EXPECT_EQ(edit->cursorPosition(), 1);
  EXPECT_EQ(m_form.txtSpace().Text(), "5");
  QTest::keyClick(edit, Qt::Key_Home);
  QTest::keyClicks(edit, "1");  // in front: kept, the caret to the end
  EXPECT_EQ(edit->text(), "15");
  EXPECT_EQ(edit->cursorPosition(), 2);
  QTest::keyClicks(SelectMargin(), "5a");
  EXPECT_EQ(edit->text(), "0");
  QTest::keyClicks(SelectMargin(), "-");
  EXPECT_EQ(edit->text(), "0");
  EXPECT_EQ(edit->cursorPosition(), 1);
  QGuiApplication::clipboard()->setText("-7");
  QTest::keySequence(SelectMargin(), QKeySequence::Paste);
  EXPECT_EQ(edit->text(), "7");
  QGuiApplication::clipboard()->setText("123456");  // longer than the box takes
  QTest::keySequence(SelectMargin(), QKeySequence::Paste);
  EXPECT_EQ(edit->text(), "12345");
}

TEST_F(SettingsWindowWidgetTest, ControlsFollowTheUserAndTheProgramBothWays) {
  Open("2", "20");
  auto* left = WidgetFor<QCheckBox>(m_form.chkSpace(0));
  auto* top = WidgetFor<QCheckBox>(m_form.chkSpace(1));
  EXPECT_EQ(left->checkState(), Qt::PartiallyChecked);  // greyed, as stored
  EXPECT_FALSE(MarginEdit()->isEnabled());
  QTest::mouseClick(left, Qt::LeftButton);
  EXPECT_EQ(m_form.chkSpace(0).Value(), CheckBox::kChecked);
  EXPECT_EQ(left->checkState(), Qt::Checked);
  EXPECT_FALSE(top->isEnabled());
  EXPECT_TRUE(MarginEdit()->isEnabled());

  QTest::mouseClick(WidgetFor<QRadioButton>(m_form.optOrientation(1)), Qt::LeftButton);
  EXPECT_TRUE(m_form.optOrientation(1).Value());
  EXPECT_FALSE(WidgetFor<QRadioButton>(m_form.optOrientation(0))->isChecked());
  // The landscape sheet: 1000 x 700 twips at (480, 600), 15 twips to the pixel.
  EXPECT_EQ(m_window->WidgetOf(m_form.Imgp(0))->geometry(), QRect(32, 40, 67, 47));

  auto* horizontal = WidgetFor<QComboBox>(m_form.cmbH());
  horizontal->setFocus();
  QTest::keyClick(horizontal, Qt::Key_Down);
  EXPECT_EQ(m_form.cmbH().ListIndex(), 1);
  m_form.cmbH().SetListIndex(2);
  EXPECT_EQ(horizontal->currentIndex(), 2);
}

TEST_F(SettingsWindowWidgetTest, EnterSavesAndEndsUnlessTheFocusIsOnCancel) {
  Open("0", "20");
  QTest::keyClick(m_window.get(), Qt::Key_Return);
  EXPECT_TRUE(
      m_log.Contains("Settings.WriteAll(Quillery/Startup: Orientation=0, Zoom=0, "
                     "PositionH=0, PositionV=0, Space0=0, Space1=0, SpaceMM=20)"));
  EXPECT_TRUE(m_windowing.Ended());
}

TEST_F(SettingsWindowWidgetTest, EnterOnTheFocusedCancelButtonSavesNothing) {
  Open("0", "20");
  auto* cancel = WidgetFor<QPushButton>(m_form.cmdAct(1));
  cancel->setFocus();
  QTest::keyClick(cancel, Qt::Key_Return);
  EXPECT_THAT(m_log.Matching("Settings.Write"), ::testing::IsEmpty());
  EXPECT_TRUE(m_windowing.Ended());
}

TEST_F(SettingsWindowWidgetTest, EscapeAndTheCloseBoxSaveNothing) {
  Open("0", "20");
  QTest::keyClick(m_window.get(), Qt::Key_Escape);
  EXPECT_THAT(m_log.Calls(), ElementsAre("Windowing.Unload(frmSetting)", "Windowing.End"));

  m_log.Clear();
  m_window->close();
  EXPECT_THAT(m_log.Calls(), ElementsAre("Windowing.Unload(frmSetting)", "Windowing.End"));
}

TEST_F(SettingsWindowWidgetTest, LaidOutInDesignTwipsWithTheMarginBoxAsChosen) {
  Open("1", "20");
  EXPECT_EQ(m_window->size(), QSize(312, 187));  // 4680 x 2805 twips
  EXPECT_EQ(m_window->minimumSize(), m_window->maximumSize());
  EXPECT_FALSE(m_window->windowIcon().isNull());
  EXPECT_TRUE(WidgetFor<QPushButton>(m_form.cmdAct(0))->isDefault());
  EXPECT_FALSE(WidgetFor<QPushButton>(m_form.cmdAct(1))->isDefault());
  QLineEdit* edit = MarginEdit();
  EXPECT_EQ(edit->geometry(), QRect(13, 16, 21, 18));
  EXPECT_EQ(edit->maxLength(), 5);
  EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(edit->parentWidget(), m_window->WidgetOf(m_form.Frame(2)));
}

// Captions laid out for Windows' dialog font can be a few pixels wider in the fonts here: each
// that the design shows (a box no wider than its mark shows none) shows whole, its control
// widened to the right, in place.
TEST_F(SettingsWindowWidgetTest, EveryCaptionShowsWhole) {
  Open("0", "20");
  for (const char* name : {"optOrientation", "chkZoom"}) {
    for (const Control* control : m_form.Controls()) {
      if (control->Design().name == name) {
        const QWidget* button = m_window->WidgetOf(*control);
        EXPECT_GE(button->width(), button->sizeHint().width()) << name;
        EXPECT_EQ(button->pos(), QPoint(static_cast<int>(std::lround(control->Left() / 15)),
                                        static_cast<int>(std::lround(control->Top() / 15))));
      }
    }
  }
}

TEST_F(SettingsWindowWidgetTest, PreviewPicturesLieBeneathTheFrameControlsAtNaturalSize) {
  Open("0", "20");
  QWidget* sheet = m_window->WidgetOf(m_form.Imgp(0));
  QWidget* block = m_window->WidgetOf(m_form.Imgp(1));
  const QObjectList& stack = m_window->WidgetOf(m_form.Frame(2))->children();
  const auto position = [&stack](const QWidget* widget) { return stack.indexOf(widget); };
  EXPECT_LT(position(sheet), position(block));
  EXPECT_LT(position(block), position(MarginEdit()));
  EXPECT_LT(position(block), position(m_window->WidgetOf(m_form.chkSpace(0))));

  const QImage shown = block->grab().toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), Qt::black);    // the border
  EXPECT_EQ(shown.pixelColor(5, 10), Qt::black);   // row 10 starts with a 25-pixel dash
  EXPECT_EQ(shown.pixelColor(26, 10), Qt::white);  // ... and a gap at 25 to 27
  EXPECT_EQ(shown.pixelColor(5, 11), Qt::white);
  EXPECT_EQ(shown.pixelColor(10, 20), Qt::black);  // row 20: (3, 15)
}

TEST_F(SettingsWindowWidgetTest, TabOrderFollowsTheDesign) {
  Open("1", "20");
  QWidget* widget = m_window->WidgetOf(m_form.optOrientation(0));
  std::vector<std::string> order;
  for (int i = 0; i < 30 && order.size() < 11; ++i, widget = widget->nextInFocusChain()) {
    for (const Control* control : m_form.Controls()) {
      if (m_window->WidgetOf(*control) == widget && control->Design().tabIndex) {
        order.push_back(control->Design().name + std::to_string(*control->Design().tabIndex));
      }
    }
  }
  EXPECT_THAT(
      order, ElementsAre("optOrientation0", "optOrientation1", "optOrientation2", "cmbH3", "cmbV4",
                         "chkSpace5", "chkSpace6", "txtSpace7", "chkZoom8", "cmdAct9", "cmdAct10"));
}

class TextForm final : public Form {
 public:
  TextForm() : Form({"Text", 1500, 1500, nullptr}) {}
  [[nodiscard]] std::string_view Name() const override { return "TextForm"; }
  TextBox m_box{*this, ControlDesign{"txt", {}, nullptr, "", 0, 0, 1200, 300, 0}, TextBoxStyle{}};
};

TEST(FormWindow, TypingReachesTheModelWithTheCaretInCharacters) {
  fake::CallLog log;
  fake::FakeWindowing windowing(log);
  TextForm form;
  FormWindow window(form, windowing);
  auto* edit = qobject_cast<QLineEdit*>(window.WidgetOf(form.m_box));
  edit->setFocus();
  QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString::fromUtf8("\xF0\xA0\xAE\xB7"),
                      Qt::NoModifier);  // a kanji beyond 16 bits (two UTF-16 units), then an x
  QTest::keyClicks(edit, "x");
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClicks(edit, "y");
  EXPECT_EQ(form.m_box.Text(), "\xF0\xA0\xAE\xB7yx");
  EXPECT_EQ(form.m_box.SelStart(), 2);
  form.m_box.SetText("from the program");
  EXPECT_EQ(edit->text(), "from the program");
  EXPECT_EQ(edit->cursorPosition(), 0);
}

// A window whose button's handler throws what it is given.
class ThrowingForm final : public Form {
 public:
  explicit ThrowingForm(std::function<void()> thrower) : Form({"Throwing", 1500, 1500, nullptr}) {
    m_button.OnClick(std::move(thrower));
  }
  [[nodiscard]] std::string_view Name() const override { return "ThrowingForm"; }
  CommandButton m_button{
      *this,
      {.name = "cmd", .caption = "Go", .width = 600, .height = 300, .tabIndex = 0},
      ButtonRole::Plain};
};

// Nothing a handler throws may cross Qt's code: our errors, running out of memory and any
// other exception alike are reported in a box and end the program.
TEST(FormWindow, WhateverNoHandlerCaughtIsReportedAndEndsTheProgram) {
  const std::vector<std::pair<std::function<void()>, std::string>> cases{
      {[] { throw Error(91, "nobody caught this"); },
       "Err.Number:\t91\rErr.Description:\tnobody caught this"},
      {[] { throw std::bad_alloc(); },
       "Err.Number:\t7\rErr.Description:\t" +
           std::string(StandardDescription(ErrorNumber::OutOfMemory))},
      {[] { (void)std::vector<int>().at(3); }, "Err.Number:\t51\rErr.Description:\t"},
  };
  for (const auto& [thrower, report] : cases) {
    fake::CallLog log;
    fake::FakeWindowing windowing(log);
    ThrowingForm form(thrower);
    FormWindow window(form, windowing);
    QTest::mouseClick(qobject_cast<QPushButton*>(window.WidgetOf(form.m_button)), Qt::LeftButton);
    ASSERT_EQ(windowing.MessageBoxes().size(), 1U);
    EXPECT_THAT(windowing.MessageBoxes().front().text, ::testing::StartsWith(report));
    EXPECT_TRUE(windowing.Ended());
  }
}

}  // namespace
}  // namespace mirablot::qt
