// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace mirablot {

class Picture;

/// Paper orientation as the printer takes it.
enum class Orientation : std::int16_t { Portrait = 1, Landscape = 2 };

/// What one run asks of the printer beyond the page itself (its command line's choices).
struct PrintChoices {
  /// The destination; empty for the default one.
  std::string printer;
  /// Copies of the document, 1 to 999; 0 leaves the destination's own number.
  int copies = 0;
  /// Grey instead of colour.
  bool monochrome = false;

  friend bool operator==(const PrintChoices&, const PrintChoices&) = default;
};

/// The default printer, one document at a time. Lengths are twips; every failure is an Error.
class PrinterDevice {
 public:
  virtual ~PrinterDevice() = default;
  PrinterDevice(const PrinterDevice&) = delete;
  PrinterDevice& operator=(const PrinterDevice&) = delete;

  /// Takes the run's choices; before anything else is asked of the printer. A destination
  /// that does not exist is error 484 (ErrorNumber::NoPrinter), then or at the first question.
  virtual void Choose(const PrintChoices& choices) = 0;
  /// Width of the printable area for the orientation in force.
  [[nodiscard]] virtual double PageWidth() = 0;
  /// Height of the printable area for the orientation in force.
  [[nodiscard]] virtual double PageHeight() = 0;
  /// Governs the page that the next NewPage starts.
  virtual void SetOrientation(Orientation orientation) = 0;
  [[nodiscard]] virtual Orientation GetOrientation() = 0;
  /// Starts the document on its first call, and each further page on the next; no blank
  /// leading sheet.
  virtual void NewPage() = 0;
  /// Draws the picture scaled into the rectangle, measured from the printable area's top-left.
  virtual void DrawPicture(const Picture& picture, float x, float y, float width, float height) = 0;
  /// Draws `rows` rows of the picture from `firstRow` on, scaled into the rectangle: a slice
  /// of a picture printed across pages. The picture goes into the document once, however many
  /// of its slices are drawn.
  virtual void DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                               float width, float height) = 0;
  /// Writes one line of small dark grey text (7 points; digits, spaces and "-:/"), right-
  /// aligned at `right` with its baseline at `baseline`, on a white box just large enough for
  /// it: whatever was drawn under it is hidden there.
  virtual void DrawStamp(const std::string& text, float right, float baseline) = 0;
  /// Ends the document and hands it to the printer.
  virtual void EndDocument() = 0;
  /// Discards the open document unprinted. With none open it fails with error 482
  /// (ErrorNumber::PrinterError), which the print job's failure path ignores.
  virtual void AbortDocument() = 0;

 protected:
  PrinterDevice() = default;
};

}  // namespace mirablot
