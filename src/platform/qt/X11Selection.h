// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct xcb_connection_t;
struct xcb_get_property_reply_t;

namespace mirablot::qt {

/// How long a clipboard owner may keep us waiting, and how much it may send.
struct SelectionLimits {
  /// Longest silence between two parts of an answer.
  std::chrono::milliseconds idle{2000};
  /// Longest whole conversion, however busily the owner answers.
  std::chrono::milliseconds total{15000};
  /// Largest answer accepted.
  std::size_t maxBytes = std::size_t{1} << 30;
};

/// Reads the X11 CLIPBOARD selection over a connection of its own, so that an owner that never
/// answers, or stops in the middle of an incremental transfer, costs a bounded wait instead of
/// a hang. A failed wait or an oversized answer is an Error.
class X11Selection {
 public:
  /// Connects to the display named by DISPLAY. An unreachable display is an Error.
  explicit X11Selection(SelectionLimits limits);
  ~X11Selection();
  X11Selection(const X11Selection&) = delete;
  X11Selection& operator=(const X11Selection&) = delete;

  /// The types the owner offers (TARGETS), empty when nobody owns the clipboard or the owner
  /// offers none.
  [[nodiscard]] std::vector<std::string> Targets();

  /// The clipboard's contents as the given type, or nothing when the owner refuses it.
  [[nodiscard]] std::optional<std::vector<std::uint8_t>> Fetch(const std::string& target);

 private:
  using Clock = std::chrono::steady_clock;

  [[nodiscard]] std::uint32_t Atom(const std::string& name);
  // Asks the owner for the target; false when it refuses.
  [[nodiscard]] bool Convert(std::uint32_t target, Clock::time_point deadline);
  // Takes the answer out of our property, following an incremental transfer to its end.
  [[nodiscard]] std::vector<std::uint8_t> TakeAnswer(Clock::time_point deadline);
  // Our property's value, at most `words` 32-bit units of it; `remove` deletes it once read.
  [[nodiscard]] std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> ReadProperty(
      bool remove, std::uint32_t words);
  void CheckSize(std::size_t bytes) const;

  SelectionLimits m_limits;
  xcb_connection_t* m_connection = nullptr;
  std::uint32_t m_window = 0;
  std::uint32_t m_clipboard = 0;
  std::uint32_t m_property = 0;
  std::uint32_t m_incr = 0;
};

}  // namespace mirablot::qt
