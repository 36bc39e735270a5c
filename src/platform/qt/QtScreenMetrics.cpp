// SPDX-License-Identifier: MIT
#include "QtScreenMetrics.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "core/Error.h"

namespace mirablot::qt {

QScreen* UserScreen() {
  QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

QScreen& QtScreenMetrics::Current() {
  if (m_start) {
    m_start();
  }
  QScreen* screen = UserScreen();
  if (screen == nullptr) {
    throw Error(ErrorNumber::InvalidCall, "画面の情報を取得できません。");
  }
  return *screen;
}

double QtScreenMetrics::Width() {
  const QScreen& screen = Current();
  return screen.geometry().width() * kTwipsPerInch / screen.logicalDotsPerInchX();
}

double QtScreenMetrics::Height() {
  const QScreen& screen = Current();
  return screen.geometry().height() * kTwipsPerInch / screen.logicalDotsPerInchY();
}

double QtScreenMetrics::TwipsPerPixelX() {
  const QScreen& screen = Current();
  return kTwipsPerInch / (screen.logicalDotsPerInchX() * screen.devicePixelRatio());
}

double QtScreenMetrics::TwipsPerPixelY() {
  const QScreen& screen = Current();
  return kTwipsPerInch / (screen.logicalDotsPerInchY() * screen.devicePixelRatio());
}

}  // namespace mirablot::qt
