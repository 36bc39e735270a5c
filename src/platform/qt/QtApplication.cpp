// SPDX-License-Identifier: MIT
#include "QtApplication.h"

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

#include "QtText.h"
#include "platform/ProgramIdentity.h"

namespace mirablot::qt {
namespace {

struct HeldMessage {
  QtMsgType type;
  QString text;
};

QtMessageHandler g_previousHandler = nullptr;
std::vector<HeldMessage>* g_heldMessages = nullptr;

// While the platform starts, Qt explains a missing display in several lines and then aborts.
// Keep the lines back; on the abort, say it in one line and leave with our own status.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtFatalMsg) {
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
      std::fputs(
          "mirablot: no display: DISPLAY is not set; start Mirablot from a desktop session\n",
          stderr);
    } else {
      std::fprintf(stderr,
                   "mirablot: no display: cannot connect to X display \"%s\"; start Mirablot "
                   "from a desktop session\n",
                   display.constData());
    }
    std::_Exit(kExitNoDisplay);
  }
  if (g_heldMessages != nullptr) {
    g_heldMessages->push_back({type, message});
  } else if (g_previousHandler != nullptr) {
    g_previousHandler(type, context, message);
  }
}

}  // namespace

std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv) {
  // A window-less Wayland client cannot read the clipboard: with an X display at hand (XWayland
  // on a Wayland desktop) Mirablot uses it, even when the session asks Qt for Wayland.
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.isEmpty() ||
      (platform.startsWith("wayland") && !qEnvironmentVariableIsEmpty("DISPLAY"))) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  std::vector<HeldMessage> held;
  g_heldMessages = &held;
  g_previousHandler = qInstallMessageHandler(StartupMessageHandler);
  auto application = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(g_previousHandler);
  g_heldMessages = nullptr;
  // Started after all: the held lines were only warnings.
  for (const HeldMessage& message : held) {
    qt_message_output(message.type, QMessageLogContext(), message.text);
  }
  QApplication::setApplicationName(ToQString(kProductName));
  QApplication::setApplicationVersion(ToQString(kProductVersion));
  QApplication::setDesktopFileName(QStringLiteral(MIRABLOT_APP_ID));
  return application;
}

}  // namespace mirablot::qt
