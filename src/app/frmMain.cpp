// SPDX-License-Identifier: MIT
#include "frmMain.h"

#include "core/Conversions.h"
#include "core/Error.h"
#include "forms/ErrorHandling.h"
#include "ports/ClipboardSource.h"
#include "ports/ImageHolder.h"
#include "ports/PrinterDevice.h"
#include "ports/ScreenMetrics.h"
#include "ports/Windowing.h"
#include "print/PrintJob.h"
#include "settings/SettingsStore.h"
#include "ui/ProgramIcon.h"
#include "ui/frmSetting.h"

namespace mirablot {
std::string PrintFailureQuestion(std::int32_t number, std::string_view description) {
  return ErrorReport(number, description) + "\r\rとりあえず設定画面でも開く？";
}

// A borderless 90 x 90 twip window that only carries the image holder and the icon.
frmMain::frmMain(const MainServices& services, ImageHolder& img)
    : Form({"Form1", 90, 90, &ProgramIcon()}), m_services(services), m_img(img) {}

frmMain::~frmMain() = default;

void frmMain::Form_Load() {
  // Beyond the bottom-right corner of the screen, so that the window can never be seen.
  SetTop(ToSingle(m_services.screen.Height()));
  SetLeft(ToSingle(m_services.screen.Width()));
  PrintJob();
}

void frmMain::PrintJob() {
  try {
    print::PrintJob job(m_services.settings, m_services.printer, m_img, m_services.choices,
                        m_services.flow, m_services.stamp);
    job.Print(m_services.clipboard.FetchBitmap());
    m_services.windowing.Unload(*this);
    m_printed = true;
  } catch (...) {
    OnPrintFailure(CurrentError());  // memory running out is error 7, as anywhere
  }
}

void frmMain::OnPrintFailure(const Error& error) {
  // Copied first: the steps below may raise errors of their own, which are ignored.
  const std::int32_t number = error.Number();
  const std::string description = error.Description();
  m_printed = false;

  IgnoringErrors([this] { m_services.printer.AbortDocument(); });
  MsgBoxResult answer = MsgBoxResult::No;
  IgnoringErrors([&] {
    answer = m_services.windowing.MsgBox({std::string(kErrorBoxTitle),
                                          PrintFailureQuestion(number, description),
                                          MsgBoxButtons::YesNo, MsgBoxDefault::Second});
  });
  if (answer == MsgBoxResult::Yes) {
    IgnoringErrors([this] {
      m_settingsWindow = std::make_unique<frmSetting>(m_services.settings, m_services.printer,
                                                      m_services.windowing);
      m_services.windowing.Show(*m_settingsWindow);
    });
  } else {
    IgnoringErrors([this] { m_services.windowing.Unload(*this); });
  }
}

}  // namespace mirablot
