// SPDX-License-Identifier: MIT
#include "QtWindowing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>

#include "QtFormWindow.h"
#include "platform/Error.h"
#include "platform/ErrorHandling.h"
#include "platform/Form.h"

namespace mirablot::qt {
namespace {

// Our texts separate lines with lone carriage returns; a label breaks lines at line feeds.
QString ToDisplayText(const std::string& text) {
  QString result = QString::fromStdString(text);
  result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

}  // namespace

QtWindowing::QtWindowing(int endStatus) : m_endStatus(endStatus) {}

QtWindowing::~QtWindowing() = default;

MsgBoxResult QtWindowing::MsgBox(const MessageBoxRequest& request) {
  const bool yesNo = request.buttons == MsgBoxButtons::YesNo;
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(request.title),
                  ToDisplayText(request.text),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  // Started from a launcher, stderr goes to the session's log: the failure is on record there
  // too, one line per box.
  std::fprintf(stderr, "%s: %s\n", request.title.c_str(),
               ToDisplayText(request.text)
                   .replace(QLatin1Char('\n'), QLatin1Char(' '))
                   .toUtf8()
                   .constData());
  if (yesNo) {
    box.setDefaultButton(request.defaultButton == MsgBoxDefault::Second ? QMessageBox::No
                                                                        : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  }
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return MsgBoxResult::Yes;
    case QMessageBox::No:
      return MsgBoxResult::No;
    default:
      return yesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
  }
}

void QtWindowing::Show(Form& form) {
  if (std::find(m_loaded.begin(), m_loaded.end(), &form) == m_loaded.end()) {
    m_loaded.push_back(&form);
    form.Form_Load();
    m_windows[&form] = std::make_unique<FormWindow>(form, *this);
  }
  FormWindow* window = WindowOf(form);
  if (window != nullptr && !m_ended) {
    window->show();
    window->raise();
    window->activateWindow();
  }
}

void QtWindowing::Unload(Form& form) {
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  if (cancel != 0 || m_ended) {
    return;
  }
  m_loaded.erase(std::remove(m_loaded.begin(), m_loaded.end(), &form), m_loaded.end());
  if (const auto found = m_windows.find(&form); found != m_windows.end()) {
    found->second->Detach();
    found->second->hide();
    // The window may be handling the very event that unloads it: delete it later.
    found->second.release()->deleteLater();
    m_windows.erase(found);
  }
}

void QtWindowing::End() {
  m_ended = true;
  for (const auto& [form, window] : m_windows) {
    window->Detach();
    window->hide();
  }
  m_loaded.clear();
  QCoreApplication::exit(m_endStatus);
}

FormWindow* QtWindowing::WindowOf(const Form& form) const {
  const auto found = m_windows.find(&form);
  return found != m_windows.end() ? found->second.get() : nullptr;
}

}  // namespace mirablot::qt
