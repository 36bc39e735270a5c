// SPDX-License-Identifier: MIT
#include "QtClipboard.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <utility>

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QSet>

#include "QtPicture.h"
#include "QtText.h"
#include "core/Error.h"
#include "pdf/PdfPicture.h"

namespace mirablot::qt {
namespace {

constexpr std::size_t kMegabyte = std::size_t{1} << 20;
constexpr std::size_t kSmallestBudget = 64 * kMegabyte;

// MemAvailable from /proc/meminfo, or nothing where the kernel does not tell.
std::optional<std::size_t> AvailableMemory() {
  QFile meminfo(QStringLiteral("/proc/meminfo"));
  if (!meminfo.open(QIODevice::ReadOnly | QIODevice::Text)) {
    return std::nullopt;
  }
  while (!meminfo.atEnd()) {
    const QByteArray line = meminfo.readLine();
    if (line.startsWith("MemAvailable:")) {
      bool ok = false;
      const qulonglong kilobytes = line.mid(13).trimmed().split(' ').value(0).toULongLong(&ok);
      if (ok) {
        return static_cast<std::size_t>(kilobytes) * 1024;
      }
    }
  }
  return std::nullopt;
}

// How large a decoded picture may be. Printing holds the pixels about three times over (the
// decoded picture, its converted copy and the compressed page), so a third of the memory the
// machine has free keeps the job clear of the OOM killer while letting multi-monitor
// screenshots through.
std::size_t DecodeBudget() {
  const std::size_t available = AvailableMemory().value_or(3 * 1024 * kMegabyte);
  return std::max(available / 3, kSmallestBudget);
}

// The budget, which Qt's readers keep too: their own limit (128 MB) would refuse an 8K
// screenshot, and ours is checked before decoding.
std::size_t PrepareDecoding() {
  const std::size_t budget = DecodeBudget();
  QImageReader::setAllocationLimit(
      static_cast<int>(std::min<std::size_t>(budget / kMegabyte + 1, INT_MAX)));
  return budget;
}

// A picture whose decoded pixels would not fit the budget is refused with its size.
void RequireWithinBudget(std::uint64_t width, std::uint64_t height, std::size_t budget) {
  if (width * height * 4 > budget) {
    throw Error(ErrorNumber::OutOfMemory, "画像が大きすぎて印刷できません (" +
                                              std::to_string(width) + " × " +
                                              std::to_string(height) + " ピクセル)。");
  }
}

// Makes a picture of image data (of a MIME type, or a file's name, as a hint to Qt's reader,
// which looks at the content too). A PNG that a PDF can carry is only checked, not decoded;
// anything else is decoded. A picture too large for the budget and data that does not decode
// are Errors naming `what`, so the user learns why nothing printed.
Picture Decode(std::vector<std::uint8_t> bytes, const QString& type, std::size_t budget,
               const std::string& what) {
  if (const std::optional<pdf::PngHeader> png = pdf::ReadPngHeader(bytes)) {
    RequireWithinBudget(png->width, png->height, budget);
    if (pdf::PdfCanCarry(*png)) {
      return pdf::MakePngPicture(std::move(bytes));
    }
  }
  QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&view);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer,
                      type.section(QLatin1Char('/'), 1).section(QLatin1Char('.'), -1).toLatin1());
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (size.isValid()) {
    RequireWithinBudget(static_cast<std::uint64_t>(size.width()),
                        static_cast<std::uint64_t>(size.height()), budget);
  }
  QImage image;
  if (!reader.read(&image)) {
    throw Error(ErrorNumber::InvalidPicture,
                what + " を読み取れません: " + reader.errorString().toStdString());
  }
  return MakePicture(image);
}

// An owner may offer any number of types; trying a few dozen finds a picture if any will.
constexpr qsizetype kMostTypesTried = 32;

// The image types to try, most faithful first: PNG, then the owner's other image types, each
// once.
QStringList ImageTypes(const QStringList& offered) {
  QStringList types;
  QSet<QString> seen;
  if (offered.contains(QLatin1String("image/png"))) {
    types.append(QStringLiteral("image/png"));
    seen.insert(types.back());
  }
  for (const QString& type : offered) {
    if (types.size() == kMostTypesTried) {
      break;
    }
    if (type.startsWith(QLatin1String("image/")) && !seen.contains(type)) {
      seen.insert(type);
      types.append(type);
    }
  }
  return types;
}

// Decodes the first offered image that decodes; when some were offered and none decoded, the
// first failure is the Error.
template <typename FetchType>
Picture FirstDecodable(const QStringList& offered, std::size_t budget, FetchType fetch) {
  std::optional<Error> firstFailure;
  for (const QString& type : ImageTypes(offered)) {
    std::optional<std::vector<std::uint8_t>> bytes = fetch(type);
    if (!bytes) {
      continue;
    }
    try {
      return Decode(std::move(*bytes), type, budget,
                    "クリップボードの画像 (" + type.toStdString() + ")");
    } catch (const Error& error) {
      if (error.Number() == static_cast<int>(ErrorNumber::OutOfMemory)) {
        throw;
      }
      firstFailure = firstFailure.value_or(error);
    }
  }
  if (firstFailure) {
    throw *firstFailure;
  }
  return {};
}

Picture FromReader(SelectionReader& reader, std::size_t budget) {
  QStringList offered;
  for (const std::string& type : reader.Types()) {
    offered.append(ToQString(type));
  }
  return FirstDecodable(offered, budget,
                        [&](const QString& type) { return reader.Fetch(type.toStdString()); });
}

// Without a reader of our own (the offscreen platform, say), through Qt's clipboard.
Picture FromQtClipboard(std::size_t budget) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (data == nullptr) {
    return {};
  }
  Picture picture = FirstDecodable(data->formats(), budget, [&](const QString& type) {
    const QByteArray bytes = data->data(type);
    return std::optional<std::vector<std::uint8_t>>(std::in_place, bytes.begin(), bytes.end());
  });
  if (picture.IsEmpty() && data->hasImage()) {
    picture = MakePicture(qvariant_cast<QImage>(data->imageData()));
  }
  return picture;
}

}  // namespace

QtClipboard::QtClipboard(SelectionOpener open, std::function<void()> start)
    : m_open(std::move(open)), m_start(std::move(start)) {}

Picture QtClipboard::FetchBitmap() {
  const std::size_t budget = PrepareDecoding();
  if (m_open) {
    const std::unique_ptr<SelectionReader> reader = m_open({.maxBytes = budget});
    return FromReader(*reader, budget);
  }
  if (m_start) {
    m_start();
  }
  return FromQtClipboard(budget);
}

Picture PictureFile::FetchBitmap() {
  const std::size_t budget = PrepareDecoding();
  const bool standardInput = m_path == "-";
  const std::string what = standardInput ? "標準入力の画像" : "ファイル " + m_path;
  const int fd = standardInput ? STDIN_FILENO : ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw Error(errno == ENOENT ? ErrorNumber::FileNotFound : ErrorNumber::FileAccess,
                what + " を開けません: " + std::strerror(errno));
  }
  const struct Close {
    int fd;
    bool owned;
    ~Close() {
      if (owned) {
        ::close(fd);
      }
    }
  } close{fd, !standardInput};
  // Standard input is read for as long as it is open: a capture tool waits for the user.
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
  for (;;) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      throw Error(ErrorNumber::FileAccess, what + " を読めません: " + std::strerror(errno));
    }
    if (got == 0) {
      break;
    }
    if (bytes.size() + static_cast<std::size_t>(got) > budget) {
      throw Error(ErrorNumber::OutOfMemory, what + " は大きすぎて印刷できません。");
    }
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  return Decode(std::move(bytes), ToQString(m_path), budget, what);
}

}  // namespace mirablot::qt
