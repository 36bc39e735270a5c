// SPDX-License-Identifier: MIT
// The settings back end over an arbitrary file: every key reads as text or fails as a store
// error, the plain reader that spares a print Qt's start either gives Qt's answer or leaves the
// file to Qt, and a value saved into that file reads back exactly as saved, by both.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "platform/posix/SettingsFile.h"
#include "platform/qt/QtSettingsBackend.h"
#include "settings/SettingsStore.h"

using mirablot::fuzz::Check;
namespace settings = mirablot::settings;

namespace {

std::unique_ptr<QTemporaryDir> g_config;
unsigned g_iteration = 0;

void CheckStoreError(const mirablot::Error& error) {
  Check(error.Number() == static_cast<int>(mirablot::ErrorNumber::FileAccess),
        "the store failed with an unexpected error number");
}

// Where the plain reader is sure, Qt reads the same.
void CheckPlainAnswer(const std::string& text, std::string_view key,
                      const std::optional<std::string>& qt) {
  const mirablot::posix::PlainAnswer plain =
      mirablot::posix::ReadPlainIni(text, settings::kSection, key);
  Check(!plain.sure || plain.value == qt, "the plain reader and Qt read a key differently");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  g_config = std::make_unique<QTemporaryDir>();
  qputenv("XDG_CONFIG_HOME", g_config->path().toUtf8());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Names taken in turn: QSettings keeps each file it has parsed, and would reuse a parse of
  // an earlier input of the same size written within the same millisecond.
  const std::string application = "Fuzz" + std::to_string(g_iteration++ % 16);
  const QString folder = g_config->path() + "/" + QString::fromStdString(application);
  QDir().mkpath(folder);
  const QString path = folder + "/" + QString::fromStdString(application) + ".conf";
  {
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly), "cannot write the input file");
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }

  const std::string text(reinterpret_cast<const char*>(data), size);
  mirablot::qt::QtSettingsBackend backend;
  for (const std::string_view key :
       {settings::kOrientation, settings::kZoom, settings::kSpace0, settings::kSpace1,
        settings::kSpaceMM, settings::kPositionH, settings::kPositionV}) {
    try {
      CheckPlainAnswer(text, key, backend.Read(application, settings::kSection, key));
    } catch (const mirablot::Error& error) {
      CheckStoreError(error);
      Check(!mirablot::posix::ReadPlainIni(text, settings::kSection, key).sure,
            "the plain reader read a file Qt refuses");
    }
  }

  // Whatever the user types: the input's tail as valid UTF-8.
  const QByteArray tail =
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).right(24);
  const std::string typed = QString::fromUtf8(tail).toStdString();
  try {
    backend.WriteAll(application, settings::kSection, {{std::string(settings::kSpaceMM), typed}});
  } catch (const mirablot::Error& error) {
    CheckStoreError(error);
    QDir(folder).removeRecursively();
    return 0;
  }
  // A file just saved that cannot be read ends the run as a crash.
  Check(backend.Read(application, settings::kSection, settings::kSpaceMM) == typed,
        "a saved value reads back changed");
  QFile saved(path);
  Check(saved.open(QIODevice::ReadOnly), "cannot read the settings file back");
  CheckPlainAnswer(saved.readAll().toStdString(), settings::kSpaceMM, typed);
  QDir(folder).removeRecursively();
  return 0;
}
