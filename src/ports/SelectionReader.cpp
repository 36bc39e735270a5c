// SPDX-License-Identifier: MIT
#include "SelectionReader.h"

#include "core/Error.h"

namespace mirablot {

std::optional<std::vector<std::uint8_t>> SelectionReader::Fetch(const std::string& type) {
  const std::unique_ptr<ByteStream> stream = Open(type);
  if (!stream) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes = ReadToEnd(*stream);
  if (bytes.empty()) {
    return std::nullopt;  // an owner that sends nothing has nothing in that type
  }
  return bytes;
}

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
