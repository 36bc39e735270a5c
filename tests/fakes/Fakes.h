// SPDX-License-Identifier: MIT
#pragma once

// In-memory fakes of the ports. Each records its calls in one CallLog ("Printer.NewPage",
// "Settings.Read(Quillery/Startup/Zoom)", "Windowing.MsgBox(Mirablot Error)") and fails a call
// when a failure is scheduled for its name.

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Picture.h"
#include "forms/WindowingLayer.h"
#include "ports/ClipboardSource.h"
#include "ports/PrinterDevice.h"
#include "ports/ScreenMetrics.h"
#include "ports/SettingsBackend.h"

namespace mirablot::fake {

/// The calls that the fakes received, in order.
class CallLog {
 public:
  void Add(std::string call) { m_calls.push_back(std::move(call)); }
  [[nodiscard]] const std::vector<std::string>& Calls() const { return m_calls; }
  /// The calls whose text starts with prefix, in order.
  [[nodiscard]] std::vector<std::string> Matching(std::string_view prefix) const;
  [[nodiscard]] bool Contains(std::string_view call) const;
  void Clear() { m_calls.clear(); }

 private:
  std::vector<std::string> m_calls;
};

/// Throws the Error registered for a call name, if any.
class FailureSchedule {
 public:
  void FailOn(std::string call, int number, std::string description = "scheduled failure");
  void Clear() { m_failures.clear(); }
  void ThrowIfScheduled(std::string_view call) const;

 private:
  std::map<std::string, std::pair<int, std::string>, std::less<>> m_failures;
};

/// A picture that has a size (and, for cutting across pages, blank rows) and nothing else.
[[nodiscard]] Picture MakePicture(int width, int height, std::vector<bool> blankRows = {});

/// A clipboard holding one picture, or the empty picture when it holds text.
class FakeClipboard final : public ClipboardSource {
 public:
  explicit FakeClipboard(CallLog& log) : m_log(log) {}
  void Hold(Picture picture) { m_picture = std::move(picture); }
  [[nodiscard]] Picture FetchBitmap() override;

 private:
  CallLog& m_log;
  Picture m_picture;
};

/// A screen of a fixed size in twips with square pixels.
class FakeScreen final : public ScreenMetrics {
 public:
  FakeScreen(double width, double height, double twipsPerPixel)
      : m_width(width), m_height(height), m_twipsPerPixel(twipsPerPixel) {}
  [[nodiscard]] double Width() override { return m_width; }
  [[nodiscard]] double Height() override { return m_height; }
  [[nodiscard]] double TwipsPerPixelX() override { return m_twipsPerPixel; }
  [[nodiscard]] double TwipsPerPixelY() override { return m_twipsPerPixel; }

 private:
  double m_width;
  double m_height;
  double m_twipsPerPixel;
};

/// A printer with a fixed printable area (portrait, twips; landscape swaps the two) that
/// remembers what was drawn on which page.
class FakePrinter final : public PrinterDevice {
 public:
  FakePrinter(CallLog& log, double portraitWidth, double portraitHeight)
      : m_log(log), m_portraitWidth(portraitWidth), m_portraitHeight(portraitHeight) {}

  struct Drawing {
    Orientation page;
    int pictureWidth;
    int pictureHeight;
    float x;
    float y;
    float width;
    float height;
    int firstRow = 0;
    int rows = 0;  // of the picture, drawn into the rectangle
  };

  void SetPortraitSize(double width, double height) {
    m_portraitWidth = width;
    m_portraitHeight = height;
  }
  /// Starts in this orientation, as the printer's own setting would.
  void StartIn(Orientation orientation) { m_orientation = orientation; }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }
  [[nodiscard]] const std::optional<Drawing>& LastDrawing() const { return m_drawing; }
  /// Every drawing of the document, a page's after the page before.
  [[nodiscard]] const std::vector<Drawing>& Drawings() const { return m_drawings; }
  [[nodiscard]] int DocumentsPrinted() const { return m_documentsPrinted; }
  [[nodiscard]] bool DocumentOpen() const { return m_page.has_value(); }

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
  void Record(std::string call, std::string_view name);
  void RequireDocument() const;

  CallLog& m_log;
  FailureSchedule m_failures;
  double m_portraitWidth;
  double m_portraitHeight;
  Orientation m_orientation = Orientation::Portrait;
  std::optional<Orientation> m_page;  // the open document's page
  int m_documentsPrinted = 0;
  std::optional<Drawing> m_drawing;
  std::vector<Drawing> m_drawings;
};

/// Settings in memory; a failure scheduled for a key fails its read, and a save holding it
/// stores nothing.
class FakeSettingsBackend final : public SettingsBackend {
 public:
  explicit FakeSettingsBackend(CallLog& log) : m_log(log) {}

  /// Stores a value directly, without recording a call.
  void Put(std::string_view key, std::string_view value) { m_values[std::string(key)] = value; }
  /// The stored value, without recording a call.
  [[nodiscard]] std::optional<std::string> Peek(std::string_view key) const;
  [[nodiscard]] std::size_t Size() const { return m_values.size(); }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }

  /// Only Quillery/Startup holds anything.
  [[nodiscard]] std::optional<std::string> Read(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) override;
  /// Recorded as "Settings.WriteAll(Quillery/Startup: Orientation=0, Zoom=1, ...)".
  void WriteAll(std::string_view application, std::string_view section,
                const SettingEntries& entries) override;

 private:
  CallLog& m_log;
  FailureSchedule m_failures;
  std::map<std::string, std::string, std::less<>> m_values;
};

/// The real windowing layer on a desktop of memory: message boxes are answered from a script
/// (No or OK without one), windows are made in name only. Failures: MsgBox, Show, Unload,
/// CreateWindow.
class FakeWindowing final : public WindowingLayer {
 public:
  explicit FakeWindowing(CallLog& log) : WindowingLayer(1), m_log(log) {}

  void Answer(MsgBoxResult answer) { m_answers.push_back(answer); }
  [[nodiscard]] const std::vector<MessageBoxRequest>& MessageBoxes() const { return m_boxes; }
  [[nodiscard]] FailureSchedule& Failures() { return m_failures; }

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;

 protected:
  [[nodiscard]] MsgBoxResult AskUser(const MessageBoxRequest& request) override;
  void CreateWindowFor(Form& form) override;
  void Present(const Form& /*form*/) override {}
  void Retire(const Form& /*form*/) override {}
  void Quit(int /*status*/) override {}

 private:
  CallLog& m_log;
  FailureSchedule m_failures;
  std::deque<MsgBoxResult> m_answers;
  std::vector<MessageBoxRequest> m_boxes;
};

}  // namespace mirablot::fake
