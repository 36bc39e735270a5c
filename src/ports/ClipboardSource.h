// SPDX-License-Identifier: MIT
#pragma once

#include "core/Picture.h"

namespace mirablot {

/// The system clipboard, read-only.
class ClipboardSource {
 public:
  virtual ~ClipboardSource() = default;
  ClipboardSource(const ClipboardSource&) = delete;
  ClipboardSource& operator=(const ClipboardSource&) = delete;

  /// The clipboard's bitmap, or the empty picture (not an error) when it holds none.
  [[nodiscard]] virtual Picture FetchBitmap() = 0;

 protected:
  ClipboardSource() = default;
};

}  // namespace mirablot
