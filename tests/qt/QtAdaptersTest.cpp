// SPDX-License-Identifier: MIT
// The clipboard, picture and question box adapters, on the offscreen platform (the question
// box's buttons in Japanese: the end-to-end case question_box_in_japanese).
#include <chrono>
#include <functional>
#include <tuple>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "MemoryStream.h"
#include "core/Error.h"
#include "pdf/PdfPicture.h"
#include "platform/posix/PictureSources.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPicture.h"
#include "platform/qt/QtWindowing.h"
#include "ports/SelectionReader.h"

namespace mirablot::qt {
namespace {

QImage TestImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  return image;
}

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

// A clipboard owner offering types in a given order; records what was asked for. A type
// without contents is refused.
class FakeSelection final : public SelectionReader {
 public:
  struct Offer {
    std::string type;
    std::optional<QByteArray> contents;
  };
  FakeSelection(std::vector<Offer> offers, std::vector<std::string>& fetched)
      : SelectionReader({}), m_offers(std::move(offers)), m_fetched(fetched) {}

  std::vector<std::string> Types() override {
    std::vector<std::string> types;
    for (const Offer& offer : m_offers) {
      types.push_back(offer.type);
    }
    return types;
  }
  std::unique_ptr<ByteStream> Open(const std::string& type) override {
    m_fetched.push_back(type);
    for (const Offer& offer : m_offers) {
      if (offer.type == type && offer.contents) {
        return std::make_unique<testing::MemoryStream>(
            std::vector<std::uint8_t>(offer.contents->begin(), offer.contents->end()));
      }
    }
    return nullptr;
  }

 private:
  std::vector<Offer> m_offers;
  std::vector<std::string>& m_fetched;
};

// The clipboard reading through a fresh FakeSelection of these offers, as a print reads it.
struct ReaderClipboard {
  explicit ReaderClipboard(std::vector<FakeSelection::Offer> offers)
      : clipboard(
            [this, offers](const SelectionLimits& limits) {
              budget = limits.maxBytes;
              return std::make_unique<FakeSelection>(offers, fetched);
            },
            DecodeImage, posix::Reading::Streamed) {}
  std::vector<std::string> fetched;
  std::size_t budget = 0;
  posix::ClipboardPictures clipboard;
};

TEST(ClipboardPictures, PngIsTakenFirstThenTheOwnersOtherImageTypesInItsOrder) {
  const QImage image = TestImage(6, 4);
  ReaderClipboard reader({{"text/plain", "hello"},
                          {"image/jpeg", Encoded(image, "JPEG")},
                          {"image/bmp", Encoded(image, "BMP")},
                          {"image/png", Encoded(image, "PNG")}});
  const Picture picture = reader.clipboard.FetchBitmap();
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_THAT(reader.fetched, ::testing::ElementsAre("image/png"));
  // The reader was opened with the decoding budget as its size limit.
  EXPECT_GE(reader.budget, std::size_t{64} << 20);
  // A refused or undecodable type falls to the next image type.
  ReaderClipboard fallBack({{"image/png", std::nullopt},
                            {"image/tiff", QByteArray("not a tiff")},
                            {"image/bmp", Encoded(image, "BMP")}});
  EXPECT_EQ(fallBack.clipboard.FetchBitmap().Height(), 4);
  EXPECT_THAT(fallBack.fetched, ::testing::ElementsAre("image/png", "image/tiff", "image/bmp"));
  // Text or files: the empty picture, never fetched.
  ReaderClipboard text({{"text/plain", "hello"}, {"text/uri-list", "file:///etc/hostname"}});
  EXPECT_TRUE(text.clipboard.FetchBitmap().IsEmpty());
  EXPECT_TRUE(text.fetched.empty());
}

// When none decodes, the error is the first failure's.
TEST(ClipboardPictures, AFewDozenImageTypesAreTriedEachOnce) {
  std::vector<FakeSelection::Offer> offers(5, {"image/bmp", QByteArray("not a bitmap")});
  for (int i = 0; i < 5000; ++i) {
    offers.push_back({"image/x-" + std::to_string(i), QByteArray("junk")});
  }
  ReaderClipboard reader(std::move(offers));
  EXPECT_EQ(testing::ErrorOf([&] { (void)reader.clipboard.FetchBitmap(); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
  EXPECT_EQ(reader.fetched.size(), 32U);
  EXPECT_EQ(std::count(reader.fetched.begin(), reader.fetched.end(), "image/bmp"), 1);
}

TEST(QtClipboard, WithoutAReaderQtsOwnClipboardIsRead) {
  QGuiApplication::clipboard()->setImage(TestImage(30, 20));
  const Picture picture = QtClipboard().FetchBitmap();
  const pdf::RgbImage* rgb = pdf::RgbOf(picture);
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(picture.Width(), 30);
  EXPECT_EQ(picture.Height(), 20);
  EXPECT_THAT(std::vector<std::uint8_t>(rgb->rgb.begin(), rgb->rgb.begin() + 6),
              ::testing::ElementsAre(255, 0, 0, 0, 128, 128));  // red, then dark cyan
  EXPECT_TRUE(rgb->alpha.empty());

  auto* data = new QMimeData;  // an owner offering only a bitmap file
  data->setData("image/bmp", Encoded(TestImage(12, 8), "BMP"));
  QGuiApplication::clipboard()->setMimeData(data);
  EXPECT_EQ(QtClipboard().FetchBitmap().Width(), 12);

  QGuiApplication::clipboard()->setText("not a picture");
  EXPECT_TRUE(QtClipboard().FetchBitmap().IsEmpty());
  QGuiApplication::clipboard()->clear();
  EXPECT_TRUE(QtClipboard().FetchBitmap().IsEmpty());
}

TEST(QtPicture, RowsArePackedAndOpacityIsKeptOnlyWhereSomePixelIsSeeThrough) {
  // 3 pixels a row: QImage pads each RGB888 row to 12 bytes, the picture keeps 9.
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(qRgba(10, 20, 30, 255));
  const Picture opaque = MakePicture(image);
  EXPECT_TRUE(pdf::RgbOf(opaque)->alpha.empty());
  EXPECT_EQ(pdf::RgbOf(opaque)->rgb.size(), 18U);
  image.setPixel(2, 1, qRgba(0, 0, 0, 0));
  const Picture seeThrough = MakePicture(image);
  const pdf::RgbImage* translucent = pdf::RgbOf(seeThrough);
  ASSERT_EQ(translucent->alpha.size(), 6U);
  EXPECT_EQ(translucent->alpha[5], 0);
  EXPECT_EQ(translucent->alpha[4], 255);
  EXPECT_TRUE(MakePicture(QImage()).IsEmpty());
}

// Acts on the next modal box once it is up. A box that never comes fails the test and closes
// whatever modal window there is instead, so that nothing is left waiting.
void OnNextBox(std::function<void(QMessageBox&)> act) {
  auto* timer = new QTimer;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), until] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      act(*box);
    } else if (std::chrono::steady_clock::now() < until) {
      return;
    } else {
      ADD_FAILURE() << "no message box came up";
      if (modal != nullptr) {
        modal->close();
      }
    }
    timer->stop();
    timer->deleteLater();
  });
  timer->start(10);
}

TEST(QtWindowing, QuestionBoxIsACriticalYesNoBoxDefaultingToNoThatEscapeAnswers) {
  // The box's title, text and icon, and whether No is its default button.
  std::tuple<QString, QString, QMessageBox::Icon, bool> shown;
  OnNextBox([&](QMessageBox& box) {
    shown = {box.windowTitle(), box.text(), box.icon(),
             box.defaultButton() == box.button(QMessageBox::No)};
    box.button(QMessageBox::Yes)->click();
  });
  QtWindowing windowing(1);
  const MessageBoxRequest question{"Mirablot Error", "a\tb\rc\r\rd", MsgBoxButtons::YesNo,
                                   MsgBoxDefault::Second};
  EXPECT_EQ(windowing.MsgBox(question), MsgBoxResult::Yes);
  EXPECT_EQ(shown, std::tuple(QString("Mirablot Error"), QString("a\tb\nc\n\nd"),
                              QMessageBox::Critical, true));
  OnNextBox([](QMessageBox& box) { box.reject(); });
  EXPECT_EQ(windowing.MsgBox(question), MsgBoxResult::No);
}

}  // namespace
}  // namespace mirablot::qt
