// SPDX-License-Identifier: MIT
#include "Win32Printer.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <winspool.h>

#include "Win32Dib.h"
#include "Win32Text.h"
#include "core/Conversions.h"
#include "core/Error.h"

namespace mirablot::win32 {
namespace {

class PrinterHandle {
 public:
  explicit PrinterHandle(std::wstring& name) {
    if (!OpenPrinterW(name.data(), &m_handle, nullptr)) {
      ThrowLastError("プリンター " + Utf8(name) + " を開けません", ErrorNumber::PrinterError);
    }
  }
  ~PrinterHandle() { ClosePrinter(m_handle); }
  PrinterHandle(const PrinterHandle&) = delete;
  PrinterHandle& operator=(const PrinterHandle&) = delete;
  [[nodiscard]] HANDLE Get() const { return m_handle; }

 private:
  HANDLE m_handle = nullptr;
};

}  // namespace

Win32Printer::~Win32Printer() {
  if (m_documentOpen) {
    AbortDoc(m_dc);
  }
  if (m_dc != nullptr) {
    DeleteDC(m_dc);
  }
}

void Win32Printer::Choose(const PrintChoices& choices) {
  m_choices = choices;
}

HDC Win32Printer::Dc() {
  if (m_dc != nullptr) {
    return m_dc;
  }
  std::wstring name = Wide(m_choices.printer);
  if (name.empty()) {
    DWORD length = 0;
    GetDefaultPrinterW(nullptr, &length);
    if (length == 0) {
      throw Error(
          ErrorNumber::NoPrinter,
          "既定のプリンターがありません。Windows の設定で既定のプリンターを選んでください。");
    }
    name.assign(length, L'\0');
    if (!GetDefaultPrinterW(name.data(), &length)) {
      ThrowLastError("既定のプリンターを調べられません", ErrorNumber::NoPrinter);
    }
    name.resize(length > 0 ? length - 1 : 0);
  } else if (HANDLE handle = nullptr; !OpenPrinterW(name.data(), &handle, nullptr)) {
    ThrowLastError("プリンター " + m_choices.printer + " がありません", ErrorNumber::NoPrinter);
  } else {
    ClosePrinter(handle);
  }

  // The printer's own settings (paper, orientation, resolution), as the user left them, with
  // the run's copies and grey.
  const PrinterHandle printer(name);
  const LONG size = DocumentPropertiesW(nullptr, printer.Get(), name.data(), nullptr, nullptr, 0);
  if (size <= 0) {
    ThrowLastError("プリンター " + Utf8(name) + " の設定を読めません", ErrorNumber::PrinterError);
  }
  std::vector<std::uint8_t> mode(static_cast<std::size_t>(size));
  auto* devmode = reinterpret_cast<DEVMODEW*>(mode.data());
  if (DocumentPropertiesW(nullptr, printer.Get(), name.data(), devmode, nullptr, DM_OUT_BUFFER) !=
      IDOK) {
    ThrowLastError("プリンター " + Utf8(name) + " の設定を読めません", ErrorNumber::PrinterError);
  }
  if (m_choices.copies > 0 || m_choices.monochrome) {
    if (m_choices.copies > 0) {
      devmode->dmCopies = static_cast<short>(m_choices.copies);
      devmode->dmFields |= DM_COPIES;
    }
    if (m_choices.monochrome) {
      devmode->dmColor = DMCOLOR_MONOCHROME;
      devmode->dmFields |= DM_COLOR;
    }
    // The driver merges the choices into the rest of its settings.
    if (DocumentPropertiesW(nullptr, printer.Get(), name.data(), devmode, devmode,
                            DM_IN_BUFFER | DM_OUT_BUFFER) != IDOK) {
      ThrowLastError("プリンター " + Utf8(name) + " に部数や白黒を指定できません",
                     ErrorNumber::PrinterError);
    }
  }
  HDC dc = CreateDCW(L"WINSPOOL", name.c_str(), nullptr, reinterpret_cast<DEVMODEW*>(mode.data()));
  if (dc == nullptr) {
    ThrowLastError("プリンター " + Utf8(name) + " に描けません", ErrorNumber::PrinterError);
  }
  m_name = std::move(name);
  m_mode = std::move(mode);
  m_dc = dc;
  return m_dc;
}

DEVMODEW* Win32Printer::Mode() {
  Dc();
  return reinterpret_cast<DEVMODEW*>(m_mode.data());
}

double Win32Printer::PageWidth() {
  HDC dc = Dc();
  return GetDeviceCaps(dc, HORZRES) * kTwipsPerInch / GetDeviceCaps(dc, LOGPIXELSX);
}

double Win32Printer::PageHeight() {
  HDC dc = Dc();
  return GetDeviceCaps(dc, VERTRES) * kTwipsPerInch / GetDeviceCaps(dc, LOGPIXELSY);
}

void Win32Printer::SetOrientation(Orientation orientation) {
  if (orientation != Orientation::Portrait && orientation != Orientation::Landscape) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  DEVMODEW* mode = Mode();
  if (m_pageOpen) {
    throw Error(ErrorNumber::PrinterError, "印刷中のページの向きは変えられません。");
  }
  const short previous = mode->dmOrientation;
  const DWORD previousFields = mode->dmFields;
  mode->dmOrientation = static_cast<short>(orientation);
  mode->dmFields |= DM_ORIENTATION;
  // The driver merges the change into the rest of its settings; the device context follows.
  const PrinterHandle printer(m_name);
  if (DocumentPropertiesW(nullptr, printer.Get(), m_name.data(), mode, mode,
                          DM_IN_BUFFER | DM_OUT_BUFFER) != IDOK ||
      ResetDCW(m_dc, mode) == nullptr) {
    mode->dmOrientation = previous;
    mode->dmFields = previousFields;
    ThrowLastError("用紙の向きを変えられません", ErrorNumber::PrinterError);
  }
}

Orientation Win32Printer::GetOrientation() {
  const DEVMODEW* mode = Mode();
  return (mode->dmFields & DM_ORIENTATION) != 0 && mode->dmOrientation == DMORIENT_LANDSCAPE
             ? Orientation::Landscape
             : Orientation::Portrait;
}

void Win32Printer::NewPage() {
  HDC dc = Dc();
  if (!m_documentOpen) {
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = L"Mirablot";
    if (StartDocW(dc, &document) <= 0) {
      ThrowLastError("印刷を始められません", ErrorNumber::PrinterError);
    }
    m_documentOpen = true;
  } else if (m_pageOpen) {
    m_pageOpen = false;
    if (EndPage(dc) <= 0) {
      ThrowLastError("ページを送れません", ErrorNumber::PrinterError);
    }
  }
  if (StartPage(dc) <= 0) {
    ThrowLastError("ページを始められません", ErrorNumber::PrinterError);
  }
  m_pageOpen = true;
}

int Win32Printer::DeviceUnits(double twips, int dotsPerInch) const {
  const double units = std::round(twips * dotsPerInch / kTwipsPerInch);
  // GDI coordinates are 32-bit; a picture that far off the page is not on it anyway.
  constexpr double kLimit = std::numeric_limits<int>::max() / 2;
  return static_cast<int>(std::clamp(units, -kLimit, kLimit));
}

void Win32Printer::DrawPicture(const Picture& picture, float x, float y, float width,
                               float height) {
  DrawPictureRows(picture, 0, picture.Height(), x, y, width, height);
}

void Win32Printer::DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                                   float width, float height) {
  RequirePage();
  if (!std::isfinite(x) || !std::isfinite(y)) {
    throw Error(ErrorNumber::InvalidCall);
  }
  const auto* dib = dynamic_cast<const DibPicture*>(picture.Pixels());
  if (dib == nullptr || picture.IsEmpty()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  if (rows <= 0 || firstRow < 0 || firstRow + rows > dib->Height()) {
    throw Error(ErrorNumber::InvalidCall);
  }
  const int dpiX = GetDeviceCaps(m_dc, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(m_dc, LOGPIXELSY);
  const int left = DeviceUnits(x, dpiX);
  const int top = DeviceUnits(y, dpiY);
  const int right = DeviceUnits(static_cast<double>(x) + CheckedExtent(width), dpiX);
  const int bottom = DeviceUnits(static_cast<double>(y) + CheckedExtent(height), dpiY);
  if (right <= left || bottom <= top) {
    return;  // smaller than a printer dot: nothing to print
  }
  SetStretchBltMode(m_dc, HALFTONE);
  SetBrushOrgEx(m_dc, 0, 0, nullptr);
  // The slice's rows, counted from the DIB's own origin: the bottom row for a bottom-up one.
  const bool bottomUp = dib->Info()->bmiHeader.biHeight > 0;
  const int sourceY = bottomUp ? dib->Height() - firstRow - rows : firstRow;
  const int drawn =
      StretchDIBits(m_dc, left, top, right - left, bottom - top, 0, sourceY, dib->Width(), rows,
                    dib->Bits(), dib->Info(), DIB_RGB_COLORS, SRCCOPY);
  if (drawn == 0 || drawn == static_cast<int>(GDI_ERROR)) {
    ThrowLastError("画像を印刷できません", ErrorNumber::PrinterError);
  }
}

void Win32Printer::RequirePage() const {
  if (!m_pageOpen) {
    throw Error(ErrorNumber::PrinterError, "印刷ドキュメントが開始されていません。");
  }
}

void Win32Printer::DrawStamp(const std::string& text, float right, float baseline) {
  RequirePage();
  if (!std::isfinite(right) || !std::isfinite(baseline)) {
    throw Error(ErrorNumber::InvalidCall);
  }
  // 7 points, Arial (the metrics of the PDF's Helvetica), dark grey on an opaque white cell:
  // what was drawn under it is hidden there, as on the Linux printer.
  const int dpiY = GetDeviceCaps(m_dc, LOGPIXELSY);
  HFONT font = CreateFontW(-MulDiv(7, dpiY, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, L"Arial");
  if (font == nullptr) {
    ThrowLastError("文字を印刷できません", ErrorNumber::PrinterError);
  }
  HGDIOBJ before = SelectObject(m_dc, font);
  SetTextAlign(m_dc, TA_RIGHT | TA_BASELINE);
  SetTextColor(m_dc, RGB(77, 77, 77));
  SetBkColor(m_dc, RGB(255, 255, 255));
  SetBkMode(m_dc, OPAQUE);
  const std::wstring wide = Wide(text);
  const BOOL written =
      TextOutW(m_dc, DeviceUnits(right, GetDeviceCaps(m_dc, LOGPIXELSX)),
               DeviceUnits(baseline, dpiY), wide.c_str(), static_cast<int>(wide.size()));
  SelectObject(m_dc, before);
  DeleteObject(font);
  if (!written) {
    ThrowLastError("文字を印刷できません", ErrorNumber::PrinterError);
  }
}

void Win32Printer::EndDocument() {
  if (!m_documentOpen) {
    throw Error(ErrorNumber::PrinterError, "印刷ドキュメントが開始されていません。");
  }
  if (m_pageOpen) {
    m_pageOpen = false;
    if (EndPage(m_dc) <= 0) {
      ThrowLastError("ページを送れません", ErrorNumber::PrinterError);
    }
  }
  m_documentOpen = false;
  if (EndDoc(m_dc) <= 0) {
    ThrowLastError("印刷を終えられません", ErrorNumber::PrinterError);
  }
}

void Win32Printer::AbortDocument() {
  if (!m_documentOpen) {
    throw Error(ErrorNumber::PrinterError, "中止する印刷ドキュメントがありません。");
  }
  m_documentOpen = false;
  m_pageOpen = false;
  if (AbortDoc(m_dc) <= 0) {
    ThrowLastError("印刷を中止できません", ErrorNumber::PrinterError);
  }
}

}  // namespace mirablot::win32
