// SPDX-License-Identifier: MIT
#include "SelectionReader.h"

#include "core/Error.h"

namespace mirablot {

void ThrowClipboardUnavailable(std::string_view why) {
  std::string description = "クリップボードを読み取れません: ";
  description += why;
  throw Error(ErrorNumber::ClipboardUnavailable, std::move(description));
}

void ThrowOwnerSilent() {
  ThrowClipboardUnavailable("クリップボードの持ち主が応答しません。");
}

void CheckSelectionSize(std::size_t bytes, const SelectionLimits& limits) {
  if (bytes > limits.maxBytes) {
    throw Error(ErrorNumber::OutOfMemory,
                "クリップボードの内容が大きすぎます (" + std::to_string(bytes) + " バイト)。");
  }
}

}  // namespace mirablot
