// SPDX-License-Identifier: MIT
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "platform/qt/QtSettingsBackend.h"

namespace mirablot::qt {
namespace {

class QtSettingsBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { QDir(Folder()).removeRecursively(); }

  static QString Folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Quillery";
  }
  static QString File() { return Folder() + "/Quillery.conf"; }

  // The user edits the file by hand, a moment after anything written before.
  static void HandWrite(const char* contents) {
    QDir().mkpath(Folder());
    QFile file(File());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.flush();
    file.setFileTime(QDateTime::currentDateTime().addSecs(2), QFileDevice::FileModificationTime);
  }

  static QByteArray Contents() {
    QFile file(File());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QtSettingsBackend m_backend;
};

TEST_F(QtSettingsBackendTest, KeepsStringsInTheStartupGroupOfTheQuilleryFile) {
  m_backend.WriteAll("Quillery", "Startup",
                     {{"Orientation", "2"}, {"SpaceMM", "20"}, {"Zoom", ""}});

  EXPECT_EQ(Contents(), "[Startup]\nOrientation=2\nSpaceMM=20\nZoom=\n");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Orientation"), "2");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Zoom"), "");  // stored, though empty
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "PositionH"), std::nullopt);
  EXPECT_EQ(m_backend.Read("Quillery", "Other", "Orientation"), std::nullopt);
}

// Edited while running, over what the program saved.
TEST_F(QtSettingsBackendTest, HandEditedValuesComeBackAsWritten) {
  m_backend.WriteAll("Quillery", "Startup", {{"Zoom", "0"}});
  HandWrite(
      "[Other]\nSpaceMM=9\n"
      "[Startup]\n"
      "SpaceMM=1,5\n"
      "PositionH = 1, 2 \n"
      "Zoom=\"1\"\n"
      "Orientation=\"0,1\"\n"
      "PositionV=@ByteArray(1)\n"
      "Space0=中央\n");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "SpaceMM"), "1,5");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "PositionH"), "1, 2");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Zoom"), "1");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Orientation"), "0,1");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "PositionV"), "@ByteArray(1)");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Space0"), "中央");
}

TEST_F(QtSettingsBackendTest, UnparsableFileReadsAsWhatItCouldParse) {
  HandWrite("[Startup]\nZoom=1\n[Startup");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Zoom"), "1");
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Orientation"), std::nullopt);
  // Saving over it gives a file that parses.
  m_backend.WriteAll("Quillery", "Startup", {{"Orientation", "2"}});
  EXPECT_EQ(m_backend.Read("Quillery", "Startup", "Orientation"), "2");
  EXPECT_EQ(Contents(), "[Startup]\nOrientation=2\nZoom=1\n");
}

TEST_F(QtSettingsBackendTest, StoreThatCannotBeUsedIsAnError) {
  QDir().mkpath(File());  // a folder where the file should be
  const auto write = [this] { m_backend.WriteAll("Quillery", "Startup", {{"Zoom", "1"}}); };
  EXPECT_EQ(testing::ErrorOf(write), static_cast<int>(ErrorNumber::FileAccess));
  EXPECT_THAT(write, ::testing::ThrowsMessage<Error>(::testing::HasSubstr("Quillery.conf")));
  EXPECT_THROW((void)m_backend.Read("Quillery", "Startup", "Zoom"), Error);
}

}  // namespace
}  // namespace mirablot::qt
