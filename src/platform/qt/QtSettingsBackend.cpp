// SPDX-License-Identifier: MIT
#include "QtSettingsBackend.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "QtText.h"
#include "core/Error.h"

namespace mirablot::qt {
namespace {

QSettings OpenSettings(std::string_view application) {
  const QString name = ToQString(application);
  return {QSettings::NativeFormat, QSettings::UserScope, name, name};
}

// A file QSettings cannot parse is read for what it could parse: the lines it skipped are
// settings not stored, which the print job treats as it treats any value it does not know.
void ThrowOnFailure(const QSettings& settings, bool tolerateFormat) {
  switch (settings.status()) {
    case QSettings::NoError:
      return;
    case QSettings::AccessError:
      throw Error(ErrorNumber::FileAccess,
                  "設定ファイルを読み書きできません: " + settings.fileName().toStdString());
    case QSettings::FormatError:
      if (tolerateFormat) {
        return;
      }
      throw Error(ErrorNumber::FileAccess,
                  "設定ファイルの書式が正しくありません: " + settings.fileName().toStdString());
  }
}

// The text after "key=" in the section, as the file holds it. QSettings turns a hand-written
// "1,5" into a list; the user still means the text.
std::optional<std::string> RawValue(const QString& path, std::string_view section,
                                    std::string_view key) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    return std::nullopt;
  }
  const QString sectionHeader = QLatin1Char('[') + ToQString(section) + QLatin1Char(']');
  const QString wantedKey = ToQString(key);
  bool inSection = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inSection = line == sectionHeader;
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (inSection && equals > 0 && line.left(equals).trimmed() == wantedKey) {
      return line.mid(equals + 1).trimmed().toStdString();
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> QtSettingsBackend::Read(std::string_view application,
                                                   std::string_view section, std::string_view key) {
  QSettings settings = OpenSettings(application);
  ThrowOnFailure(settings, true);
  settings.beginGroup(ToQString(section));
  const QString name = ToQString(key);
  if (!settings.contains(name)) {
    return std::nullopt;
  }
  const QVariant value = settings.value(name);
  if (value.typeId() == QMetaType::QString) {
    return value.toString().toStdString();
  }
  if (std::optional<std::string> raw = RawValue(settings.fileName(), section, key)) {
    return raw;
  }
  return value.toStringList().join(QLatin1Char(',')).toStdString();
}

void QtSettingsBackend::WriteAll(std::string_view application, std::string_view section,
                                 const SettingEntries& entries) {
  QSettings settings = OpenSettings(application);
  settings.beginGroup(ToQString(section));
  for (const auto& [key, value] : entries) {
    settings.setValue(ToQString(key), ToQString(value));
  }
  settings.endGroup();
  settings.sync();
  ThrowOnFailure(settings, false);
}

}  // namespace mirablot::qt
