// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ports/PrinterDevice.h"

struct HDC__;
struct _devicemodeW;

namespace mirablot::win32 {

/// The default printer through GDI. The device context opens on first use with the printer's
/// own settings; an orientation change goes into its DEVMODE before the page starts. The
/// drawing origin is the printable area's top-left, as GDI's is.
class Win32Printer final : public PrinterDevice {
 public:
  Win32Printer() = default;
  /// An open document that never ended is discarded.
  ~Win32Printer() override;

  void Choose(const PrintChoices& choices) override;
  [[nodiscard]] double PageWidth() override;
  [[nodiscard]] double PageHeight() override;
  void SetOrientation(Orientation orientation) override;
  [[nodiscard]] Orientation GetOrientation() override;
  void NewPage() override;
  void DrawPicture(const Picture& picture, float x, float y, float width, float height) override;
  void DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                       float width, float height) override;
  void DrawStamp(const std::string& text, float right, float baseline) override;
  void EndDocument() override;
  void AbortDocument() override;

 private:
  HDC__* Dc();
  [[nodiscard]] _devicemodeW* Mode();
  [[nodiscard]] int DeviceUnits(double twips, int dotsPerInch) const;
  // Drawing needs a page: error 482 without one.
  void RequirePage() const;

  PrintChoices m_choices;
  std::wstring m_name;
  std::vector<std::uint8_t> m_mode;
  HDC__* m_dc = nullptr;
  bool m_documentOpen = false;
  bool m_pageOpen = false;
};

}  // namespace mirablot::win32
