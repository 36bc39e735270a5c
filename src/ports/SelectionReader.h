// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/ByteStream.h"

namespace mirablot {

/// How long a clipboard owner may keep us waiting, and how much it may send.
struct SelectionLimits {
  /// Longest silence between two parts of an answer.
  std::chrono::milliseconds idle{2000};
  /// Longest whole read of the clipboard, however busily the owner answers and however many
  /// types it offers.
  std::chrono::milliseconds total{15000};
  /// Largest answer accepted.
  std::size_t maxBytes = std::size_t{1} << 30;
};

/// A desktop clipboard whose owner hands its contents over as bytes of a MIME type, on
/// request (the X11 selection, the Wayland data-control offer), for one read. Every wait is
/// bounded by the reader's SelectionLimits: an owner that stops answering is an Error, never a
/// hang, and the whole read ends within the total limit, counted from when the reader opened.
class SelectionReader {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~SelectionReader() = default;
  SelectionReader(const SelectionReader&) = delete;
  SelectionReader& operator=(const SelectionReader&) = delete;

  /// The MIME types the owner offers; empty when the clipboard holds nothing.
  [[nodiscard]] virtual std::vector<std::string> Types() = 0;

  /// The contents as the given type, as the owner sends them; nullptr when it refuses the
  /// type. The stream reads through this reader, which must outlive it; one at a time.
  [[nodiscard]] virtual std::unique_ptr<ByteStream> Open(const std::string& type) = 0;

  /// The contents as the given type, whole; nothing when the owner refuses it or sends
  /// nothing.
  [[nodiscard]] std::optional<std::vector<std::uint8_t>> Fetch(const std::string& type);

 protected:
  explicit SelectionReader(const SelectionLimits& limits)
      : m_limits(limits), m_readEnds(Clock::now() + limits.total) {}

  [[nodiscard]] const SelectionLimits& Limits() const noexcept { return m_limits; }
  /// When a wait for the owner that starts now ends: after the idle limit, never past the end
  /// of the whole read.
  [[nodiscard]] Clock::time_point WaitEnds() const {
    return std::min(Clock::now() + m_limits.idle, m_readEnds);
  }

 private:
  SelectionLimits m_limits;
  Clock::time_point m_readEnds;
};

/// Error 521 with the reason the clipboard could not be read.
[[noreturn]] void ThrowClipboardUnavailable(std::string_view why);

/// Error 521 for an owner that fell silent for longer than the limits allow.
[[noreturn]] void ThrowOwnerSilent();

/// Error 7 when an answer of this many bytes is larger than the limits allow.
void CheckSelectionSize(std::size_t bytes, const SelectionLimits& limits);

}  // namespace mirablot
