// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "ports/PrinterDevice.h"

namespace mirablot::pdf {
class PdfWriter;
}

namespace mirablot::cups {

/// Distances from a sheet's or page's edges, in points.
struct Margins {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;

  friend bool operator==(const Margins&, const Margins&) = default;
};

/// The margins of a landscape page printed on a sheet with these margins: CUPS turns landscape
/// pages a quarter counter-clockwise, so the page's top-left lies at the sheet's bottom-left.
[[nodiscard]] Margins LandscapeMargins(const Margins& sheet);

/// The CUPS destination the run chose, else the default one (PRINTER or LPDEST choose another
/// for one run, as with lp); the run's copies and grey go with the job. The
/// document is a PDF written directly: a PNG picture's own compressed pixels go in unchanged,
/// others are compressed as PNG does, never lossily. libcups submits it and its answer is
/// checked, so a job CUPS refuses is an error rather than a silent loss. The page is the paper
/// the user chose for the destination (lpoptions' media, PageSize or PageRegion, as lp takes
/// them), else its default medium; its extents are the printable area, and drawing starts at
/// that area's top-left. The job carries the destination's device choices and its own final layout
/// (JobOptions), so no queue or user default moves or scales the picture.
class CupsPrinter final : public PrinterDevice {
 public:
  CupsPrinter();
  CupsPrinter(const CupsPrinter&) = delete;
  CupsPrinter& operator=(const CupsPrinter&) = delete;
  ~CupsPrinter() override;

  void Choose(const PrintChoices& choices) override;
  [[nodiscard]] double PageWidth() override;
  [[nodiscard]] double PageHeight() override;
  void SetOrientation(Orientation orientation) override;
  [[nodiscard]] Orientation GetOrientation() override;
  void NewPage() override;
  void DrawPicture(const Picture& picture, float x, float y, float width, float height) override;
  void DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                       float width, float height) override;
  void EndDocument() override;
  void AbortDocument() override;

 private:
  struct Area {
    double left;
    double top;
    double width;
    double height;
  };

  /// Asks CUPS for the destination and its paper, once.
  void Resolve();
  /// The printable area of the page in force, in points from the page's top-left.
  [[nodiscard]] Area PrintableArea();
  void RequireDocument() const;
  /// The document's image of the picture, put in on its first drawing.
  [[nodiscard]] int ImageOf(const Picture& picture);
  void CloseDocument();
  void Submit();

  PrintChoices m_choices;
  bool m_resolved = false;
  std::string m_destination;
  std::string m_instance;  // lpoptions' NAME/INSTANCE, empty for the plain destination
  std::string m_media;
  double m_sheetWidth = 0;  // as the sheet is fed, in points
  double m_sheetHeight = 0;
  Margins m_sheetMargins;
  bool m_landscape = false;      // the orientation in force
  bool m_landscapePage = false;  // the orientation of the page written
  std::string m_path;            // the document's temporary file
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_output{nullptr, &std::fclose};
  std::unique_ptr<pdf::PdfWriter> m_writer;
  // The pictures drawn, each must have been read whole before the document goes (those that
  // pass through unread), and their images in the document.
  std::vector<Picture> m_drawn;
  std::map<const Picture::Data*, int> m_images;
};

}  // namespace mirablot::cups
