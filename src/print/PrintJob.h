// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "core/Picture.h"
#include "ports/PrinterDevice.h"

namespace mirablot {

class ImageHolder;
class SettingsStore;

namespace print {

/// A side of the page: widths and left edges, or heights and top edges.
enum class Axis { Horizontal, Vertical };

/// One print of a picture: the stored settings choose the orientation, the fit to the paper,
/// the binding margin and the alignment, and the picture goes to the printer as one document.
/// Every setting is read, and every page extent asked of the printer, afresh where it is used.
/// Nothing is caught: an Error leaves the document open for the caller to abort.
class PrintJob {
 public:
  PrintJob(SettingsStore& settings, PrinterDevice& printer, ImageHolder& img,
           PrintChoices choices = {});

  /// Gives the printer the run's choices, puts the picture into the image holder at its natural
  /// size, sets the orientation, fits it to the paper when asked, starts the page, draws it at
  /// margin plus alignment, and ends the document.
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

  SettingsStore& m_settings;
  PrinterDevice& m_printer;
  ImageHolder& m_img;
  PrintChoices m_choices;
};

}  // namespace print
}  // namespace mirablot
