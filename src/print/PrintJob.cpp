// SPDX-License-Identifier: MIT
#include "PrintJob.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/Conversions.h"
#include "core/Error.h"
#include "ports/ImageHolder.h"
#include "ports/PrinterDevice.h"
#include "settings/SettingsStore.h"

namespace mirablot::print {
namespace {

// 56.7 exactly as written, not 1440 / 25.4: stored margins have always been converted this way.
constexpr double kTwipsPerMillimetre = 56.7;
// Kept free on each axis, for both of its edges together.
constexpr std::int32_t kPageAllowance = 700;
// The stamp's baseline above the printable area's foot: room for its descenders and its box.
constexpr std::int32_t kStampBaselineRaise = 60;
// Repeated at the top of the next page where a picture is cut through its content.
constexpr double kOverlapTwips = 2 * kTwipsPerMillimetre;

}  // namespace

std::vector<Slice> SliceRows(int height, int perPage, const std::vector<bool>& blank, int overlap) {
  overlap = std::clamp(overlap, 0, perPage / 2);  // each page moves on by half a page at least
  std::vector<Slice> slices;
  for (int first = 0; first < height;) {
    const int end = first + perPage;
    if (end >= height) {
      slices.push_back({first, height - first});
      break;
    }
    const int window = end - perPage / 10;
    const auto isBlank = [&](int row) {
      return row < static_cast<int>(blank.size()) && blank[static_cast<std::size_t>(row)];
    };
    int lowest = end - 1;
    while (lowest >= window && !isBlank(lowest)) {
      --lowest;
    }
    if (lowest >= window) {
      // In the middle of that blank run (within the window), so that blank rows stay on both
      // sides: a renderer samples the row past a clip edge at part coverage, and a line of
      // text right below the cut would show as a thin line at the foot of the page.
      int top = lowest;
      while (top > window && isBlank(top - 1)) {
        --top;
      }
      const int cut = top + (lowest - top + 2) / 2;
      slices.push_back({first, cut - first});
      first = cut;
    } else {
      slices.push_back({first, perPage});
      first = end - overlap;
    }
  }
  return slices;
}

PrintJob::PrintJob(SettingsStore& settings, PrinterDevice& printer, ImageHolder& img,
                   PrintChoices choices, Flow flow, std::string stamp)
    : m_settings(settings),
      m_printer(printer),
      m_img(img),
      m_choices(std::move(choices)),
      m_flow(flow),
      m_stamp(std::move(stamp)) {}

void PrintJob::Print(Picture picture) {
  m_printer.Choose(m_choices);
  m_img.SetPicture(std::move(picture));
  if (m_flow == Flow::OnePage || !PrintAcrossPages()) {
    PrintOnePage();
  }
}

bool PrintJob::PrintAcrossPages() {
  const Orientation own = m_printer.GetOrientation();
  const std::string stored = m_settings.GetSetting(settings::kOrientation);
  const Orientation orientation = stored == "1"                    ? Orientation::Landscape
                                  : stored == "0" || stored == "2" ? Orientation::Portrait
                                                                   : own;
  if (orientation != own) {
    m_printer.SetOrientation(orientation);
  }
  if (m_settings.GetSetting(settings::kZoom) == "1") {
    m_img.SetStretch(true);
    const double ratio = CheckedDivide(PrintableExtent(Axis::Horizontal), m_img.Width());
    m_img.SetHeight(ToSingle(m_img.Height() * ratio));
    m_img.SetWidth(ToSingle(PrintableExtent(Axis::Horizontal)));
  }
  const std::int32_t room = PrintableExtent(Axis::Vertical);
  if (m_img.Height() <= static_cast<double>(room)) {
    // One page is enough: as any other print.
    if (orientation != own) {
      m_printer.SetOrientation(own);
    }
    m_img.SetStretch(false);
    return false;
  }
  const Picture picture = m_img.GetPicture();
  const double rowTwips = static_cast<double>(m_img.Height()) / picture.Height();
  const int perPage = static_cast<int>(room / rowTwips);
  const std::vector<Slice> slices =
      SliceRows(picture.Height(), std::max(perPage, 1), picture.BlankRows(),
                static_cast<int>(std::ceil(kOverlapTwips / rowTwips)));
  if (perPage < 1 || slices.size() > static_cast<std::size_t>(kMostPages)) {
    throw Error(ErrorNumber::InvalidPropertyValue,
                "この画像は " + std::to_string(slices.size()) + " ページになります。" +
                    std::to_string(kMostPages) + " ページまでしか印刷できません。");
  }
  const float width = m_img.Width();
  const float x =
      static_cast<float>(CheckedAdd(MarginOffset(Axis::Horizontal), AlignOffset(Axis::Horizontal)));
  for (std::size_t page = 0; page < slices.size(); ++page) {
    const Slice& slice = slices[page];
    m_printer.NewPage();
    m_printer.DrawPictureRows(picture, slice.first, slice.rows, x,
                              static_cast<float>(MarginOffset(Axis::Vertical)), width,
                              ToSingle(slice.rows * rowTwips));
    Stamp(std::to_string(page + 1) + "/" + std::to_string(slices.size()));
  }
  m_printer.EndDocument();
  return true;
}

void PrintJob::PrintOnePage() {
  ApplyOrientation();
  if (m_settings.GetSetting(settings::kZoom) == "1") {
    FitToPaper();
  }
  m_printer.NewPage();
  // The draw's arguments are worked out in this order; each may read settings or the page.
  const Picture drawn = m_img.GetPicture();
  const std::int32_t left = MarginOffset(Axis::Horizontal);
  const float x = static_cast<float>(CheckedAdd(left, AlignOffset(Axis::Horizontal)));
  const std::int32_t top = MarginOffset(Axis::Vertical);
  const float y = static_cast<float>(CheckedAdd(top, AlignOffset(Axis::Vertical)));
  const float width = m_img.Width();
  const float height = m_img.Height();
  m_printer.DrawPicture(drawn, x, y, width, height);
  Stamp();
  m_printer.EndDocument();
}

void PrintJob::Stamp(const std::string& pageNumber) {
  if (m_stamp.empty()) {
    return;
  }
  // A right- or bottom-aligned picture ends 700 twips short of the page: the stamp's line is
  // below that end, so it never moves or shrinks the picture.
  const std::int32_t right = CheckedSubtract(RoundToInt32(m_printer.PageWidth()), kPageAllowance);
  const std::int32_t baseline =
      CheckedSubtract(RoundToInt32(m_printer.PageHeight()), kStampBaselineRaise);
  m_printer.DrawStamp(pageNumber.empty() ? m_stamp : m_stamp + "  " + pageNumber,
                      static_cast<float>(right), static_cast<float>(baseline));
}

void PrintJob::ApplyOrientation() {
  const std::string orientation = m_settings.GetSetting(settings::kOrientation);
  if (orientation == "0") {
    m_printer.SetOrientation(Orientation::Portrait);
  } else if (orientation == "1") {
    m_printer.SetOrientation(Orientation::Landscape);
  } else if (orientation == "2") {
    ApplyAutomaticOrientation();
  }
}

void PrintJob::ApplyAutomaticOrientation() {
  const double height = m_img.Height();
  const double width = m_img.Width();
  const std::int32_t printableHeight = PrintableExtent(Axis::Vertical);
  const std::int32_t printableWidth = PrintableExtent(Axis::Horizontal);
  const bool fits = !(height > printableHeight || width > printableWidth);
  const bool zoom = m_settings.GetSetting(settings::kZoom) == "1";
  // Only a picture that has to be scaled down anyway gets the paper turned to its shape.
  if (!fits && zoom) {
    m_printer.SetOrientation(height < width ? Orientation::Landscape : Orientation::Portrait);
  }
}

void PrintJob::FitToPaper() {
  m_img.SetStretch(true);
  const std::int32_t printableHeight = PrintableExtent(Axis::Vertical);
  const double ratioV = CheckedDivide(printableHeight, m_img.Height());
  const std::int32_t printableWidth = PrintableExtent(Axis::Horizontal);
  const double ratioH = CheckedDivide(printableWidth, m_img.Width());
  if (ratioV < ratioH) {
    m_img.SetHeight(ToSingle(PrintableExtent(Axis::Vertical)));
    m_img.SetWidth(ToSingle(m_img.Width() * ratioV));
  } else {
    m_img.SetHeight(ToSingle(m_img.Height() * ratioH));
    m_img.SetWidth(ToSingle(PrintableExtent(Axis::Horizontal)));
  }
}

std::int32_t PrintJob::MarginOffset(Axis axis) {
  const bool vertical = axis == Axis::Vertical;
  if (m_settings.GetSetting(vertical ? settings::kSpace1 : settings::kSpace0, "0") != "1") {
    return 0;
  }
  const double millimetres = ToFixed4(m_settings.GetSetting(settings::kSpaceMM, "0")).ToDouble();
  return RoundToInt32(millimetres * kTwipsPerMillimetre);
}

std::int32_t PrintJob::AlignOffset(Axis axis) {
  const bool vertical = axis == Axis::Vertical;
  const std::string position =
      m_settings.GetSetting(vertical ? settings::kPositionV : settings::kPositionH);
  if (position != "1" && position != "2") {
    return 0;
  }
  const double extent = vertical ? m_img.Height() : m_img.Width();
  const std::int32_t printable = PrintableExtent(axis);
  const double room = printable - extent;
  return RoundToInt32(position == "1" ? room / 2 : room);
}

std::int32_t PrintJob::PrintableExtent(Axis axis) {
  const std::int32_t margin = MarginOffset(axis);
  const std::int32_t page =
      RoundToInt32(axis == Axis::Vertical ? m_printer.PageHeight() : m_printer.PageWidth());
  return CheckedSubtract(CheckedSubtract(page, margin), kPageAllowance);
}

}  // namespace mirablot::print
