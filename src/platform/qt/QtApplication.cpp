// SPDX-License-Identifier: MIT
#include "QtApplication.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QLibraryInfo>
#include <QString>

#include "QtText.h"
#include "core/ProgramIdentity.h"

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
    ExitNoDisplay({}, kExitDisplayLost);
  }
  if (g_heldMessages != nullptr) {
    g_heldMessages->push_back({type, message});
  } else if (g_previousHandler != nullptr) {
    g_previousHandler(type, context, message);
  }
}

}  // namespace

std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv,
                                                const std::string& platform) {
  if (platform.empty()) {
    ExitNoDisplay();
  }
  qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
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
  if (std::unique_ptr<QTranslator> translator = InstallQtTranslations(QLocale())) {
    translator.release()->setParent(application.get());  // lives as long as the application
  }
  return application;
}

LazyApplication::LazyApplication(int& argc, char** argv, std::string platform,
                                 std::string whyNoWindows)
    : m_argc(argc),
      m_argv(argv),
      m_platform(std::move(platform)),
      m_whyNoWindows(std::move(whyNoWindows)) {}

LazyApplication::~LazyApplication() = default;

int LazyApplication::Finish(int status) {
  if (!m_application) {
    return status;
  }
  std::fflush(nullptr);
  std::_Exit(status);
}

void LazyApplication::Start() {
  if (!m_application) {
    if (m_platform.empty()) {
      ExitNoDisplay(m_whyNoWindows);
    }
    m_application = CreateApplication(m_argc, m_argv, m_platform);
  }
}

std::unique_ptr<QTranslator> InstallQtTranslations(const QLocale& locale) {
  auto translator = std::make_unique<QTranslator>();
  // qt_LANG.qm names the catalogues of every Qt module, qtbase's among them.
  if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator.get())) {
    return nullptr;
  }
  return translator;
}

}  // namespace mirablot::qt
