// SPDX-License-Identifier: MIT
#include "QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>

#include "QtPicture.h"
#include "platform/Error.h"

namespace mirablot::qt {
namespace {
// Qt refuses to decode pictures above 128 MB, which an 8K screenshot already is (7680 x 4320 x 4).
constexpr int kDecodeLimitMegabytes = 1024;
}  // namespace

QtClipboard::QtClipboard() {
  QImageReader::setAllocationLimit(kDecodeLimitMegabytes);
}

Picture QtClipboard::FetchBitmap(ClipboardFormat format) {
  if (format != ClipboardFormat::Bitmap) {
    throw Error(ErrorNumber::InvalidCall);
  }
  const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (data == nullptr) {
    return {};
  }
  if (data->hasImage()) {
    QImage image = qvariant_cast<QImage>(data->imageData());
    if (!image.isNull()) {
      return MakePicture(std::move(image));
    }
  }
  // Some owners offer only types that Qt does not map to an image on its own (image/bmp, ...).
  for (const QString& type : data->formats()) {
    if (!type.startsWith(QLatin1String("image/"))) {
      continue;
    }
    QImage image;
    if (image.loadFromData(data->data(type))) {
      return MakePicture(std::move(image));
    }
  }
  return {};
}

}  // namespace mirablot::qt
