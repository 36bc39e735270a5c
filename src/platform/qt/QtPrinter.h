// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include <QMarginsF>
#include <QPageLayout>

#include "platform/PrinterDevice.h"

class QTemporaryFile;

namespace mirablot::pdf {
class PdfWriter;
}

namespace mirablot::qt {

/// The default CUPS destination (PRINTER or LPDEST choose another for one run, as with lp). The
/// document is a PDF written directly: a PNG picture's own compressed pixels go in unchanged,
/// others are compressed as PNG does, never lossily. libcups submits it and its answer is
/// checked, so a job CUPS refuses is an error rather than a silent loss. The page is the
/// destination's default medium; its extents are the printable area, and drawing starts at that
/// area's top-left. The job carries the destination's device choices and its own final layout
/// (cups::JobOptions), so no queue or user default moves or scales the picture.
class QtPrinter final : public PrinterDevice {
 public:
  QtPrinter();
  ~QtPrinter() override;
  QtPrinter(const QtPrinter&) = delete;
  QtPrinter& operator=(const QtPrinter&) = delete;

  [[nodiscard]] double PageWidth() override;
  [[nodiscard]] double PageHeight() override;
  void SetOrientation(Orientation orientation) override;
  [[nodiscard]] Orientation GetOrientation() override;
  void NewPage() override;
  void DrawPicture(const Picture& picture, float x, float y, float width, float height) override;
  void EndDocument() override;
  void AbortDocument() override;

 private:
  /// Asks CUPS for the default destination and its medium, once.
  void Resolve();
  [[nodiscard]] QRectF PrintableArea();
  /// Turns the page, with the sheet's margins turned along.
  void Orient(bool landscape);
  void RequireDocument() const;
  void CloseDocument();
  void Submit(const QString& path);

  bool m_resolved = false;
  std::string m_destination;
  std::string m_instance;  // lpoptions' NAME/INSTANCE, empty for the plain destination
  std::string m_media;
  bool m_landscapePage = false;  // the orientation of the page written
  QMarginsF m_sheetMargins;      // as the sheet is fed, in points
  QPageLayout m_layout;
  std::unique_ptr<QTemporaryFile> m_file;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_output{nullptr, &std::fclose};
  std::unique_ptr<pdf::PdfWriter> m_writer;
};

/// The margins of a landscape page printed on a sheet with these margins: CUPS turns landscape
/// pages a quarter counter-clockwise, so the page's top-left lies at the sheet's bottom-left.
[[nodiscard]] QMarginsF LandscapeMargins(const QMarginsF& sheetMargins);

}  // namespace mirablot::qt
