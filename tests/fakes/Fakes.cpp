// SPDX-License-Identifier: MIT
#include "Fakes.h"

#include <algorithm>
#include <sstream>

#include "core/Error.h"
#include "forms/Form.h"

namespace mirablot::fake {

std::vector<std::string> CallLog::Matching(std::string_view prefix) const {
  std::vector<std::string> result;
  std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(result),
               [prefix](const std::string& call) { return call.starts_with(prefix); });
  return result;
}

bool CallLog::Contains(std::string_view call) const {
  return std::find(m_calls.begin(), m_calls.end(), call) != m_calls.end();
}

void FailureSchedule::FailOn(std::string call, int number, std::string description) {
  m_failures[std::move(call)] = {number, std::move(description)};
}

void FailureSchedule::ThrowIfScheduled(std::string_view call) const {
  if (const auto found = m_failures.find(call); found != m_failures.end()) {
    throw Error(found->second.first, found->second.second);
  }
}

Picture MakePicture(int width, int height, std::vector<bool> blankRows) {
  class Sized final : public Picture::Data {
   public:
    Sized(int width, int height, std::vector<bool> blank)
        : m_width(width), m_height(height), m_blank(std::move(blank)) {}
    [[nodiscard]] int Width() const override { return m_width; }
    [[nodiscard]] int Height() const override { return m_height; }
    [[nodiscard]] std::vector<bool> BlankRows() const override { return m_blank; }

   private:
    int m_width;
    int m_height;
    std::vector<bool> m_blank;
  };
  return Picture(std::make_shared<Sized>(width, height, std::move(blankRows)));
}

Picture FakeClipboard::FetchBitmap() {
  m_log.Add("Clipboard.FetchBitmap");
  return m_picture;
}

void FakePrinter::Record(std::string call, std::string_view name) {
  m_log.Add(std::move(call));
  m_failures.ThrowIfScheduled(name);
}

void FakePrinter::RequireDocument() const {
  if (!m_page) {
    throw Error(ErrorNumber::PrinterError, "no document is open");
  }
}

void FakePrinter::Choose(const PrintChoices& choices) {
  Record("Printer.Choose(" + choices.printer + ", " + std::to_string(choices.copies) +
             (choices.monochrome ? ", grey)" : ")"),
         "Choose");
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
  m_page = m_orientation;
}

void FakePrinter::DrawPicture(const Picture& picture, float x, float y, float width, float height) {
  std::ostringstream call;
  call << "Printer.DrawPicture(" << x << ", " << y << ", " << width << ", " << height << ")";
  Record(call.str(), "DrawPicture");
  RequireDocument();
  if (picture.IsEmpty()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  m_drawing =
      Drawing{*m_page, picture.Width(), picture.Height(), x, y, width, height, 0, picture.Height()};
  m_drawings.push_back(*m_drawing);
}

void FakePrinter::DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                                  float width, float height) {
  Record("Printer.DrawPictureRows", "DrawPictureRows");
  RequireDocument();
  m_drawing =
      Drawing{*m_page, picture.Width(), picture.Height(), x, y, width, height, firstRow, rows};
  m_drawings.push_back(*m_drawing);
}

void FakePrinter::EndDocument() {
  Record("Printer.EndDocument", "EndDocument");
  RequireDocument();
  m_page.reset();
  ++m_documentsPrinted;
}

void FakePrinter::AbortDocument() {
  Record("Printer.AbortDocument", "AbortDocument");
  RequireDocument();
  m_page.reset();
  m_drawing.reset();
  m_drawings.clear();
}

std::optional<std::string> FakeSettingsBackend::Peek(std::string_view key) const {
  const auto found = m_values.find(key);
  return found != m_values.end() ? std::optional(found->second) : std::nullopt;
}

std::optional<std::string> FakeSettingsBackend::Read(std::string_view application,
                                                     std::string_view section,
                                                     std::string_view key) {
  m_log.Add("Settings.Read(" + std::string(application) + "/" + std::string(section) + "/" +
            std::string(key) + ")");
  m_failures.ThrowIfScheduled(key);
  return application == "Quillery" && section == "Startup" ? Peek(key) : std::nullopt;
}

void FakeSettingsBackend::WriteAll(std::string_view application, std::string_view section,
                                   const SettingEntries& entries) {
  std::string call = "Settings.WriteAll(" + std::string(application) + "/" + std::string(section);
  for (const auto& [key, value] : entries) {
    call += (&key == &entries.front().first ? ": " : ", ") + key + "=" + value;
  }
  m_log.Add(call + ")");
  for (const auto& entry : entries) {
    m_failures.ThrowIfScheduled(entry.first);
  }
  if (application == "Quillery" && section == "Startup") {
    for (const auto& [key, value] : entries) {
      Put(key, value);
    }
  }
}

MsgBoxResult FakeWindowing::MsgBox(const MessageBoxRequest& request) {
  m_log.Add("Windowing.MsgBox(" + request.title + ")");
  m_failures.ThrowIfScheduled("MsgBox");
  return WindowingLayer::MsgBox(request);
}

MsgBoxResult FakeWindowing::AskUser(const MessageBoxRequest& request) {
  m_boxes.push_back(request);
  if (m_answers.empty()) {
    return request.buttons == MsgBoxButtons::YesNo ? MsgBoxResult::No : MsgBoxResult::Ok;
  }
  const MsgBoxResult answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

void FakeWindowing::Show(Form& form) {
  m_log.Add("Windowing.Show(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("Show");
  WindowingLayer::Show(form);
}

void FakeWindowing::CreateWindowFor(Form& form) {
  m_log.Add("Windowing.CreateWindow(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("CreateWindow");
}

void FakeWindowing::Unload(Form& form) {
  m_log.Add("Windowing.Unload(" + std::string(form.Name()) + ")");
  m_failures.ThrowIfScheduled("Unload");
  WindowingLayer::Unload(form);
}

void FakeWindowing::End() {
  m_log.Add("Windowing.End");
  WindowingLayer::End();
}

}  // namespace mirablot::fake
