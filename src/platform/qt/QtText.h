// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

#include <QString>

namespace mirablot::qt {

/// The core's UTF-8 text as a QString.
[[nodiscard]] inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

/// A QString's UTF-16 units, as the core's caret mapping reads them.
[[nodiscard]] inline std::u16string_view Utf16(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace mirablot::qt
