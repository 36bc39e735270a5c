// SPDX-License-Identifier: MIT
// The Qt module's entry point: the program's Qt adapters, made when the program first needs
// one of them.
#include <QApplication>

#include "QtApplication.h"
#include "QtClipboard.h"
#include "QtScreenMetrics.h"
#include "QtSettingsBackend.h"
#include "QtWindowing.h"
#include "Toolkit.h"

namespace mirablot::qt {
namespace {

class QtToolkit final : public Toolkit {
 public:
  explicit QtToolkit(const Options& options)
      : m_application(*options.argc, options.argv, options.platform, options.whyNoWindows),
        m_windowing(options.closingStatus, [this] { m_application.Start(); }),
        m_screen([this] { m_application.Start(); }),
        m_clipboard([this] { m_application.Start(); }) {}

  WindowingLayer& Windowing() override { return m_windowing; }
  SettingsBackend& Settings() override { return m_settings; }
  ScreenMetrics& Screen() override { return m_screen; }
  ClipboardSource& Clipboard() override { return m_clipboard; }
  Picture Decode(std::vector<std::uint8_t> bytes, const std::string& hint, std::size_t budget,
                 const std::string& what) override {
    return DecodeImage(std::move(bytes), hint, budget, what);
  }
  int RunEventLoop() override { return QApplication::exec(); }
  int Finish(int status) override { return m_application.Finish(status); }

 private:
  LazyApplication m_application;
  QtWindowing m_windowing;
  QtScreenMetrics m_screen;
  QtSettingsBackend m_settings;
  QtClipboard m_clipboard;
};

}  // namespace
}  // namespace mirablot::qt

extern "C" Q_DECL_EXPORT mirablot::qt::Toolkit* mirablot_qt_toolkit(
    const mirablot::qt::Toolkit::Options& options) {
  return new mirablot::qt::QtToolkit(options);
}
