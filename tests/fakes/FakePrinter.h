// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

#include "CallLog.h"
#include "ports/PrinterDevice.h"

namespace mirablot::fake {

/// A printer with a fixed printable area that remembers what was drawn.
class FakePrinter final : public PrinterDevice {
 public:
  /// The printable area in twips, portrait; landscape swaps the two.
  FakePrinter(CallLog& log, double portraitWidth, double portraitHeight);

  struct Drawing {
    int pictureWidth;
    int pictureHeight;
    float x;
    float y;
    float width;
    float height;
  };

  /// Changes the printable area, portrait, in twips.
  void SetPortraitSize(double width, double height) {
    m_portraitWidth = width;
    m_portraitHeight = height;
  }
  /// Starts in this orientation, as the printer's own setting would.
  void StartIn(Orientation orientation) { m_orientation = orientation; }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }
  [[nodiscard]] const std::optional<Drawing>& LastDrawing() const { return m_drawing; }
  [[nodiscard]] int DocumentsPrinted() const { return m_documentsPrinted; }
  [[nodiscard]] bool DocumentOpen() const { return m_documentOpen; }

  [[nodiscard]] double PageWidth() override;
  [[nodiscard]] double PageHeight() override;
  void SetOrientation(Orientation orientation) override;
  [[nodiscard]] Orientation GetOrientation() override;
  void NewPage() override;
  void DrawPicture(const Picture& picture, float x, float y, float width, float height) override;
  void EndDocument() override;
  void AbortDocument() override;

 private:
  void Record(std::string call, std::string_view name);

  CallLog& m_log;
  FailureSchedule m_failures;
  double m_portraitWidth;
  double m_portraitHeight;
  Orientation m_orientation = Orientation::Portrait;
  bool m_documentOpen = false;
  int m_documentsPrinted = 0;
  std::optional<Drawing> m_drawing;
};

}  // namespace mirablot::fake
