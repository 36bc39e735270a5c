// SPDX-License-Identifier: MIT
#include "QtPrinter.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#include <QDir>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <cups/cups.h>

#include "QtPicture.h"
#include "QtScreenMetrics.h"
#include "platform/Conversions.h"
#include "platform/Error.h"
#include "platform/Picture.h"

namespace mirablot::qt {
namespace {

constexpr double kTwipsPerPoint = 20.0;
constexpr double kPointsPerHundredthMillimetre = 72.0 / 2540.0;
constexpr const char* kJobTitle = "Mirablot";
constexpr const char* kFallbackMedia = "iso_a4_210x297mm";

struct DestinationDeleter {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct InfoDeleter {
  void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using DestinationPtr = std::unique_ptr<cups_dest_t, DestinationDeleter>;
using InfoPtr = std::unique_ptr<cups_dinfo_t, InfoDeleter>;

std::string CupsMessage() {
  const char* message = cupsLastErrorString();
  return message != nullptr ? message : "";
}

// The destination's default medium: the user's own choice (lpoptions) first, then the printer's
// default as IPP reports it, then whatever libcups proposes.
bool DefaultMedia(cups_dest_t* dest, cups_dinfo_t* info, cups_size_t& size) {
  if (info == nullptr) {
    return false;
  }
  if (const char* chosen = cupsGetOption("media", dest->num_options, dest->options);
      chosen != nullptr && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, chosen,
                                                  CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0) {
    return true;
  }
  if (ipp_attribute_t* media = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media")) {
    const char* name = ippGetString(media, 0, nullptr);
    if (name != nullptr && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, name,
                                                  CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0) {
      return true;
    }
  }
  return cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) !=
         0;
}

// IPP orientation-requested: 4 landscape, 5 reverse landscape.
bool DefaultsToLandscape(cups_dest_t* dest, cups_dinfo_t* info) {
  int value = cupsGetIntegerOption("orientation-requested", dest->num_options, dest->options);
  if (value == INT_MIN && info != nullptr) {
    if (ipp_attribute_t* attribute =
            cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "orientation-requested")) {
      value = ippGetInteger(attribute, 0);
    }
  }
  return value == 4 || value == 5;
}

}  // namespace

QMarginsF LandscapeMargins(const QMarginsF& sheetMargins) {
  return {sheetMargins.bottom(), sheetMargins.left(), sheetMargins.top(), sheetMargins.right()};
}

QtPrinter::QtPrinter() = default;

QtPrinter::~QtPrinter() {
  if (m_painter.isActive()) {
    CloseDocument();
  }
}

void QtPrinter::Resolve() {
  if (m_resolved) {
    return;
  }
  const DestinationPtr dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr));
  if (!dest) {
    std::string description =
        "既定のプリンターがありません。CUPS で既定のプリンターを設定してください。";
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
      description += " (CUPS: " + CupsMessage() + ")";
    }
    throw Error(ErrorNumber::NoPrinter, description);
  }
  const InfoPtr info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
  cups_size_t size{};
  QPageSize pageSize(QPageSize::A4);
  m_media = kFallbackMedia;
  m_sheetMargins = {};
  if (DefaultMedia(dest.get(), info.get(), size)) {
    const auto points = [](int hundredths) { return hundredths * kPointsPerHundredthMillimetre; };
    pageSize = QPageSize(QSizeF(points(size.width), points(size.length)), QPageSize::Point);
    m_media = size.media;
    m_sheetMargins = {points(size.left), points(size.top), points(size.right), points(size.bottom)};
  }
  m_layout = QPageLayout(pageSize, QPageLayout::Portrait, m_sheetMargins, QPageLayout::Point);
  Orient(DefaultsToLandscape(dest.get(), info.get()));
  m_destination = dest->name;
  m_resolved = true;
}

QRectF QtPrinter::PrintableArea() {
  Resolve();
  return m_layout.paintRect(QPageLayout::Point);
}

double QtPrinter::PageWidth() {
  return PrintableArea().width() * kTwipsPerPoint;
}

double QtPrinter::PageHeight() {
  return PrintableArea().height() * kTwipsPerPoint;
}

void QtPrinter::SetOrientation(Orientation orientation) {
  if (orientation != Orientation::Portrait && orientation != Orientation::Landscape) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  Resolve();
  Orient(orientation == Orientation::Landscape);
  if (m_printer) {
    m_printer->setPageLayout(m_layout);  // for the pages still to come
  }
}

void QtPrinter::Orient(bool landscape) {
  m_layout.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  m_layout.setMargins(landscape ? LandscapeMargins(m_sheetMargins) : m_sheetMargins);
}

Orientation QtPrinter::GetOrientation() {
  Resolve();
  return m_layout.orientation() == QPageLayout::Landscape ? Orientation::Landscape
                                                          : Orientation::Portrait;
}

void QtPrinter::NewPage() {
  Resolve();
  if (m_painter.isActive()) {
    if (!m_printer->newPage()) {
      throw Error(ErrorNumber::PrinterError, "新しいページを始められません。");
    }
    return;
  }
  auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/mirablot-XXXXXX.pdf");
  if (!file->open()) {
    throw Error(ErrorNumber::PrinterError,
                "印刷データの一時ファイルを作れません: " + file->errorString().toStdString());
  }
  // A printer without a destination renders to PDF and never talks to CUPS itself.
  auto printer = std::make_unique<QPrinter>(QPrinterInfo(), QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(file->fileName());
  printer->setDocName(kJobTitle);
  printer->setCreator(kJobTitle);
  if (!printer->setPageLayout(m_layout) || !m_painter.begin(printer.get())) {
    throw Error(ErrorNumber::PrinterError, "印刷を開始できません。");
  }
  // Lossless, so that a screenshot is never JPEG-compressed on its way to the paper.
  m_painter.setRenderHint(QPainter::LosslessImageRendering);
  // From here on the painter measures in twips from the printable area's top-left.
  const double scale = printer->resolution() / kTwipsPerInch;
  m_painter.scale(scale, scale);
  m_file = std::move(file);
  m_printer = std::move(printer);
}

void QtPrinter::RequireDocument() const {
  if (!m_painter.isActive()) {
    throw Error(ErrorNumber::PrinterError, "印刷ドキュメントが開始されていません。");
  }
}

void QtPrinter::DrawPicture(const Picture& picture, float x, float y, float width, float height) {
  RequireDocument();
  const QImage* image = ImageOf(picture);
  if (image == nullptr || image->isNull()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  if (!std::isfinite(x) || !std::isfinite(y)) {
    throw Error(ErrorNumber::InvalidCall);
  }
  m_painter.drawImage(QRectF(x, y, CheckedExtent(width), CheckedExtent(height)), *image);
}

void QtPrinter::EndDocument() {
  RequireDocument();
  const bool written = m_painter.end();
  const QString path = m_file->fileName();
  // The temporary file stays until CUPS has read it.
  const std::unique_ptr<QTemporaryFile> file = std::move(m_file);
  m_printer.reset();
  if (!written) {
    throw Error(ErrorNumber::PrinterError, "印刷データを書き出せません: " + path.toStdString());
  }
  Submit(path);
}

void QtPrinter::Submit(const QString& path) {
  const DestinationPtr dest{cupsGetNamedDest(CUPS_HTTP_DEFAULT, m_destination.c_str(), nullptr)};
  if (!dest) {
    // Removed while the document was being drawn.
    const ipp_status_t status = cupsLastError();
    throw Error(status > IPP_STATUS_OK_EVENTS_COMPLETE
                    ? static_cast<std::int32_t>(status)
                    : static_cast<std::int32_t>(ErrorNumber::NoPrinter),
                "プリンター " + m_destination + " が見つかりません: " + CupsMessage());
  }
  // A stopped queue would accept the job and keep it: the user would wait for a sheet that
  // never comes. Say so instead.
  const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
  if (state != nullptr && std::atoi(state) == IPP_PSTATE_STOPPED) {
    const char* reasons = cupsGetOption("printer-state-reasons", dest->num_options, dest->options);
    throw Error(ErrorNumber::PrinterError, "プリンター " + m_destination + " は停止しています (" +
                                               (reasons != nullptr ? reasons : "") + ")。");
  }
  cups_option_t* options = nullptr;
  const int count = cupsAddOption("media", m_media.c_str(), 0, &options);
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, m_destination.c_str(),
                                 path.toLocal8Bit().constData(), kJobTitle, count, options);
  cupsFreeOptions(count, options);
  if (job == 0) {
    throw Error(static_cast<std::int32_t>(cupsLastError()),
                "プリンター " + m_destination + " が印刷を受け付けませんでした: " + CupsMessage());
  }
}

void QtPrinter::AbortDocument() {
  RequireDocument();
  CloseDocument();
}

void QtPrinter::CloseDocument() {
  m_painter.end();
  m_printer.reset();
  m_file.reset();  // the PDF is deleted unsent
}

}  // namespace mirablot::qt
