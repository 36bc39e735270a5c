// SPDX-License-Identifier: MIT
#include "CupsPrinter.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <span>
#include <string_view>
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
// The stamp: small, and dark grey rather than black, so that it reads as a note.
constexpr double kStampPoints = 7;
constexpr double kStampGrey = 0.3;
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

// The default medium as the scheduler's queue reports it (media-col-default: size and
// margins), asked alone: the full attribute set libcups copies for media look-ups costs
// several times more. Nothing when the destination is no queue of the scheduler's own, or
// the queue says nothing of it.
std::optional<cups_size_t> QueueDefaultMedium(http_t* http, const cups_dest_t& dest,
                                              bool& landscape) {
  const char* uri = cupsGetOption("printer-uri-supported", dest.num_options, dest.options);
  if (uri == nullptr) {
    return std::nullopt;
  }
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static constexpr const char* kWanted[] = {"media-col-default", "media-default",
                                            "orientation-requested-default"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(std::size(kWanted)), nullptr, kWanted);
  const std::unique_ptr<ipp_t, void (*)(ipp_t*)> response(cupsDoRequest(http, request, "/"),
                                                          &ippDelete);
  if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    return std::nullopt;
  }
  if (ipp_attribute_t* orientation =
          ippFindAttribute(response.get(), "orientation-requested-default", IPP_TAG_ENUM)) {
    const int value = ippGetInteger(orientation, 0);
    landscape = landscape || value == 4 || value == 5;
  }
  ipp_t* medium = ippGetCollection(
      ippFindAttribute(response.get(), "media-col-default", IPP_TAG_BEGIN_COLLECTION), 0);
  ipp_t* extent =
      ippGetCollection(ippFindAttribute(medium, "media-size", IPP_TAG_BEGIN_COLLECTION), 0);
  const auto integer = [](ipp_t* collection, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(collection, name, IPP_TAG_INTEGER);
    return attribute != nullptr ? ippGetInteger(attribute, 0) : 0;
  };
  cups_size_t size{};
  size.width = integer(extent, "x-dimension");
  size.length = integer(extent, "y-dimension");
  if (size.width <= 0 || size.length <= 0) {
    return std::nullopt;
  }
  size.left = integer(medium, "media-left-margin");
  size.top = integer(medium, "media-top-margin");
  size.right = integer(medium, "media-right-margin");
  size.bottom = integer(medium, "media-bottom-margin");
  const char* name =
      ippGetString(ippFindAttribute(response.get(), "media-default", IPP_TAG_ZERO), 0, nullptr);
  const pwg_media_t* pwg = pwgMediaForSize(size.width, size.length);
  std::snprintf(size.media, sizeof size.media, "%s",
                name != nullptr  ? name
                : pwg != nullptr ? pwg->pwg
                                 : kFallbackMedia);
  return size;
}

}  // namespace

Margins LandscapeMargins(const Margins& sheet) {
  return {sheet.bottom, sheet.left, sheet.top, sheet.right};
}

CupsPrinter::CupsPrinter() = default;

CupsPrinter::~CupsPrinter() {
  CloseDocument();
}

struct CupsPrinter::Destination {
  std::unique_ptr<http_t, void (*)(http_t*)> http{nullptr, &httpClose};
  DestinationPtr dest;
  std::string name;
  std::string media;
  double sheetWidth = kFallbackWidth;  // as the sheet is fed, in points
  double sheetHeight = kFallbackHeight;
  Margins sheetMargins;
  bool landscape = false;  // the destination's default orientation
};

namespace {

// The scheduler's refusal: its status as the error's number, with its message.
Error Refused(const std::string& name, ipp_status_t status) {
  return Error(static_cast<std::int32_t>(status),
               "プリンター " + name +
                   (status == IPP_STATUS_ERROR_NOT_FOUND ? " が見つかりません: "
                                                         : " が印刷を受け付けませんでした: ") +
                   CupsMessage());
}

// Creates the job on the destination, over the connection of the look-up: libcups's
// cupsCreateJob would look the destination up again and copy all its attributes first. The
// job's id, or 0 with the scheduler's status in cupsLastError().
int CreateJob(http_t* http, const cups_dest_t& dest, int count, cups_option_t* options) {
  char uri[1024];
  if (const char* supported =
          cupsGetOption("printer-uri-supported", dest.num_options, dest.options)) {
    std::snprintf(uri, sizeof uri, "%s", supported);
  } else {
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", dest.name);
  }
  char scheme[32];
  char user[256];
  char host[256];
  int port = 0;
  char resource[1024] = "/";
  httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, user, sizeof user, host,
                  sizeof host, &port, resource, sizeof resource);
  ipp_t* request = ippNewRequest(IPP_OP_CREATE_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, kJobTitle);
  cupsEncodeOptions2(request, count, options, IPP_TAG_OPERATION);
  cupsEncodeOptions2(request, count, options, IPP_TAG_JOB);
  cupsEncodeOptions2(request, count, options, IPP_TAG_SUBSCRIPTION);
  const std::unique_ptr<ipp_t, void (*)(ipp_t*)> response(cupsDoRequest(http, request, resource),
                                                          &ippDelete);
  ipp_attribute_t* id = ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER);
  return cupsLastError() <= IPP_STATUS_OK_CONFLICTING && id != nullptr ? ippGetInteger(id, 0) : 0;
}

std::shared_ptr<CupsPrinter::Destination> LookUp(const PrintChoices& choices) {
  auto destination = std::make_shared<CupsPrinter::Destination>();
  // A connection of our own: the look-up runs on a thread of its own, the job on the main one.
  destination->http.reset(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                       cupsEncryption(), 1, 30000, nullptr));
  http_t* http = destination->http.get();
  if (http == nullptr) {
    const std::string server = cupsServer();
    throw Error(ErrorNumber::NoPrinter,
                "印刷サーバー " +
                    (server.starts_with('/') ? server : server + ":" + std::to_string(ippPort())) +
                    " に接続できません。");
  }
  std::string name;
  std::string instance;
  if (!choices.printer.empty()) {
    // NAME or NAME/INSTANCE, as lp -d takes it.
    const std::size_t slash = choices.printer.find('/');
    name = choices.printer.substr(0, slash);
    instance = slash != std::string::npos ? choices.printer.substr(slash + 1) : "";
  }
  destination->dest.reset(cupsGetNamedDest(http, name.empty() ? nullptr : name.c_str(),
                                           instance.empty() ? nullptr : instance.c_str()));
  cups_dest_t* dest = destination->dest.get();
  if (dest == nullptr && !choices.printer.empty()) {
    throw Error(ErrorNumber::NoPrinter,
                "プリンター " + choices.printer + " がありません (CUPS: " + CupsMessage() + ")");
  }
  if (dest == nullptr) {
    std::string description =
        "既定のプリンターがありません。CUPS で既定のプリンターを設定してください。";
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
      description += " (CUPS: " + CupsMessage() + ")";
    }
    throw Error(ErrorNumber::NoPrinter, description);
  }
  destination->name = dest->name;
  destination->media = kFallbackMedia;
  const ChosenMedia chosen = ChooseMedia(OptionsOf(*dest));
  destination->landscape =
      DefaultsToLandscape(dest, nullptr);  // the destination's option, as lp sends it
  std::optional<cups_size_t> size;
  MediaFound found = MediaFound::Nowhere;
  if (chosen.size.empty()) {
    size = QueueDefaultMedium(http, *dest, destination->landscape);
    found = size ? MediaFound::PrintersDefault : MediaFound::Nowhere;
  }
  if (!size) {
    // The user's own paper, or a destination the scheduler has no queue for: libcups matches
    // the sizes it knows of.
    const InfoPtr info(cupsCopyDestInfo(http, dest));
    destination->landscape = DefaultsToLandscape(dest, info.get());
    size.emplace();
    found = PaperOf(dest, info.get(), chosen, *size);
  }
  if (found != MediaFound::Nowhere) {
    // Exactly the medium CUPS reports, in points. The user's media value names it as lp would
    // send it, with the paper source and type they chose.
    const auto points = [](int hundredths) { return hundredths * kPointsPerHundredthMillimetre; };
    destination->media =
        found == MediaFound::UsersChoice && !chosen.media.empty() ? chosen.media : size->media;
    destination->sheetWidth = points(size->width);
    destination->sheetHeight = points(size->length);
    destination->sheetMargins = {points(size->left), points(size->top), points(size->right),
                                 points(size->bottom)};
  }
  return destination;
}

}  // namespace

void CupsPrinter::Choose(const PrintChoices& choices) {
  if ((m_lookup.valid() || m_destination) && choices == m_choices) {
    return;
  }
  m_choices = choices;
  m_destination.reset();
  m_lookup = std::async(std::launch::async, LookUp, choices);
}

CupsPrinter::Destination& CupsPrinter::Resolved() {
  if (!m_destination) {
    if (!m_lookup.valid()) {
      m_lookup = std::async(std::launch::deferred, LookUp, m_choices);
    }
    m_destination = m_lookup.get();
    m_landscape = m_destination->landscape;
  }
  return *m_destination;
}

CupsPrinter::Area CupsPrinter::PrintableArea() {
  const Destination& destination = Resolved();
  const double width = m_landscape ? destination.sheetHeight : destination.sheetWidth;
  const double height = m_landscape ? destination.sheetWidth : destination.sheetHeight;
  const Margins margins =
      m_landscape ? LandscapeMargins(destination.sheetMargins) : destination.sheetMargins;
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
  (void)Resolved();
  m_landscape = orientation == Orientation::Landscape;  // for the pages still to come
}

Orientation CupsPrinter::GetOrientation() {
  (void)Resolved();
  return m_landscape ? Orientation::Landscape : Orientation::Portrait;
}

void CupsPrinter::NewPage() {
  const Destination& destination = Resolved();
  if (!m_writer) {
    // The job is created when the first picture goes in: a print that fails before has
    // nothing to cancel. What comes before waits here.
    m_jobLandscape = m_landscape;
    m_writer = std::make_unique<pdf::PdfWriter>([this](std::span<const std::uint8_t> bytes) {
      if (m_job == 0) {
        m_waiting.insert(m_waiting.end(), bytes.begin(), bytes.end());
      } else {
        Send(bytes);
      }
    });
  }
  m_writer->BeginPage(m_landscape ? destination.sheetHeight : destination.sheetWidth,
                      m_landscape ? destination.sheetWidth : destination.sheetHeight);
}

void CupsPrinter::Send(std::span<const std::uint8_t> bytes) {
  // Never nothing: an empty write would end the document.
  if (!bytes.empty() &&
      cupsWriteRequestData(m_destination->http.get(), reinterpret_cast<const char*>(bytes.data()),
                           bytes.size()) != HTTP_STATUS_CONTINUE) {
    throw Error(ErrorNumber::PrinterError, "プリンター " + m_destination->name +
                                               " に印刷データを送れません: " + CupsMessage());
  }
}

void CupsPrinter::StartJob() {
  const Destination& destination = Resolved();
  const cups_dest_t& dest = *destination.dest;
  const std::string& name = destination.name;
  // A stopped queue would accept the job and keep it: the user would wait for a sheet that
  // never comes. Say so instead.
  const char* state = cupsGetOption("printer-state", dest.num_options, dest.options);
  if (state != nullptr && std::atoi(state) == IPP_PSTATE_STOPPED) {
    const char* reasons = cupsGetOption("printer-state-reasons", dest.num_options, dest.options);
    throw Error(ErrorNumber::PrinterError, "プリンター " + name + " は停止しています (" +
                                               (reasons != nullptr ? reasons : "") + ")。");
  }
  cups_option_t* options = nullptr;
  int count = 0;
  // The job takes the first page's orientation: every page of one print has the same.
  for (const JobOption& option :
       JobOptions(OptionsOf(dest), destination.media, m_jobLandscape, m_choices)) {
    count = cupsAddOption(option.name.c_str(), option.value.c_str(), count, &options);
  }
  http_t* http = destination.http.get();
  m_job = CreateJob(http, dest, count, options);
  cupsFreeOptions(count, options);
  if (m_job == 0) {
    throw Refused(name, cupsLastError());
  }
  if (cupsStartDocument(http, name.c_str(), m_job, kJobTitle, CUPS_FORMAT_PDF, 1) !=
      HTTP_STATUS_CONTINUE) {
    const std::string why = CupsMessage();
    CloseDocument();
    throw Error(ErrorNumber::PrinterError,
                "プリンター " + name + " に印刷データを送れません: " + why);
  }
  Send(std::exchange(m_waiting, {}));
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

void CupsPrinter::DrawStamp(const std::string& text, float right, float baseline) {
  RequireDocument();
  if (!std::isfinite(right) || !std::isfinite(baseline)) {
    throw Error(ErrorNumber::InvalidCall);
  }
  const Area area = PrintableArea();
  m_writer->DrawText(text, area.left + right / kTwipsPerPoint, area.top + baseline / kTwipsPerPoint,
                     kStampPoints, kStampGrey);
}

int CupsPrinter::ImageOf(const Picture& picture) {
  if (const auto found = m_images.find(picture.Pixels()); found != m_images.end()) {
    return found->second;
  }
  if (m_job == 0) {
    StartJob();
  }
  const int number = m_writer->AddImage(pdf::FlateImageOf(picture));
  m_images.emplace(picture.Pixels(), number);
  m_drawn.push_back(picture);  // kept: its image is known by its address
  return number;
}

void CupsPrinter::EndDocument() {
  RequireDocument();
  try {
    if (m_job == 0) {
      StartJob();
    }
    m_writer->Finish(kJobTitle);
    // Nothing goes to the printer unless every picture in it was read whole.
    for (const Picture& picture : m_drawn) {
      pdf::RequireReadWhole(picture);
    }
    const ipp_status_t status =
        cupsFinishDocument(m_destination->http.get(), m_destination->name.c_str());
    if (status > IPP_STATUS_OK_EVENTS_COMPLETE) {
      throw Refused(m_destination->name, status);
    }
  } catch (...) {
    CloseDocument();
    throw;
  }
  m_job = 0;  // printed: nothing to cancel
  CloseDocument();
}

void CupsPrinter::AbortDocument() {
  RequireDocument();
  CloseDocument();
}

void CupsPrinter::CloseDocument() {
  m_writer.reset();
  m_waiting.clear();
  m_drawn.clear();
  m_images.clear();
  if (m_job != 0) {
    // Cut off mid-document, the scheduler drops what it received; the job, left without a
    // document, is cancelled on a connection of its own.
    m_destination->http.reset();
    cupsCancelJob2(CUPS_HTTP_DEFAULT, m_destination->name.c_str(), m_job, 0);
    m_job = 0;
  }
}

}  // namespace mirablot::cups
