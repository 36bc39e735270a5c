// SPDX-License-Identifier: MIT
// The settings window as real Qt widgets (offscreen): the renderers' contract through Qt's test
// events, and what only the Qt dialog does.
#include <cmath>
#include <string>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "FormWindowContract.h"
#include "platform/qt/QtFormWindow.h"

namespace mirablot::qt {
namespace {

using testing::FormWindowContract;

class WidgetDriver final : public testing::FormDriver {
 public:
  WidgetDriver(Form& form, Windowing& windowing) : m_window(form, windowing) {}

  void Show() override { m_window.show(); }
  void Click(const Control& control) override { QTest::mouseClick(Of(control), Qt::LeftButton); }
  void Type(const Control& edit, int start, int end, const std::string& text) override {
    qobject_cast<QLineEdit*>(Of(edit))->setSelection(start, end - start);
    for (const char32_t character : QString::fromUtf8(text).toUcs4()) {
      QTest::sendKeyEvent(QTest::Click, Of(edit), Qt::Key_unknown, QString::fromUcs4(&character, 1),
                          Qt::NoModifier);
    }
  }
  void Press(Key key, const Control& focus) override {
    Of(focus)->setFocus();
    QTest::keyClick(Of(focus), key == Key::Return   ? Qt::Key_Return
                               : key == Key::Escape ? Qt::Key_Escape
                                                    : Qt::Key_Down);
  }
  void Close() override { m_window.close(); }
  std::string Shows(const Control& control) override {
    QWidget* widget = Of(control);
    QString shown;
    if (const auto* edit = qobject_cast<QLineEdit*>(widget)) {
      shown = edit->text().insert(edit->cursorPosition(), '|');
    } else if (const auto* list = qobject_cast<QComboBox*>(widget)) {
      shown = QString::number(list->currentIndex());
    } else {
      const auto* check = qobject_cast<QCheckBox*>(widget);
      shown = check != nullptr && check->checkState() == Qt::PartiallyChecked ? "2"
              : qobject_cast<QAbstractButton*>(widget)->isChecked()           ? "1"
                                                                              : "0";
    }
    return (widget->isEnabled() ? shown : '(' + shown + ')').toStdString();
  }
  std::array<int, 4> Place(const Control& control) override {
    const QPoint corner = Of(control)->mapTo(&m_window, QPoint(0, 0));
    return {corner.x(), corner.y(), Of(control)->width(), Of(control)->height()};
  }
  std::array<int, 2> ClientSize() override { return {m_window.width(), m_window.height()}; }
  bool HasFocus(const Control& control) override { return m_window.focusWidget() == Of(control); }
  bool TabsTo(const Control& from, const Control& to) override {
    return Of(from)->nextInFocusChain() == Of(to);
  }
  // Over its frame, and over the siblings made or raised before it.
  bool Above(const Control& upper, const Control& lower) override {
    const QObjectList& stack = Of(upper)->parentWidget()->children();
    return Of(lower)->isAncestorOf(Of(upper)) ||
           (Of(lower)->parentWidget() == Of(upper)->parentWidget() &&
            stack.indexOf(Of(lower)) < stack.indexOf(Of(upper)));
  }

 private:
  QWidget* Of(const Control& control) const { return m_window.WidgetOf(control); }

  FormWindow m_window;
};

class SettingsWindowWidgetTest : public testing::SettingsWindowFixture {
 protected:
  FormWindow m_window{m_form, m_windowing};
};

// The model cuts the margin to five characters too; the box keeps a sixth from showing at all.
TEST_F(SettingsWindowWidgetTest, AFixedDialogWithIconDefaultButtonAndFiveDigitRightAlignedMargin) {
  EXPECT_EQ(m_window.minimumSize(), m_window.maximumSize());
  EXPECT_FALSE(m_window.windowIcon().isNull());
  EXPECT_TRUE(qobject_cast<QPushButton*>(m_window.WidgetOf(m_form.cmdAct(0)))->isDefault());
  EXPECT_FALSE(qobject_cast<QPushButton*>(m_window.WidgetOf(m_form.cmdAct(1)))->isDefault());
  const auto* margin = qobject_cast<QLineEdit*>(m_window.WidgetOf(m_form.txtSpace()));
  EXPECT_EQ(margin->maxLength(), 5);
  EXPECT_EQ(margin->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

// Captions laid out for Windows' dialog font can be a few pixels wider in the fonts here: each
// that the design shows (a box no wider than its mark shows none) shows whole, its control
// widened to the right, in place.
TEST_F(SettingsWindowWidgetTest, EveryCaptionShowsWhole) {
  for (const Control* control : m_form.Controls()) {
    const std::string& name = control->Design().name;
    if (name == "optOrientation" || name == "chkZoom") {
      const QWidget* button = m_window.WidgetOf(*control);
      EXPECT_GE(button->width(), button->sizeHint().width()) << name;
      EXPECT_EQ(button->pos(), QPoint(static_cast<int>(std::lround(control->Left() / 15)),
                                      static_cast<int>(std::lround(control->Top() / 15))));
    }
  }
}

TEST_F(SettingsWindowWidgetTest, PreviewPicturesShowAtNaturalSizeInABlackBorder) {
  const QImage shown = m_window.WidgetOf(m_form.Imgp(1))->grab().toImage();
  EXPECT_EQ(shown.pixelColor(0, 0), Qt::black);    // the border
  EXPECT_EQ(shown.pixelColor(5, 10), Qt::black);   // row 10 starts with a 25-pixel dash
  EXPECT_EQ(shown.pixelColor(26, 10), Qt::white);  // ... and a gap at 25 to 27
  EXPECT_EQ(shown.pixelColor(5, 11), Qt::white);
  EXPECT_EQ(shown.pixelColor(10, 20), Qt::black);  // row 20: (3, 15)
}

}  // namespace
}  // namespace mirablot::qt

std::unique_ptr<mirablot::testing::FormDriver> mirablot::testing::OpenWindow(Form& form,
                                                                             Windowing& windowing) {
  return std::make_unique<qt::WidgetDriver>(form, windowing);
}
