// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

#include <QString>

namespace mirablot::qt {

/// The core's UTF-8 text as a QString.
[[nodiscard]] inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace mirablot::qt
