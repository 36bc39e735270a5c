// SPDX-License-Identifier: MIT
#include "CupsPrinter.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

#include <cups/cups.h>

#include "JobOptions.h"
#include "core/Conversions.h"
#include "core/Error.h"
#include "core/Picture.h"
#include "pdf/PdfPicture.h"
#include "pdf/PdfWriter.h"

namespace mirablot::cups {
namespace {

constexpr double kTwipsPerPoint = 20.0;
constexpr double kPointsPerHundredthMillimetre = 72.0 / 2540.0;
constexpr const char* kJobTitle = "Mirablot";
constexpr const char* kFallbackMedia = "iso_a4_210x297mm";
// ISO A4 in points, when CUPS knows no medium at all.
constexpr double kFallbackWidth = 595.28;
constexpr double kFallbackHeight = 841.89;

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

// The medium of that PWG name. libcups 2.4 matches some "custom_" names to another size (a
// PPD's A5, custom_148.52x209.9mm, came back as 17 x 11 in): a medium found by name counts only
// when its size is the one the name says, else the medium of that size is taken.
bool MediaNamed(cups_dest_t* dest, cups_dinfo_t* info, const char* name, cups_size_t& size) {
  const pwg_media_t* pwg = pwgMediaForPWG(name);
  if (pwg == nullptr) {
    pwg = pwgMediaForLegacy(name);  // "iso-a4", "na-letter", as IPP printers once reported
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

enum class MediaFound { Nowhere, UsersChoice, PrintersDefault };

// The medium to print on: the user's own choice (lpoptions) first, then the printer's default
// as IPP reports it, then whatever libcups proposes.
MediaFound PaperOf(cups_dest_t* dest, cups_dinfo_t* info, const ChosenMedia& chosen,
                   cups_size_t& size) {
  if (info == nullptr) {
    return MediaFound::Nowhere;
  }
  if (!chosen.size.empty() && MediaNamed(dest, info, chosen.size.c_str(), size)) {
    return MediaFound::UsersChoice;
  }
  if (ipp_attribute_t* media = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media")) {
    const char* name = ippGetString(media, 0, nullptr);
    if (name != nullptr && MediaNamed(dest, info, name, size)) {
      return MediaFound::PrintersDefault;
    }
  }
  return cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) !=
                 0
             ? MediaFound::PrintersDefault
             : MediaFound::Nowhere;
}

std::vector<JobOption> OptionsOf(const cups_dest_t& dest) {
  std::vector<JobOption> options;
  for (const cups_option_t& option : std::span(dest.options, dest.num_options)) {
    options.push_back({option.name, option.value});
  }
  return options;
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

// A temporary file of our own for the document: TMPDIR, else /tmp.
std::string MakeDocumentFile(std::FILE*& output) {
  const char* folder = std::getenv("TMPDIR");
  std::string path =
      std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/mirablot-XXXXXX.pdf";
  const int fd = ::mkstemps(path.data(), 4);
  if (fd < 0) {
    throw Error(ErrorNumber::PrinterError, "印刷データの一時ファイルを作れません: " + path + " (" +
                                               std::strerror(errno) + ")");
  }
  output = ::fdopen(fd, "wb");
  if (output == nullptr) {
    ::close(fd);
    ::unlink(path.c_str());
    throw Error(ErrorNumber::PrinterError, "印刷データの一時ファイルを開けません: " + path);
  }
  return path;
}

}  // namespace

Margins LandscapeMargins(const Margins& sheet) {
  return {sheet.bottom, sheet.left, sheet.top, sheet.right};
}

CupsPrinter::CupsPrinter() = default;

CupsPrinter::~CupsPrinter() {
  CloseDocument();
}

void CupsPrinter::Choose(const PrintChoices& choices) {
  m_choices = choices;
  m_resolved = false;
}

void CupsPrinter::Resolve() {
  if (m_resolved) {
    return;
  }
  if (!m_choices.printer.empty()) {
    // NAME or NAME/INSTANCE, as lp -d takes it.
    const std::size_t slash = m_choices.printer.find('/');
    m_destination = m_choices.printer.substr(0, slash);
    m_instance = slash != std::string::npos ? m_choices.printer.substr(slash + 1) : "";
  }
  const DestinationPtr dest(cupsGetNamedDest(
      CUPS_HTTP_DEFAULT, m_choices.printer.empty() ? nullptr : m_destination.c_str(),
      m_instance.empty() || m_choices.printer.empty() ? nullptr : m_instance.c_str()));
  if (!dest && !m_choices.printer.empty()) {
    throw Error(ErrorNumber::NoPrinter,
                "プリンター " + m_choices.printer + " がありません (CUPS: " + CupsMessage() + ")");
  }
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
  m_media = kFallbackMedia;
  m_sheetWidth = kFallbackWidth;
  m_sheetHeight = kFallbackHeight;
  m_sheetMargins = {};
  const ChosenMedia chosen = ChooseMedia(OptionsOf(*dest));
  if (const MediaFound found = PaperOf(dest.get(), info.get(), chosen, size);
      found != MediaFound::Nowhere) {
    // Exactly the medium CUPS reports, in points. The user's media value names it as lp would
    // send it, with the paper source and type they chose.
    const auto points = [](int hundredths) { return hundredths * kPointsPerHundredthMillimetre; };
    m_media = found == MediaFound::UsersChoice && !chosen.media.empty() ? chosen.media : size.media;
    m_sheetWidth = points(size.width);
    m_sheetHeight = points(size.length);
    m_sheetMargins = {points(size.left), points(size.top), points(size.right), points(size.bottom)};
  }
  m_landscape = DefaultsToLandscape(dest.get(), info.get());
  m_destination = dest->name;
  m_instance = dest->instance != nullptr ? dest->instance : "";
  m_resolved = true;
}

CupsPrinter::Area CupsPrinter::PrintableArea() {
  Resolve();
  const double width = m_landscape ? m_sheetHeight : m_sheetWidth;
  const double height = m_landscape ? m_sheetWidth : m_sheetHeight;
  const Margins margins = m_landscape ? LandscapeMargins(m_sheetMargins) : m_sheetMargins;
  return {margins.left, margins.top, width - margins.left - margins.right,
          height - margins.top - margins.bottom};
}

double CupsPrinter::PageWidth() {
  return PrintableArea().width * kTwipsPerPoint;
}

double CupsPrinter::PageHeight() {
  return PrintableArea().height * kTwipsPerPoint;
}

void CupsPrinter::SetOrientation(Orientation orientation) {
  if (orientation != Orientation::Portrait && orientation != Orientation::Landscape) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  Resolve();
  m_landscape = orientation == Orientation::Landscape;  // for the pages still to come
}

Orientation CupsPrinter::GetOrientation() {
  Resolve();
  return m_landscape ? Orientation::Landscape : Orientation::Portrait;
}

void CupsPrinter::NewPage() {
  Resolve();
  if (!m_writer) {
    std::FILE* output = nullptr;
    m_path = MakeDocumentFile(output);
    m_output.reset(output);
    m_writer = std::make_unique<pdf::PdfWriter>(m_output.get());
  }
  m_landscapePage = m_landscape;
  m_writer->BeginPage(m_landscape ? m_sheetHeight : m_sheetWidth,
                      m_landscape ? m_sheetWidth : m_sheetHeight);
}

void CupsPrinter::RequireDocument() const {
  if (!m_writer) {
    throw Error(ErrorNumber::PrinterError, "印刷ドキュメントが開始されていません。");
  }
}

void CupsPrinter::DrawPicture(const Picture& picture, float x, float y, float width, float height) {
  DrawPictureRows(picture, 0, picture.Height(), x, y, width, height);
}

void CupsPrinter::DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                                  float width, float height) {
  RequireDocument();
  if (picture.IsEmpty()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  if (!std::isfinite(x) || !std::isfinite(y) || rows <= 0 || firstRow < 0 ||
      firstRow + rows > picture.Height()) {
    throw Error(ErrorNumber::InvalidCall);
  }
  const Area area = PrintableArea();
  const double left = area.left + x / kTwipsPerPoint;
  const double top = area.top + y / kTwipsPerPoint;
  const double shownWidth = CheckedExtent(width) / kTwipsPerPoint;
  const double shownHeight = CheckedExtent(height) / kTwipsPerPoint;
  const int image = ImageOf(picture);
  if (rows == picture.Height()) {
    m_writer->DrawImage(image, left, top, shownWidth, shownHeight);
    return;
  }
  // The whole picture, placed so that the slice's rows fill the rectangle, and clipped to it.
  const double rowHeight = shownHeight / rows;
  m_writer->DrawImage(image, left, top - firstRow * rowHeight, shownWidth,
                      rowHeight * picture.Height(), std::array{left, top, shownWidth, shownHeight});
}

int CupsPrinter::ImageOf(const Picture& picture) {
  if (const auto found = m_images.find(picture.Pixels()); found != m_images.end()) {
    return found->second;
  }
  int number = 0;
  if (const pdf::PngImage* png = pdf::PngOf(picture)) {
    number = m_writer->AddImage(
        {png->header.width, png->header.height, png->header.Channels(), png->data, {}});
  } else if (const pdf::RgbImage* image = pdf::RgbOf(picture)) {
    const auto deflate = [image](const std::vector<std::uint8_t>& rows, int bytesPerPixel) {
      const std::size_t rowBytes =
          std::size_t{image->width} * static_cast<std::size_t>(bytesPerPixel);
      return pdf::DeflateRows(rows.data(), image->height, rowBytes, rowBytes, bytesPerPixel);
    };
    const std::vector<std::uint8_t> colour = deflate(image->rgb, 3);
    std::vector<std::uint8_t> opacity;
    if (!image->alpha.empty()) {
      opacity = deflate(image->alpha, 1);
    }
    pdf::FlateImage flate{image->width, image->height, 3, {colour}, {}};
    if (!opacity.empty()) {
      flate.opacity = {opacity};
    }
    number = m_writer->AddImage(flate);
  } else {
    throw Error(ErrorNumber::InvalidPicture);
  }
  m_images.emplace(picture.Pixels(), number);
  m_drawn.push_back(picture);  // kept: its image is known by its address
  return number;
}

void CupsPrinter::EndDocument() {
  RequireDocument();
  m_writer->Finish(kJobTitle);
  m_writer.reset();
  m_images.clear();
  const bool written = std::fclose(m_output.release()) == 0;
  if (!written) {
    CloseDocument();
    throw Error(ErrorNumber::PrinterError, "印刷データを書き出せません: " + m_path);
  }
  // The file goes once CUPS has read it, whatever its answer.
  struct Remove {
    std::string& path;
    ~Remove() {
      ::unlink(path.c_str());
      path.clear();
    }
  } remove{m_path};
  // Nothing goes to the printer unless every picture in it was read whole.
  for (const Picture& picture : std::exchange(m_drawn, {})) {
    pdf::RequireReadWhole(picture);
  }
  Submit();
}

void CupsPrinter::Submit() {
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
  cups_option_t* options = nullptr;
  int count = 0;
  for (const JobOption& option :
       JobOptions(OptionsOf(*dest), m_media, m_landscapePage, m_choices)) {
    count = cupsAddOption(option.name.c_str(), option.value.c_str(), count, &options);
  }
  const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, m_destination.c_str(), m_path.c_str(),
                                 kJobTitle, count, options);
  cupsFreeOptions(count, options);
  if (job == 0) {
    throw Error(static_cast<std::int32_t>(cupsLastError()),
                "プリンター " + m_destination + " が印刷を受け付けませんでした: " + CupsMessage());
  }
}

void CupsPrinter::AbortDocument() {
  RequireDocument();
  CloseDocument();
}

void CupsPrinter::CloseDocument() {
  m_drawn.clear();
  m_images.clear();
  m_writer.reset();
  m_output.reset();
  if (!m_path.empty()) {
    ::unlink(m_path.c_str());  // the PDF is deleted unsent
    m_path.clear();
  }
}

}  // namespace mirablot::cups
