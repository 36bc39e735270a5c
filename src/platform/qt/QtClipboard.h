// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ClipboardSource.h"

namespace mirablot::qt {

/// The desktop clipboard. On X11 the CLIPBOARD selection is read over a connection of its own
/// with bounded waits; elsewhere through Qt. Needs a QGuiApplication.
class QtClipboard final : public ClipboardSource {
 public:
  [[nodiscard]] Picture FetchBitmap(ClipboardFormat format) override;
};

}  // namespace mirablot::qt
