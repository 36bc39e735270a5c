// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "forms/Form.h"
#include "ports/PrinterDevice.h"
#include "print/PrintJob.h"

namespace mirablot {

class ClipboardSource;
class Error;
class ImageHolder;
class ScreenMetrics;
class SettingsStore;
class Windowing;
class frmSetting;

/// What the start-up window works with.
struct MainServices {
  PrinterDevice& printer;
  /// Where the picture comes from: the clipboard, or a file or standard input instead.
  ClipboardSource& clipboard;
  ScreenMetrics& screen;
  SettingsStore& settings;
  Windowing& windowing;
  PrintChoices choices{};
  print::Flow flow = print::Flow::OnePage;
  /// Printed at the foot of every page; empty for nothing.
  std::string stamp{};
};

/// The question asked after a failed print, its lines separated by carriage returns.
[[nodiscard]] std::string PrintFailureQuestion(std::int32_t number, std::string_view description);

/// The start-up window. Nobody ever sees it: its load prints the clipboard's picture on the
/// default printer and, when that fails, asks whether to open the settings window. It stays
/// loaded behind that window until the program ends.
class frmMain final : public Form {
 public:
  frmMain(const MainServices& services, ImageHolder& img);
  ~frmMain() override;

  [[nodiscard]] std::string_view Name() const override { return "frmMain"; }
  void Form_Load() override;

  /// True once the print job has run to its end without an error.
  [[nodiscard]] bool Printed() const { return m_printed; }

 private:
  // Prints the clipboard's picture (print::PrintJob); a failure aborts and asks.
  void PrintJob();
  void OnPrintFailure(const Error& error);

  MainServices m_services;
  ImageHolder& m_img;
  bool m_printed = false;
  std::unique_ptr<frmSetting> m_settingsWindow;
};

}  // namespace mirablot
