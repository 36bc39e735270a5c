// SPDX-License-Identifier: MIT
#include "SettingsFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace mirablot::posix {
namespace {

// Larger files are left to Qt: ours holds seven short lines.
constexpr std::size_t kLargestPlainFile = 1 << 16;

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

// Characters that would make Qt unquote, unescape, split or re-read something.
bool PlainText(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"' || byte >= 0x80 || (byte < 0x20 && c != '\n' && c != '\r')) {
      return false;
    }
  }
  return true;
}

bool PlainKey(std::string_view key) {
  return !key.empty() && key.find_first_of("%/") == std::string_view::npos;
}

enum class FileState { Absent, Read, Unsure };

// The file's text; Unsure where it exists but cannot be read, or is no plain file.
FileState ReadFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "re");
  if (file == nullptr) {
    return errno == ENOENT || errno == ENOTDIR ? FileState::Absent : FileState::Unsure;
  }
  text.resize(kLargestPlainFile + 1);
  const std::size_t got = std::fread(text.data(), 1, text.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  text.resize(got);
  return failed || got > kLargestPlainFile ? FileState::Unsure : FileState::Read;
}

// Known not to be there.
bool Absent(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Where Qt looks for the user's settings: XDG_CONFIG_HOME, else ~/.config. Empty when the
// environment leaves room for doubt.
std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && *xdg != '\0') {
    return *xdg == '/' ? xdg : "";
  }
  const char* home = std::getenv("HOME");
  return home != nullptr && *home == '/' ? std::string(home) + "/.config" : "";
}

// The folders of settings Qt falls back to when the user's file lacks a key.
std::vector<std::string> SystemFolders() {
  std::vector<std::string> folders{"/etc/xdg"};
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  for (std::string_view rest = dirs != nullptr ? dirs : ""; !rest.empty();) {
    const std::size_t colon = rest.find(':');
    folders.emplace_back(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  return folders;
}

// No settings file of the application's other than the user's own, where Qt would look next.
bool NothingElse(const std::string& home, const std::string& app) {
  bool absent = Absent(home + "/" + app + ".conf");
  for (const std::string& folder : SystemFolders()) {
    absent = absent && Absent(folder + "/" + app + "/" + app + ".conf") &&
             Absent(folder + "/" + app + ".conf");
  }
  return absent;
}

}  // namespace

PlainAnswer ReadPlainIni(std::string_view text, std::string_view section, std::string_view key) {
  if (text.starts_with("\xef\xbb\xbf")) {
    text.remove_prefix(3);
  }
  if (!PlainText(text)) {
    return {};
  }
  PlainAnswer answer{true, std::nullopt};
  bool inSection = false;
  bool found = false;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = TrimSpaces(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';') {
      continue;  // a comment
    }
    if (line.find(';') != std::string_view::npos) {
      return {};  // Qt would end the line there
    }
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name =
          close == std::string_view::npos ? line : TrimSpaces(line.substr(1, close - 1));
      if (close == std::string_view::npos || name.find('%') != std::string_view::npos) {
        return {};
      }
      inSection = name == section;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      continue;  // Qt skips it too
    }
    const std::string_view lineKey = TrimSpaces(line.substr(0, equals));
    const std::string_view value = TrimSpaces(line.substr(equals + 1));
    if (!PlainKey(lineKey)) {
      return {};  // escaped, or a key of a subgroup, which Qt may map onto ours
    }
    if (!inSection || lineKey != key) {
      continue;
    }
    if (found || value.starts_with('@') || value.find(',') != std::string_view::npos) {
      return {};  // twice, a typed value or a list
    }
    found = true;
    answer.value = std::string(value);
  }
  return answer;
}

SettingsFile::SettingsFile(std::function<SettingsBackend&()> qt) : m_qt(std::move(qt)) {}

SettingsFile::Snapshot& SettingsFile::SnapshotOf(std::string_view application) {
  if (!m_snapshot || m_snapshot->application != application) {
    Snapshot snapshot;
    snapshot.application = application;
    snapshot.home = ConfigHome();
    const std::string& app = snapshot.application;
    snapshot.plain = !snapshot.home.empty() &&
                     ReadFile(snapshot.home + "/" + app + "/" + app + ".conf", snapshot.text) !=
                         FileState::Unsure;
    m_snapshot = std::move(snapshot);
  }
  return *m_snapshot;
}

std::optional<std::string> SettingsFile::Read(std::string_view application,
                                              std::string_view section, std::string_view key) {
  Snapshot& file = SnapshotOf(application);
  if (file.plain) {
    PlainAnswer answer = ReadPlainIni(file.text, section, key);
    if (answer.sure && !answer.value) {
      // Not stored for the user: Qt would look in its other files, if there are any.
      if (!file.nothingElse) {
        file.nothingElse = NothingElse(file.home, file.application);
      }
      answer.sure = *file.nothingElse;
    }
    if (answer.sure) {
      return answer.value;
    }
  }
  return m_qt().Read(application, section, key);
}

void SettingsFile::WriteAll(std::string_view application, std::string_view section,
                            const SettingEntries& entries) {
  m_snapshot.reset();
  m_qt().WriteAll(application, section, entries);
}

}  // namespace mirablot::posix
