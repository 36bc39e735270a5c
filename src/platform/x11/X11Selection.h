// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/SelectionReader.h"

struct xcb_connection_t;
struct xcb_get_property_reply_t;

namespace mirablot::x11 {

class Connection;

/// Where the X display comes from, which changes what a missing clipboard owner means.
enum class X11Session {
  /// An X11 desktop: no owner is an empty clipboard.
  X11,
  /// XWayland on a Wayland desktop. XWayland may take the clipboard a moment after we connect
  /// (started on demand), and most compositors never give it to a client without a focused
  /// window: no owner is said as such.
  XWayland,
};

/// Reads the X11 CLIPBOARD selection over a connection of its own, so that an owner that never
/// answers, or stops in the middle of an incremental transfer, costs a bounded wait instead of
/// a hang. A failed wait or an oversized answer is an Error.
class X11Selection final : public SelectionReader {
 public:
  /// Over the connection given, else one of its own to the display named by DISPLAY. An
  /// unreachable display is an Error.
  X11Selection(SelectionLimits limits, X11Session session,
               std::shared_ptr<Connection> connection = nullptr);
  X11Selection(const X11Selection&) = delete;
  X11Selection& operator=(const X11Selection&) = delete;
  ~X11Selection() override;

  /// The types the owner offers (TARGETS), empty when nobody owns the clipboard or the owner
  /// offers none. On XWayland, waits briefly for an owner, then fails with error 481 saying
  /// that the desktop may keep its clipboard from programs without a window.
  [[nodiscard]] std::vector<std::string> Types() override;

  /// The clipboard's contents as the given type, as the owner sends them (an incremental
  /// transfer part by part); nullptr when the owner refuses it.
  [[nodiscard]] std::unique_ptr<ByteStream> Open(const std::string& type) override;

 private:
  class Transfer;

  [[nodiscard]] std::uint32_t Atom(const std::string& name);
  [[nodiscard]] bool HasOwner();
  // Waits a moment for someone to take the clipboard (XFixes); false when nobody did.
  [[nodiscard]] bool OwnerArrives();
  // Asks the owner for the target; nullptr when it refuses.
  [[nodiscard]] std::unique_ptr<ByteStream> Convert(std::uint32_t target);

  // At most `words` 32-bit units of our property's value from `offset` on; `remove` deletes
  // the property once its last byte has been read.
  [[nodiscard]] std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> ReadProperty(
      bool remove, std::uint32_t offset, std::uint32_t words);

  X11Session m_session;
  std::shared_ptr<Connection> m_connection;
  std::uint32_t m_window = 0;
  std::uint32_t m_clipboard = 0;
  std::uint32_t m_property = 0;
  std::uint32_t m_incr = 0;
};

}  // namespace mirablot::x11
