// SPDX-License-Identifier: MIT
#include "QtPrinter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <QDir>
#include <QPageSize>
#include <QTemporaryFile>
#include <cups/cups.h>

#include "QtPicture.h"
#include "platform/Conversions.h"
#include "platform/Error.h"
#include "platform/Picture.h"
#include "platform/cups/JobOptions.h"
#include "platform/pdf/PdfWriter.h"

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

// The medium of that name. libcups 2.4 matches some "custom_" names to another size (a PPD's A5,
// custom_148.52x209.9mm, came back as 17 x 11 in): a medium found by name counts only when its
// size is the one the name says, else the medium of that size is taken.
bool MediaNamed(cups_dest_t* dest, cups_dinfo_t* info, const char* name, cups_size_t& size) {
  const pwg_media_t* pwg = pwgMediaForPWG(name);
  if (pwg == nullptr) {
    pwg = pwgMediaForLegacy(name);  // "A4", "Letter", as in older lpoptions
  }
  // Copied: libcups keeps a custom size in one buffer, which the look-up below reuses.
  const std::optional<std::pair<int, int>> named =
      pwg != nullptr ? std::optional(std::pair(pwg->width, pwg->length)) : std::nullopt;
  constexpr int kTolerance = 100;  // hundredths of a millimetre: PPD sizes are whole points
  if (cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest, info, name, CUPS_MEDIA_FLAGS_DEFAULT,
                             &size) != 0 &&
      (!named || (std::abs(size.width - named->first) <= kTolerance &&
                  std::abs(size.length - named->second) <= kTolerance))) {
    return true;
  }
  return named && cupsGetDestMediaBySize(CUPS_HTTP_DEFAULT, dest, info, named->first, named->second,
                                         CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
}

// The destination's default medium: the user's own choice (lpoptions) first, then the printer's
// default as IPP reports it, then whatever libcups proposes.
bool DefaultMedia(cups_dest_t* dest, cups_dinfo_t* info, cups_size_t& size) {
  if (info == nullptr) {
    return false;
  }
  if (const char* chosen = cupsGetOption("media", dest->num_options, dest->options);
      chosen != nullptr && MediaNamed(dest, info, chosen, size)) {
    return true;
  }
  if (ipp_attribute_t* media = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media")) {
    const char* name = ippGetString(media, 0, nullptr);
    if (name != nullptr && MediaNamed(dest, info, name, size)) {
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

// Whether every pixel of an Alpha8 image is fully opaque.
bool IsOpaque(const QImage& alpha) {
  for (int y = 0; y < alpha.height(); ++y) {
    const uchar* row = alpha.constScanLine(y);
    if (std::any_of(row, row + alpha.width(), [](uchar a) { return a != 0xff; })) {
      return false;
    }
  }
  return true;
}

}  // namespace

QMarginsF LandscapeMargins(const QMarginsF& sheetMargins) {
  return {sheetMargins.bottom(), sheetMargins.left(), sheetMargins.top(), sheetMargins.right()};
}

QtPrinter::QtPrinter() = default;

QtPrinter::~QtPrinter() {
  if (m_writer) {
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
    // Exactly the medium CUPS reports: Qt would otherwise round it to a standard size it knows.
    pageSize = QPageSize(QSizeF(points(size.width), points(size.length)), QPageSize::Point,
                         QString(), QPageSize::ExactMatch);
    m_media = size.media;
    m_sheetMargins = {points(size.left), points(size.top), points(size.right), points(size.bottom)};
  }
  m_layout = QPageLayout(pageSize, QPageLayout::Portrait, m_sheetMargins, QPageLayout::Point);
  Orient(DefaultsToLandscape(dest.get(), info.get()));
  m_destination = dest->name;
  m_instance = dest->instance != nullptr ? dest->instance : "";
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
  Orient(orientation == Orientation::Landscape);  // for the pages still to come
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
  if (!m_writer) {
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/mirablot-XXXXXX.pdf");
    if (!file->open()) {
      throw Error(ErrorNumber::PrinterError,
                  "印刷データの一時ファイルを作れません: " + file->errorString().toStdString());
    }
    m_output.reset(std::fopen(file->fileName().toLocal8Bit().constData(), "wb"));
    if (!m_output) {
      throw Error(ErrorNumber::PrinterError,
                  "印刷データの一時ファイルを開けません: " + file->fileName().toStdString());
    }
    m_file = std::move(file);
    m_writer = std::make_unique<pdf::PdfWriter>(m_output.get());
  }
  const QSizeF page = m_layout.fullRect(QPageLayout::Point).size();
  m_writer->BeginPage(page.width(), page.height());
  m_landscapePage = m_layout.orientation() == QPageLayout::Landscape;
}

void QtPrinter::RequireDocument() const {
  if (!m_writer) {
    throw Error(ErrorNumber::PrinterError, "印刷ドキュメントが開始されていません。");
  }
}

void QtPrinter::DrawPicture(const Picture& picture, float x, float y, float width, float height) {
  RequireDocument();
  if (!std::isfinite(x) || !std::isfinite(y)) {
    throw Error(ErrorNumber::InvalidCall);
  }
  const QRectF area = PrintableArea();
  const auto draw = [&](const pdf::FlateImage& image) {
    m_writer->DrawImage(image, area.left() + x / kTwipsPerPoint, area.top() + y / kTwipsPerPoint,
                        CheckedExtent(width) / kTwipsPerPoint,
                        CheckedExtent(height) / kTwipsPerPoint);
  };
  if (const pdf::PngImage* png = PngOf(picture)) {
    draw({png->header.width, png->header.height, png->header.Channels(), png->data, {}});
    return;
  }
  const QImage* image = ImageOf(picture);
  if (image == nullptr || image->isNull()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  const auto deflate = [](const QImage& rows, int bytesPerPixel) {
    return pdf::DeflateRows(rows.constBits(), static_cast<std::uint32_t>(rows.height()),
                            static_cast<std::size_t>(rows.width()) * bytesPerPixel,
                            static_cast<std::size_t>(rows.bytesPerLine()), bytesPerPixel);
  };
  const std::vector<std::uint8_t> colour =
      deflate(image->convertToFormat(QImage::Format_RGB888), 3);
  std::vector<std::uint8_t> opacity;
  if (image->hasAlphaChannel()) {
    const QImage alpha = image->convertToFormat(QImage::Format_Alpha8);
    if (!IsOpaque(alpha)) {
      opacity = deflate(alpha, 1);
    }
  }
  pdf::FlateImage flate{static_cast<std::uint32_t>(image->width()),
                        static_cast<std::uint32_t>(image->height()),
                        3,
                        {colour},
                        {}};
  if (!opacity.empty()) {
    flate.opacity = {opacity};
  }
  draw(flate);
}

void QtPrinter::EndDocument() {
  RequireDocument();
  m_writer->Finish(kJobTitle);
  m_writer.reset();
  const bool written = std::fclose(m_output.release()) == 0;
  // The temporary file stays until CUPS has read it.
  const std::unique_ptr<QTemporaryFile> file = std::move(m_file);
  if (!written) {
    throw Error(ErrorNumber::PrinterError,
                "印刷データを書き出せません: " + file->fileName().toStdString());
  }
  Submit(file->fileName());
}

void QtPrinter::Submit(const QString& path) {
  const DestinationPtr dest{cupsGetNamedDest(CUPS_HTTP_DEFAULT, m_destination.c_str(),
                                             m_instance.empty() ? nullptr : m_instance.c_str())};
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
  std::vector<cups::JobOption> destination;
  for (const cups_option_t& option : std::span(dest->options, dest->num_options)) {
    destination.push_back({option.name, option.value});
  }
  cups_option_t* options = nullptr;
  int count = 0;
  for (const cups::JobOption& option : cups::JobOptions(destination, m_media, m_landscapePage)) {
    count = cupsAddOption(option.name.c_str(), option.value.c_str(), count, &options);
  }
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
  m_writer.reset();
  m_output.reset();
  m_file.reset();  // the PDF is deleted unsent
}

}  // namespace mirablot::qt
