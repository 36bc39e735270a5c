// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Picture.h"
#include "ports/PrinterDevice.h"

namespace mirablot {

class ImageHolder;
class SettingsStore;

namespace print {

/// A side of the page: widths and left edges, or heights and top edges.
enum class Axis { Horizontal, Vertical };

/// How the picture is laid out.
enum class Flow {
  /// On one page, as the settings say.
  OnePage,
  /// At the width the settings give it, from the top of as many pages as its height needs.
  AcrossPages,
};

/// The most pages one picture may take across pages.
inline constexpr int kMostPages = 100;

/// The rows of a picture on one page.
struct Slice {
  int first;
  int rows;
  friend bool operator==(const Slice&, const Slice&) = default;
};

/// Cuts a picture of `height` rows into pages of at most `perPage` rows: in the last tenth of a
/// page, in the middle of the lowest run of blank rows there (a single blank row stays above
/// the cut); where none is blank, at the page's end, the next page repeating the last
/// `overlap` rows, so that none is lost.
[[nodiscard]] std::vector<Slice> SliceRows(int height, int perPage, const std::vector<bool>& blank,
                                           int overlap);

/// One print of a picture: the stored settings choose the orientation, the fit to the paper,
/// the binding margin and the alignment, and the picture goes to the printer as one document.
/// Every setting is read, and every page extent asked of the printer, afresh where it is used.
/// Nothing is caught: an Error leaves the document open for the caller to abort.
class PrintJob {
 public:
  /// `stamp`, when not empty, is printed at the foot of every page (across pages, with the
  /// page's number and the count after it), below the room the picture is laid out in.
  PrintJob(SettingsStore& settings, PrinterDevice& printer, ImageHolder& img,
           PrintChoices choices = {}, Flow flow = Flow::OnePage, std::string stamp = {});

  /// Gives the printer the run's choices, puts the picture into the image holder at its natural
  /// size, sets the orientation, fits it to the paper when asked, starts the page, draws it at
  /// margin plus alignment, and ends the document. Across pages, a picture taller than a page
  /// is printed at the width the settings give it (fitted, or natural and aligned) in the
  /// stored orientation (portrait for automatic), in slices from the top of each page below
  /// the binding margin; more than kMostPages pages are error 380.
  void Print(Picture picture);

  /// Sets the stored orientation: "0" portrait, "1" landscape, "2" from the picture's shape
  /// (only for a picture that does not fit, and only when fitting); anything else leaves the
  /// printer's own.
  void ApplyOrientation();
  /// Scales the image holder, keeping the shape, until one side fills the printable extent.
  void FitToPaper();
  /// The binding margin on the axis in twips: SpaceMM × 56.7 when its flag is exactly "1".
  [[nodiscard]] std::int32_t MarginOffset(Axis axis);
  /// The alignment offset on the axis in twips: centred ("1") or far-side ("2") in the room
  /// beside the margin; 0 for anything else.
  [[nodiscard]] std::int32_t AlignOffset(Axis axis);
  /// The page extent less the axis's margin and the 700 twips kept free.
  [[nodiscard]] std::int32_t PrintableExtent(Axis axis);

 private:
  void ApplyAutomaticOrientation();
  void PrintOnePage();
  // Prints the picture across pages; false when it fits on one, which prints as usual.
  [[nodiscard]] bool PrintAcrossPages();
  // The stamp at the foot of the page, right-aligned under the end of the picture's room.
  void Stamp(const std::string& pageNumber = {});

  SettingsStore& m_settings;
  PrinterDevice& m_printer;
  ImageHolder& m_img;
  PrintChoices m_choices;
  Flow m_flow;
  std::string m_stamp;
};

}  // namespace print
}  // namespace mirablot
