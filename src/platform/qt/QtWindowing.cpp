// SPDX-License-Identifier: MIT
#include "QtWindowing.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>

#include "QtFormWindow.h"
#include "QtText.h"
#include "forms/Form.h"

namespace mirablot::qt {
namespace {

// Our texts separate lines with lone carriage returns; a label breaks lines at line feeds.
QString ToDisplayText(const std::string& text) {
  QString result = ToQString(text);
  result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

}  // namespace

QtWindowing::QtWindowing(int endStatus, std::function<void()> start)
    : WindowingLayer(endStatus), m_start(std::move(start)) {}

void QtWindowing::Start() const {
  if (m_start) {
    m_start();
  }
}

QtWindowing::~QtWindowing() = default;

MsgBoxResult QtWindowing::AskUser(const MessageBoxRequest& request) {
  Start();
  const bool yesNo = request.buttons == MsgBoxButtons::YesNo;
  // Not destroyed on the way out: a box the compositor closes is still being torn down by Qt's
  // Wayland event thread, and destroying it at once can crash ("destroying locked mutex"). It
  // goes with the next turn of the event loop, if there is one, or with the process.
  auto* box =
      new QMessageBox(QMessageBox::Critical, ToQString(request.title), ToDisplayText(request.text),
                      yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  if (yesNo) {
    box->setDefaultButton(request.defaultButton == MsgBoxDefault::Second ? QMessageBox::No
                                                                         : QMessageBox::Yes);
    box->setEscapeButton(QMessageBox::No);
  }
  box->exec();
  box->hide();
  box->deleteLater();
  switch (box->standardButton(box->clickedButton())) {
    case QMessageBox::Yes:
      return MsgBoxResult::Yes;
    case QMessageBox::No:
      return MsgBoxResult::No;
    default:
      return yesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
  }
}

void QtWindowing::CreateWindowFor(Form& form) {
  Start();
  m_windows.Add(form, std::make_unique<FormWindow>(form, *this));
}

void QtWindowing::Present(const Form& form) {
  if (FormWindow* window = WindowOf(form)) {
    window->show();
    window->raise();
    window->activateWindow();
  }
}

void QtWindowing::Retire(const Form& form) {
  m_windows.Retire(form);
}

void QtWindowing::Quit(int status) {
  QCoreApplication::exit(status);
}

FormWindow* QtWindowing::WindowOf(const Form& form) const {
  return m_windows.Of(form);
}

}  // namespace mirablot::qt
