// SPDX-License-Identifier: MIT
#include "FakePrinter.h"

#include <sstream>

#include "core/Error.h"
#include "core/Picture.h"

namespace mirablot::fake {

FakePrinter::FakePrinter(CallLog& log, double portraitWidth, double portraitHeight)
    : m_log(log), m_portraitWidth(portraitWidth), m_portraitHeight(portraitHeight) {}

void FakePrinter::Record(std::string call, std::string_view name) {
  m_log.Add(std::move(call));
  m_failures.ThrowIfScheduled(name);
}

double FakePrinter::PageWidth() {
  Record("Printer.PageWidth", "PageWidth");
  return m_orientation == Orientation::Portrait ? m_portraitWidth : m_portraitHeight;
}

double FakePrinter::PageHeight() {
  Record("Printer.PageHeight", "PageHeight");
  return m_orientation == Orientation::Portrait ? m_portraitHeight : m_portraitWidth;
}

void FakePrinter::SetOrientation(Orientation orientation) {
  Record("Printer.SetOrientation(" + std::to_string(static_cast<int>(orientation)) + ")",
         "SetOrientation");
  m_orientation = orientation;
}

Orientation FakePrinter::GetOrientation() {
  Record("Printer.GetOrientation", "GetOrientation");
  return m_orientation;
}

void FakePrinter::NewPage() {
  Record("Printer.NewPage", "NewPage");
  m_documentOpen = true;
}

void FakePrinter::DrawPicture(const Picture& picture, float x, float y, float width, float height) {
  std::ostringstream call;
  call << "Printer.DrawPicture(" << x << ", " << y << ", " << width << ", " << height << ")";
  Record(call.str(), "DrawPicture");
  if (!m_documentOpen) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
  if (picture.IsEmpty()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  m_drawing = Drawing{picture.Width(), picture.Height(), x, y, width, height};
}

void FakePrinter::EndDocument() {
  Record("Printer.EndDocument", "EndDocument");
  if (!m_documentOpen) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
  m_documentOpen = false;
  ++m_documentsPrinted;
}

void FakePrinter::AbortDocument() {
  Record("Printer.AbortDocument", "AbortDocument");
  if (!m_documentOpen) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
  m_documentOpen = false;
  m_drawing.reset();
}

}  // namespace mirablot::fake
