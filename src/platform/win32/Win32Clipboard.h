// SPDX-License-Identifier: MIT
#pragma once

#include "ports/ClipboardSource.h"

namespace mirablot::win32 {

/// The Windows clipboard: a device-independent bitmap (CF_DIBV5, else CF_DIB), or failing
/// those a PNG some programs offer alone.
class Win32Clipboard final : public ClipboardSource {
 public:
  Win32Clipboard() = default;

  [[nodiscard]] Picture FetchBitmap() override;
};

}  // namespace mirablot::win32
