// SPDX-License-Identifier: MIT
#include "Fakes.h"

#include <algorithm>
#include <sstream>

#include "forms/Form.h"

namespace mirablot::fake {

void CallLog::Add(std::string call) {
  m_calls.push_back(std::move(call));
  for (const auto& [part, error] : m_failures) {
    if (m_calls.back().find(part) != std::string::npos) {
      throw error;
    }
  }
}

std::vector<std::string> CallLog::Matching(std::string_view prefix) const {
  std::vector<std::string> result;
  std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
               [prefix](const std::string& call) { return call.starts_with(prefix); });
  return result;
}

bool CallLog::Contains(std::string_view call) const {
  return std::find(m_calls.begin(), m_calls.end(), call) != m_calls.end();
}

Picture MakePicture(int width, int height, std::vector<bool> blankRows) {
  struct Sized final : Picture::Data {
    Sized(int w, int h, std::vector<bool> rows) : width(w), height(h), blank(std::move(rows)) {}
    [[nodiscard]] int Width() const override { return width; }
    [[nodiscard]] int Height() const override { return height; }
    [[nodiscard]] std::vector<bool> BlankRows() const override { return blank; }
    int width;
    int height;
    std::vector<bool> blank;
  };
  return Picture(std::make_shared<Sized>(width, height, std::move(blankRows)));
}

void FakePrinter::Choose(const PrintChoices& choices) {
  m_log.Add("Printer.Choose(" + choices.printer + ", " + std::to_string(choices.copies) +
            (choices.monochrome ? ", grey)" : ")"));
}

Orientation FakePrinter::GetOrientation() {
  m_log.Add("Printer.GetOrientation");
  return orientation;
}

void FakePrinter::NewPage() {
  m_log.Add("Printer.NewPage");
  m_page = orientation;
}

void FakePrinter::DrawPicture(const Picture& picture, float x, float y, float width, float height) {
  if (picture.IsEmpty()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  DrawPictureRows(picture, -1, 0, x, y, width, height);
}

// The whole picture for a first row of -1.
void FakePrinter::DrawPictureRows(const Picture& /*picture*/, int firstRow, int rows, float x,
                                  float y, float width, float height) {
  if (!m_page) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
  std::ostringstream drawing;
  drawing << (*m_page == Orientation::Landscape ? "landscape " : "portrait ") << x << ',' << y
          << ' ' << width << 'x' << height;
  if (firstRow >= 0) {
    drawing << " rows " << firstRow << '+' << rows;
  }
  drawings.push_back(drawing.str());
}

void FakePrinter::DrawStamp(const std::string& text, float right, float baseline) {
  if (!m_page) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
  stamps.push_back({text, right, baseline, PageWidth(), PageHeight()});
}

void FakePrinter::CloseDocument(std::string call) {
  m_log.Add(std::move(call));
  if (!m_page) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
  m_page.reset();
}

void FakePrinter::EndDocument() {
  CloseDocument("Printer.EndDocument");
  ++documentsPrinted;
}

void FakePrinter::AbortDocument() {
  CloseDocument("Printer.AbortDocument");
}

std::optional<std::string> FakeSettingsBackend::Read(std::string_view application,
                                                     std::string_view section,
                                                     std::string_view key) {
  m_log.Add("Settings.Read(" + std::string(application) + "/" + std::string(section) + "/" +
            std::string(key) + ")");
  const auto found = values.find(key);
  const bool ours = application == "Quillery" && section == "Startup" && found != values.end();
  return ours ? std::optional(found->second) : std::nullopt;
}

void FakeSettingsBackend::WriteAll(std::string_view application, std::string_view section,
                                   const SettingEntries& entries) {
  std::string call = "Settings.WriteAll(" + std::string(application) + "/" + std::string(section);
  for (const auto& [key, value] : entries) {
    call += (&key == &entries.front().first ? ": " : ", ") + key + "=" + value;
  }
  m_log.Add(call + ")");
  if (application == "Quillery" && section == "Startup") {
    for (const auto& [key, value] : entries) {
      values[key] = value;
    }
  }
}

MsgBoxResult FakeWindowing::AskUser(const MessageBoxRequest& request) {
  m_boxes.push_back(request);
  m_log.Add("Windowing.MsgBox(" + request.title + ")");
  return request.buttons == MsgBoxButtons::YesNo ? answer : MsgBoxResult::Ok;
}

void FakeWindowing::CreateWindowFor(Form& form) {
  m_log.Add("Windowing.CreateWindow(" + std::string(form.Name()) + ")");
}

void FakeWindowing::Unload(Form& form) {
  m_log.Add("Windowing.Unload(" + std::string(form.Name()) + ")");
  WindowingLayer::Unload(form);
}

void FakeWindowing::End() {
  m_log.Add("Windowing.End");
  WindowingLayer::End();
}

}  // namespace mirablot::fake
