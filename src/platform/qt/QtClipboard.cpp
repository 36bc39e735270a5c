// SPDX-License-Identifier: MIT
#include "QtClipboard.h"

#include <algorithm>
#include <climits>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>

#include "QtPicture.h"
#include "QtText.h"
#include "core/Error.h"
#include "pdf/RgbImage.h"
#include "platform/posix/PictureSources.h"

namespace mirablot::qt {

Picture DecodeImage(std::vector<std::uint8_t> bytes, const std::string& hint, std::size_t budget,
                    const std::string& what) {
  // Qt's readers keep the budget too: their own limit (128 MB) would refuse an 8K screenshot,
  // and ours is checked before decoding.
  constexpr std::size_t kMegabyte = std::size_t{1} << 20;
  QImageReader::setAllocationLimit(
      static_cast<int>(std::min<std::size_t>(budget / kMegabyte + 1, INT_MAX)));
  QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&view);
  buffer.open(QIODevice::ReadOnly);
  const QString type = ToQString(hint);
  QImageReader reader(&buffer,
                      type.section(QLatin1Char('/'), 1).section(QLatin1Char('.'), -1).toLatin1());
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (size.isValid()) {
    pdf::RequireWithinBudget(static_cast<std::uint64_t>(size.width()),
                             static_cast<std::uint64_t>(size.height()), budget);
  }
  QImage image;
  if (!reader.read(&image)) {
    throw Error(ErrorNumber::InvalidPicture,
                what + " を読み取れません: " + reader.errorString().toStdString());
  }
  return MakePicture(image);
}

Picture QtClipboard::FetchBitmap() {
  if (m_start) {
    m_start();
  }
  const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (data == nullptr) {
    return {};
  }
  const std::size_t budget = posix::DecodeBudget();
  std::vector<std::string> offered;
  for (const QString& type : data->formats()) {
    offered.push_back(type.toStdString());
  }
  Picture picture = posix::FirstPicture(offered, [&](const std::string& type) {
    const QByteArray bytes = data->data(ToQString(type));
    return posix::PictureOfBytes({bytes.begin(), bytes.end()}, type, budget,
                                 "クリップボードの画像 (" + type + ")", DecodeImage);
  });
  if (picture.IsEmpty() && data->hasImage()) {
    picture = MakePicture(qvariant_cast<QImage>(data->imageData()));
  }
  return picture;
}

}  // namespace mirablot::qt
