// SPDX-License-Identifier: MIT
#pragma once

// In-memory fakes of the ports. Each records its calls in one CallLog ("Printer.NewPage",
// "Settings.Read(Quillery/Startup/Zoom)", "Windowing.MsgBox(Mirablot Error)"), which fails a
// call whose text contains a part that a failure was scheduled for.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"
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
  /// Records the call, then throws the Error scheduled for it, if any.
  void Add(std::string call);
  void FailOn(std::string part, int number, std::string description = "scheduled failure") {
    m_failures.emplace_back(std::move(part), Error(number, std::move(description)));
  }
  [[nodiscard]] const std::vector<std::string>& Calls() const { return m_calls; }
  /// The calls whose text starts with prefix, in order.
  [[nodiscard]] std::vector<std::string> Matching(std::string_view prefix) const;
  [[nodiscard]] bool Contains(std::string_view call) const;
  void Clear() { m_calls.clear(); }

 private:
  std::vector<std::string> m_calls;
  std::vector<std::pair<std::string, Error>> m_failures;
};

/// A picture that has a size (and, for cutting across pages, blank rows) and nothing else.
[[nodiscard]] Picture MakePicture(int width, int height, std::vector<bool> blankRows = {});

/// A clipboard holding one picture, or the empty picture when it holds text.
struct FakeClipboard final : ClipboardSource {
  explicit FakeClipboard(CallLog& calls) : log(calls) {}
  [[nodiscard]] Picture FetchBitmap() override { return log.Add("Clipboard.FetchBitmap"), picture; }
  CallLog& log;
  Picture picture;
};

/// A screen of 28800 x 16200 twips (1920 x 1080 pixels of 15 twips) with square pixels.
struct FakeScreen final : ScreenMetrics {
  [[nodiscard]] double Width() override { return 28800; }
  [[nodiscard]] double Height() override { return 16200; }
  [[nodiscard]] double TwipsPerPixelX() override { return twipsPerPixel; }
  [[nodiscard]] double TwipsPerPixelY() override { return twipsPerPixel; }
  double twipsPerPixel = 15;
};

/// An A4 printer printable to its edges (11900 x 16840 twips in portrait; landscape swaps the
/// two) that remembers what was drawn where: "portrait X,Y WxH", plus " rows FIRST+COUNT" for a
/// slice of the picture.
class FakePrinter final : public PrinterDevice {
 public:
  explicit FakePrinter(CallLog& log) : m_log(log) {}

  [[nodiscard]] bool DocumentOpen() const { return m_page.has_value(); }

  void Choose(const PrintChoices& choices) override;
  [[nodiscard]] double PageWidth() override { return Turned() ? portraitHeight : portraitWidth; }
  [[nodiscard]] double PageHeight() override { return Turned() ? portraitWidth : portraitHeight; }
  void SetOrientation(Orientation turned) override { orientation = turned; }
  [[nodiscard]] Orientation GetOrientation() override;
  void NewPage() override;
  void DrawPicture(const Picture& picture, float x, float y, float width, float height) override;
  void DrawPictureRows(const Picture& picture, int firstRow, int rows, float x, float y,
                       float width, float height) override;
  void DrawStamp(const std::string& text, float right, float baseline) override;
  void EndDocument() override;
  void AbortDocument() override;

  /// A stamp as drawn, with the page's extents then.
  struct Stamp {
    std::string text;
    float right, baseline;
    double pageWidth, pageHeight;
  };

  Orientation orientation = Orientation::Portrait;  // the printer's own, until set
  double portraitWidth = 11900;
  double portraitHeight = 16840;
  std::vector<std::string> drawings;
  std::vector<Stamp> stamps;
  int documentsPrinted = 0;

 private:
  [[nodiscard]] bool Turned() const { return orientation == Orientation::Landscape; }
  void CloseDocument(std::string call);

  CallLog& m_log;
  std::optional<Orientation> m_page;  // the open document's page
};

/// Settings in memory; only Quillery/Startup holds anything. A failed save stores nothing.
class FakeSettingsBackend final : public SettingsBackend {
 public:
  explicit FakeSettingsBackend(CallLog& log) : m_log(log) {}

  [[nodiscard]] std::optional<std::string> Read(std::string_view application,
                                                std::string_view section,
                                                std::string_view key) override;
  /// Recorded as "Settings.WriteAll(Quillery/Startup: Orientation=0, Zoom=1, ...)".
  void WriteAll(std::string_view application, std::string_view section,
                const SettingEntries& entries) override;

  std::map<std::string, std::string, std::less<>> values;  // read and written without a record

 private:
  CallLog& m_log;
};

/// The real windowing layer on a desktop of memory: questions are answered as told, other
/// message boxes with OK; windows are made in name only.
class FakeWindowing final : public WindowingLayer {
 public:
  explicit FakeWindowing(CallLog& log) : WindowingLayer(1), m_log(log) {}

  [[nodiscard]] const std::vector<MessageBoxRequest>& MessageBoxes() const { return m_boxes; }

  void Unload(Form& form) override;
  void End() override;
  MsgBoxResult answer = MsgBoxResult::No;  // to every question

 protected:
  [[nodiscard]] MsgBoxResult AskUser(const MessageBoxRequest& request) override;
  void CreateWindowFor(Form& form) override;
  void Present(const Form& /*form*/) override {}
  void Retire(const Form& /*form*/) override {}
  void Quit(int /*status*/) override {}

 private:
  CallLog& m_log;
  std::vector<MessageBoxRequest> m_boxes;
};

/// One of each fake on one log.
struct Desk {
  CallLog log;
  FakePrinter printer{log};
  FakeClipboard clipboard{log};
  FakeScreen screen;
  FakeSettingsBackend settings{log};
  FakeWindowing windowing{log};
};

}  // namespace mirablot::fake
