// SPDX-License-Identifier: MIT
#include "QtFormWindow.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>

#include "QtScreenMetrics.h"
#include "QtText.h"
#include "core/Bitmap.h"
#include "forms/ErrorHandling.h"
#include "forms/Form.h"
#include "forms/Utf16Caret.h"
#include "ports/Windowing.h"

namespace mirablot::qt {
namespace {

QImage ToImage(const Bitmap& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_Indexed8);
  QList<QRgb> colours;
  for (const std::uint32_t colour : bitmap.palette) {
    colours.push_back(colour);
  }
  image.setColorTable(colours);
  for (int y = 0; y < bitmap.height; ++y) {
    for (int x = 0; x < bitmap.width; ++x) {
      image.setPixel(x, y, bitmap.At(x, y));
    }
  }
  return image;
}

// Each widget below leaves its state to the model: a click asks the control, and the window
// then mirrors whatever the control decided.
class OptionWidget final : public QRadioButton {
 public:
  OptionWidget(OptionButton& control, FormWindow& window, QWidget* parent)
      : QRadioButton(ToQString(control.Design().caption), parent),
        m_control(control),
        m_window(window) {
    setAutoExclusive(false);  // the model keeps the group exclusive, and may select none
  }

 protected:
  void nextCheckState() override {
    m_window.Forward([this] { m_control.Click(); });
  }

 private:
  OptionButton& m_control;
  FormWindow& m_window;
};

class CheckWidget final : public QCheckBox {
 public:
  CheckWidget(CheckBox& control, FormWindow& window, QWidget* parent)
      : QCheckBox(ToQString(control.Design().caption), parent),
        m_control(control),
        m_window(window) {
    setTristate(true);  // to show a greyed state loaded from the settings
  }

 protected:
  void nextCheckState() override {
    m_window.Forward([this] { m_control.Click(); });
  }

 private:
  CheckBox& m_control;
  FormWindow& m_window;
};

class PictureWidget final : public QWidget {
 public:
  PictureWidget(const Bitmap& picture, QWidget* parent)
      : QWidget(parent), m_picture(ToImage(picture)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  // The picture at natural size from the top-left corner, cut off at the edges, inside a
  // one-pixel flat black border.
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  QImage m_picture;
};

}  // namespace

FormWindow::FormWindow(Form& form, Windowing& windowing)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      m_form(form),
      m_windowing(windowing) {
  const QScreen* screen = UserScreen();
  m_twipsPerPixel = kTwipsPerInch / (screen != nullptr ? screen->logicalDotsPerInch() : 96.0);
  const FormDesign& design = form.Design();
  setWindowTitle(ToQString(design.caption));
  if (design.icon != nullptr) {
    setWindowIcon(QIcon(QPixmap::fromImage(ToImage(*design.icon))));
  }
  setFixedSize(Pixels(design.clientWidth), Pixels(design.clientHeight));
  Build();
  ArrangeTabOrder();
  if (screen != nullptr) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

FormWindow::~FormWindow() {
  Detach();
}

int FormWindow::Pixels(float twips) const {
  return static_cast<int>(std::lround(twips / m_twipsPerPixel));
}

QRect FormWindow::PixelRect(const Control& control) const {
  return {Pixels(control.Left()), Pixels(control.Top()), Pixels(control.Width()),
          Pixels(control.Height())};
}

QWidget* FormWindow::WidgetOf(const Control& control) const {
  const auto found = m_widgets.find(&control);
  return found != m_widgets.end() ? found->second : nullptr;
}

void FormWindow::Build() {
  std::vector<QWidget*> pictures;
  for (Control* control : m_form.Controls()) {
    QWidget* parent = control->Design().container != nullptr
                          ? m_widgets.at(control->Design().container)
                          : static_cast<QWidget*>(this);
    QWidget* widget = nullptr;
    VisitControl(
        *control,
        Overloaded{
            [&](GroupBox& box) { widget = new QGroupBox(ToQString(box.Design().caption), parent); },
            [&](OptionButton& option) { widget = new OptionWidget(option, *this, parent); },
            [&](CheckBox& check) { widget = new CheckWidget(check, *this, parent); },
            [&](ComboBox& list) {
              auto* combo = new QComboBox(parent);
              for (const std::string& item : list.Items()) {
                combo->addItem(ToQString(item));
              }
              connect(combo, &QComboBox::activated, this, [this, &list](int index) {
                Forward([&list, index] { list.Choose(static_cast<std::int16_t>(index)); });
              });
              widget = combo;
            },
            [&](TextBox& box) {
              auto* edit = new QLineEdit(parent);
              const TextBoxStyle& style = box.Style();
              if (style.maxLength > 0) {
                edit->setMaxLength(style.maxLength);
              }
              edit->setAlignment(style.alignment == TextAlignment::Right    ? Qt::AlignRight
                                 : style.alignment == TextAlignment::Center ? Qt::AlignHCenter
                                                                            : Qt::AlignLeft);
              edit->setAttribute(Qt::WA_InputMethodEnabled, style.inputMethod);
              connect(edit, &QLineEdit::textEdited, this, [this, &box, edit](const QString& text) {
                const auto caret =
                    CharactersBefore(Utf16(text), static_cast<std::size_t>(edit->cursorPosition()));
                Forward([&box, &text, caret] {
                  box.Edit(text.toStdString(), static_cast<int>(caret));
                });
              });
              widget = edit;
            },
            [&](CommandButton& command) {
              auto* button = new QPushButton(ToQString(command.Design().caption), parent);
              button->setDefault(command.Role() == ButtonRole::Default);
              connect(button, &QPushButton::clicked, this,
                      [this, &command] { Forward([&command] { command.Press(); }); });
              widget = button;
            },
            [&](ImageBox& image) {
              widget = new PictureWidget(image.Picture(), parent);
              pictures.push_back(widget);
            },
        });
    m_widgets.emplace(control, widget);
    for (const ControlProperty property : {ControlProperty::Value, ControlProperty::Caret,
                                           ControlProperty::Enabled, ControlProperty::Geometry}) {
      Mirror(*control, property);
    }
    control->SetObserver([this, control](ControlProperty property) { Mirror(*control, property); });
  }
  // Pictures lie beneath the other controls of their frame, later ones above earlier ones.
  for (auto picture = pictures.rbegin(); picture != pictures.rend(); ++picture) {
    (*picture)->lower();
  }
  for (const auto& [control, widget] : m_widgets) {
    FitCaption(*control, widget);
  }
}

// Captions are laid out for Windows' dialog font; the fonts here may need a few more pixels.
// A check box or option button whose design shows its caption grows to the right, as far as
// its container has room that no other control takes. (One no wider than its box shows no
// caption on Windows either, and stays so.)
void FormWindow::FitCaption(const Control& control, QWidget* widget) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  if (button == nullptr || qobject_cast<QPushButton*>(button) != nullptr) {
    return;
  }
  const bool option = qobject_cast<QRadioButton*>(button) != nullptr;
  const QStyle* style = button->style();
  const int box =
      style->pixelMetric(option ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth,
                         nullptr, button) +
      style->pixelMetric(
          option ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr,
          button);
  QRect rect = PixelRect(control);
  const int wanted = button->sizeHint().width();
  if (rect.width() <= box || wanted <= rect.width()) {
    return;
  }
  const QWidget* container = button->parentWidget();
  int room = container->contentsRect().right() + 1 - rect.left();
  for (const QObject* child : container->children()) {
    const auto* other = qobject_cast<const QWidget*>(child);
    if (other != nullptr && other != button && other->x() > rect.right() &&
        other->geometry().top() <= rect.bottom() && other->geometry().bottom() >= rect.top()) {
      room = std::min(room, other->x() - rect.left());
    }
  }
  rect.setWidth(std::clamp(wanted, rect.width(), std::max(room, rect.width())));
  button->setGeometry(rect);
}

void FormWindow::Mirror(const Control& control, ControlProperty property) {
  QWidget* widget = WidgetOf(control);
  if (widget == nullptr) {
    return;
  }
  const QSignalBlocker blocker(widget);
  switch (property) {
    case ControlProperty::Enabled:
      widget->setEnabled(control.Enabled());
      return;
    case ControlProperty::Geometry:
      widget->setGeometry(PixelRect(control));
      FitCaption(control, widget);
      return;
    case ControlProperty::Value:
    case ControlProperty::Caret:
      break;
  }
  VisitControl(control, Overloaded{
                            [widget](const OptionButton& option) {
                              static_cast<QRadioButton*>(widget)->setChecked(option.Value());
                            },
                            [widget](const CheckBox& check) {
                              const std::int16_t value = check.Value();
                              static_cast<QCheckBox*>(widget)->setCheckState(
                                  value == CheckBox::kChecked  ? Qt::Checked
                                  : value == CheckBox::kGrayed ? Qt::PartiallyChecked
                                                               : Qt::Unchecked);
                            },
                            [widget](const ComboBox& list) {
                              static_cast<QComboBox*>(widget)->setCurrentIndex(list.ListIndex());
                            },
                            [widget](const TextBox& box) {
                              auto* edit = static_cast<QLineEdit*>(widget);
                              const QString text = ToQString(box.Text());
                              if (edit->text() != text) {
                                edit->setText(text);
                              }
                              edit->setCursorPosition(static_cast<int>(UnitsBefore(
                                  Utf16(text), static_cast<std::size_t>(box.SelStart()))));
                            },
                            [](const Control& /*rest*/) {},
                        });
}

void FormWindow::ArrangeTabOrder() {
  std::vector<std::pair<int, QWidget*>> order;
  for (const auto& [control, widget] : m_widgets) {
    if (control->Design().tabIndex && widget->focusPolicy() != Qt::NoFocus) {
      order.emplace_back(*control->Design().tabIndex, widget);
    }
  }
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < order.size(); ++i) {
    QWidget::setTabOrder(order[i - 1].second, order[i].second);
  }
  // Focus starts on the first control in the tab order that can take it.
  const auto first = std::find_if(order.begin(), order.end(),
                                  [](const auto& entry) { return entry.second->isEnabled(); });
  if (first != order.end()) {
    first->second->setFocus();
  }
}

void FormWindow::Detach() {
  if (!m_attached) {
    return;
  }
  m_attached = false;
  for (Control* control : m_form.Controls()) {
    control->SetObserver({});
  }
}

void FormWindow::Forward(const std::function<void()>& input) {
  HandleUserInput(m_windowing, input);
}

void FormWindow::closeEvent(QCloseEvent* event) {
  if (!m_attached || !isVisible()) {
    event->accept();
    return;
  }
  // The close box unloads the form; hiding is the windowing layer's business.
  event->ignore();
  Forward([this] { m_windowing.Unload(m_form); });
}

void FormWindow::reject() {
  // Escape presses the cancel button, as a click would.
  if (CommandButton* cancel = ButtonWithRole(m_form, ButtonRole::Cancel)) {
    Forward([cancel] { cancel->Press(); });
    return;
  }
  Forward([this] { m_windowing.Unload(m_form); });
}

}  // namespace mirablot::qt
