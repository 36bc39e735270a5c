// SPDX-License-Identifier: MIT
// Widget and adapter tests run on Qt's offscreen platform with a throwaway settings folder, so
// they need no display and never touch the user's settings.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  // QSettings takes its folder from here on first use.
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
