// SPDX-License-Identifier: MIT
#pragma once

#include <future>
#include <map>
#include <memory>
#include <span>
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
/// for one run, as with lp); the run's copies and grey go with the job. The destination is
/// looked up once, beside the clipboard's reading (Choose starts it), asking the scheduler
/// only what the page needs. The document is a PDF written straight into the job as it is
/// drawn: a PNG picture's own compressed pixels go in unchanged, as they arrive from the
/// clipboard, others compressed as PNG does, never lossily. The job is completed only once
/// every picture in it was read whole and checked, and its answer is checked, so a job CUPS
/// refuses is an error rather than a silent loss; on any failure it is cancelled, and nothing
/// prints. The page is the paper the user chose for the destination (lpoptions' media,
/// PageSize or PageRegion, as lp takes them), else its default medium; its extents are the
/// printable area, and drawing starts at that area's top-left. The job carries the
/// destination's device choices and its own final layout (JobOptions), so no queue or user
/// default moves or scales the picture.
class CupsPrinter final : public PrinterDevice {
 public:
  CupsPrinter();
  CupsPrinter(const CupsPrinter&) = delete;
  CupsPrinter& operator=(const CupsPrinter&) = delete;
  ~CupsPrinter() override;

  /// Starts looking the destination up in the background, unless it is being looked up for
  /// the same choices already; the first question waits for it.
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

  /// What one look-up learns: the connection to the scheduler, kept for the run, the
  /// destination with its options, and its paper.
  struct Destination;

 private:
  struct Area {
    double left;
    double top;
    double width;
    double height;
  };

  /// The destination, looked up once.
  Destination& Resolved();
  /// The printable area of the page in force, in points from the page's top-left.
  [[nodiscard]] Area PrintableArea();
  void RequireDocument() const;
  /// Creates the job, opens its document and sends what waited.
  void StartJob();
  /// Sends the bytes into the job's document.
  void Send(std::span<const std::uint8_t> bytes);
  /// The document's image of the picture, put in on its first drawing.
  [[nodiscard]] int ImageOf(const Picture& picture);
  /// Drops the document; a job still open is cancelled unprinted.
  void CloseDocument();

  PrintChoices m_choices;
  std::future<std::shared_ptr<Destination>> m_lookup;
  std::shared_ptr<Destination> m_destination;
  bool m_landscape = false;             // the orientation in force
  bool m_jobLandscape = false;          // the first page's
  int m_job = 0;                        // the job being sent, 0 for none
  std::vector<std::uint8_t> m_waiting;  // the document's start, until the job exists
  std::unique_ptr<pdf::PdfWriter> m_writer;
  // The pictures drawn, each must have been read whole before the job completes (those that
  // pass through unread), and their images in the document.
  std::vector<Picture> m_drawn;
  std::map<const Picture::Data*, int> m_images;
};

}  // namespace mirablot::cups
