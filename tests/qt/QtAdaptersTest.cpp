// SPDX-License-Identifier: MIT
// The clipboard, question box and printer adapters, on the offscreen platform.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/fake/FakePicture.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPicture.h"
#include "platform/qt/QtPrinter.h"
#include "platform/qt/QtWindowing.h"

namespace mirablot::qt {
namespace {

QImage TestImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  return image;
}

TEST(QtClipboard, PictureOnTheClipboardBecomesThePicture) {
  QGuiApplication::clipboard()->setImage(TestImage(30, 20));
  QtClipboard clipboard;
  const Picture picture = clipboard.FetchBitmap(ClipboardFormat::Bitmap);
  ASSERT_FALSE(picture.IsEmpty());
  EXPECT_EQ(picture.Width(), 30);
  EXPECT_EQ(picture.Height(), 20);
  ASSERT_NE(ImageOf(picture), nullptr);
  EXPECT_EQ(ImageOf(picture)->pixel(0, 0), qRgb(255, 0, 0));
}

TEST(QtClipboard, OwnerOfferingOnlyABitmapFileStillGivesThePicture) {
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  TestImage(12, 8).save(&buffer, "BMP");
  auto* data = new QMimeData;
  data->setData("image/bmp", bmp);
  QGuiApplication::clipboard()->setMimeData(data);

  const Picture picture = QtClipboard().FetchBitmap(ClipboardFormat::Bitmap);
  EXPECT_EQ(picture.Width(), 12);
  EXPECT_EQ(picture.Height(), 8);
}

TEST(QtClipboard, TextGivesTheEmptyPictureWithoutAnError) {
  QGuiApplication::clipboard()->setText("not a picture");
  EXPECT_TRUE(QtClipboard().FetchBitmap(ClipboardFormat::Bitmap).IsEmpty());
  QGuiApplication::clipboard()->clear();
  EXPECT_TRUE(QtClipboard().FetchBitmap(ClipboardFormat::Bitmap).IsEmpty());
}

TEST(QtPicture, OnlyPicturesMadeFromImagesHaveAnImage) {
  EXPECT_EQ(ImageOf(fake::MakePicture(3, 3)), nullptr);
  EXPECT_EQ(ImageOf(Picture()), nullptr);
  EXPECT_TRUE(MakePicture(QImage()).IsEmpty());
}

TEST(QtWindowing, QuestionBoxIsACriticalYesNoBoxDefaultingToNo) {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString defaultButton;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
    box->button(QMessageBox::Yes)->click();
  });
  QtWindowing windowing(1);
  const MsgBoxResult answer =
      windowing.MsgBox({"Mirablot Error", "a\tb\rc\r\rd", MsgBoxButtons::YesNo,
                        MsgBoxIcon::Critical, MsgBoxDefault::Second});
  EXPECT_EQ(answer, MsgBoxResult::Yes);
  EXPECT_EQ(title, "Mirablot Error");
  EXPECT_EQ(text, "a\tb\nc\n\nd");
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(
      defaultButton,
      QMessageBox(QMessageBox::NoIcon, "", "", QMessageBox::No).button(QMessageBox::No)->text());
}

TEST(QtWindowing, EscapeAnswersNo) {
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    box->reject();
  });
  QtWindowing windowing(1);
  EXPECT_EQ(windowing.MsgBox(
                {"t", "x", MsgBoxButtons::YesNo, MsgBoxIcon::Critical, MsgBoxDefault::Second}),
            MsgBoxResult::No);
}

TEST(QtPrinter, NoDefaultPrinterIsAClearError) {
  // Nothing listens on this port: CUPS has no destination to offer.
  qputenv("CUPS_SERVER", "localhost:9");
  QtPrinter printer;
  try {
    (void)printer.PageWidth();
    ADD_FAILURE() << "a page width without a printer";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), static_cast<int>(ErrorNumber::NoPrinter));
    EXPECT_NE(error.Description().find("既定のプリンターがありません"), std::string::npos);
  }
  EXPECT_THROW(printer.NewPage(), Error);
  EXPECT_THROW(printer.AbortDocument(), Error);  // nothing open to abort
  qunsetenv("CUPS_SERVER");
}

TEST(QtPrinter, LandscapeMarginsTurnWithThePage) {
  // Sheet margins left 1, top 2, right 3, bottom 4: the landscape page's left edge is the
  // sheet's bottom edge, its top edge the sheet's left edge.
  EXPECT_EQ(LandscapeMargins(QMarginsF(1, 2, 3, 4)), QMarginsF(4, 1, 2, 3));
}

}  // namespace
}  // namespace mirablot::qt
