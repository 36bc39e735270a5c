// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "core/Picture.h"

namespace mirablot {

enum class ClipboardFormat : std::int16_t { Bitmap = 2 };

/// The system clipboard, read-only.
class ClipboardSource {
 public:
  virtual ~ClipboardSource() = default;
  ClipboardSource(const ClipboardSource&) = delete;
  ClipboardSource& operator=(const ClipboardSource&) = delete;

  /// The clipboard's picture, or the empty picture (not an error) when it holds none.
  [[nodiscard]] virtual Picture FetchBitmap(ClipboardFormat format) = 0;

 protected:
  ClipboardSource() = default;
};

}  // namespace mirablot
