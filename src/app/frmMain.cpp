// SPDX-License-Identifier: MIT
#include "frmMain.h"

#include <new>

#include "core/Conversions.h"
#include "core/Error.h"
#include "forms/ErrorHandling.h"
#include "ports/ClipboardSource.h"
#include "ports/ImageHolder.h"
#include "ports/PrinterDevice.h"
#include "ports/ScreenMetrics.h"
#include "ports/Windowing.h"
#include "settings/SettingsStore.h"
#include "ui/ProgramIcon.h"
#include "ui/frmSetting.h"

namespace mirablot {
namespace {

// 56.7 exactly as written, not 1440 / 25.4: stored margins have always been converted this way.
constexpr double kTwipsPerMillimetre = 56.7;
// Kept free on each axis, for both of its edges together.
constexpr std::int32_t kPageAllowance = 700;

}  // namespace

std::string PrintFailureQuestion(std::int32_t number, std::string_view description) {
  return ErrorReport(number, description) + "\r\rとりあえず設定画面でも開く？";
}

// A borderless 90 x 90 twip window that only carries the image holder and the icon.
frmMain::frmMain(const MainServices& services, ImageHolder& img)
    : Form({"Form1", 90, 90, &ProgramIcon()}), m_services(services), m_img(img) {}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
  // Beyond the bottom-right corner of the screen, so that the window can never be seen.
  SetTop(ToSingle(m_services.screen.Height()));
  SetLeft(ToSingle(m_services.screen.Width()));
  PrintJob();
}

void frmMain::PrintJob() {
  try {
    m_img.SetPicture(m_services.clipboard.FetchBitmap(ClipboardFormat::Bitmap));
    ApplyOrientation();
    if (Setting(settings::kZoom) == "1") {
      FitToPaper();
    }
    m_services.printer.NewPage();
    // The draw's arguments are worked out in this order; each may read settings or the page.
    const Picture picture = m_img.GetPicture();
    const std::int32_t left = MarginOffset(false);
    const float x = static_cast<float>(CheckedAdd(left, AlignOffset("x")));
    const std::int32_t top = MarginOffset(true);
    const float y = static_cast<float>(CheckedAdd(top, AlignOffset("y")));
    const float width = m_img.Width();
    const float height = m_img.Height();
    m_services.printer.DrawPicture(picture, x, y, width, height);
    m_services.printer.EndDocument();
    m_services.windowing.Unload(*this);
    m_printed = true;
  } catch (const Error& error) {
    OnPrintFailure(error);
  } catch (const std::bad_alloc&) {
    OnPrintFailure(Error(ErrorNumber::OutOfMemory));
  }
}

void frmMain::OnPrintFailure(const Error& error) {
  // Copied first: the steps below may raise errors of their own, which are ignored.
  const std::int32_t number = error.Number();
  const std::string description = error.Description();
  m_printed = false;

  IgnoringErrors([this] { m_services.printer.AbortDocument(); });
  MsgBoxResult answer = MsgBoxResult::No;
  IgnoringErrors([&] {
    answer = m_services.windowing.MsgBox(
        {std::string(kErrorBoxTitle), PrintFailureQuestion(number, description),
         MsgBoxButtons::YesNo, MsgBoxIcon::Critical, MsgBoxDefault::Second});
  });
  if (answer == MsgBoxResult::Yes) {
    IgnoringErrors([this] {
      m_settingsWindow = std::make_unique<frmSetting>(m_services.settings, m_services.printer,
                                                      m_services.windowing);
      m_services.windowing.Show(*m_settingsWindow);
    });
  } else {
    IgnoringErrors([this] { m_services.windowing.Unload(*this); });
  }
}

void frmMain::ApplyOrientation() {
  const std::string orientation = Setting(settings::kOrientation);
  if (orientation == "0") {
    m_services.printer.SetOrientation(Orientation::Portrait);
  } else if (orientation == "1") {
    m_services.printer.SetOrientation(Orientation::Landscape);
  } else if (orientation == "2") {
    ApplyAutomaticOrientation();
  }
}

void frmMain::ApplyAutomaticOrientation() {
  const double height = m_img.Height();
  const double width = m_img.Width();
  const std::int32_t printableHeight = PrintableExtent(true);
  const std::int32_t printableWidth = PrintableExtent(false);
  const bool fits = !(height > printableHeight || width > printableWidth);
  const bool zoom = Setting(settings::kZoom) == "1";
  // Only a picture that has to be scaled down anyway gets the paper turned to its shape.
  if (!fits && zoom) {
    m_services.printer.SetOrientation(height < width ? Orientation::Landscape
                                                     : Orientation::Portrait);
  }
}

void frmMain::FitToPaper() {
  m_img.SetStretch(true);
  const std::int32_t printableHeight = PrintableExtent(true);
  const double ratioV = CheckedDivide(printableHeight, m_img.Height());
  const std::int32_t printableWidth = PrintableExtent(false);
  const double ratioH = CheckedDivide(printableWidth, m_img.Width());
  if (ratioV < ratioH) {
    m_img.SetHeight(ToSingle(PrintableExtent(true)));
    m_img.SetWidth(ToSingle(m_img.Width() * ratioV));
  } else {
    m_img.SetHeight(ToSingle(m_img.Height() * ratioH));
    m_img.SetWidth(ToSingle(PrintableExtent(false)));
  }
}

std::int32_t frmMain::MarginOffset(bool vertical) {
  if (Setting(vertical ? settings::kSpace1 : settings::kSpace0, "0") != "1") {
    return 0;
  }
  const double millimetres = ToFixed4(Setting(settings::kSpaceMM, "0")).ToDouble();
  return RoundToInt32(millimetres * kTwipsPerMillimetre);
}

std::int32_t frmMain::AlignOffset(std::string_view axis) {
  bool vertical = false;
  if (axis == "y" || axis == "h") {
    vertical = true;
  } else if (axis != "x" && axis != "w") {
    return 0;
  }
  const std::string position = Setting(vertical ? settings::kPositionV : settings::kPositionH);
  if (position != "1" && position != "2") {
    return 0;
  }
  const double extent = vertical ? m_img.Height() : m_img.Width();
  const std::int32_t printable = PrintableExtent(vertical);
  const double room = printable - extent;
  return RoundToInt32(position == "1" ? room / 2 : room);
}

std::int32_t frmMain::PrintableExtent(bool vertical) {
  const std::int32_t margin = MarginOffset(vertical);
  const std::int32_t page =
      RoundToInt32(vertical ? m_services.printer.PageHeight() : m_services.printer.PageWidth());
  return CheckedSubtract(CheckedSubtract(page, margin), kPageAllowance);
}

std::string frmMain::Setting(std::string_view key, std::string_view defaultValue) {
  return m_services.settings.GetSetting(settings::kApplication, settings::kSection, key,
                                        defaultValue);
}

}  // namespace mirablot
