// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ClipboardSource.h"

namespace mirablot::qt {

/// The desktop clipboard (on X11 the CLIPBOARD selection). Needs a QGuiApplication.
class QtClipboard final : public ClipboardSource {
 public:
  QtClipboard();
  [[nodiscard]] Picture FetchBitmap(ClipboardFormat format) override;
};

}  // namespace mirablot::qt
