// SPDX-License-Identifier: MIT
#include "X11Selection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include "X11Connection.h"
#include "core/Error.h"

namespace mirablot::x11 {
namespace {

// How long XWayland may take to bring the Wayland clipboard over after we connect.
constexpr std::chrono::milliseconds kOwnerGrace{300};

template <typename T>
using XcbReply = std::unique_ptr<T, void (*)(void*)>;

template <typename T>
XcbReply<T> Own(T* reply) {
  return {reply, &std::free};
}

[[noreturn]] void ThrowServerSilent() {
  ThrowClipboardUnavailable("X サーバーが応答しません。");
}

using Event = XcbReply<xcb_generic_event_t>;

// The next event of the given type; nullptr once `until` has passed.
Event NextEvent(xcb_connection_t* connection, std::uint8_t type,
                std::chrono::steady_clock::time_point until) {
  xcb_flush(connection);
  for (;;) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      if ((event->response_type & 0x7f) == type) {
        return Own(event);
      }
      std::free(event);
    }
    if (xcb_connection_has_error(connection) != 0) {
      ThrowClipboardUnavailable("X サーバーとの接続が切れました。");
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          until - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      return Own<xcb_generic_event_t>(nullptr);
    }
    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
    (void)::poll(&descriptor, 1, static_cast<int>(left) + 1);
  }
}

// The owner's next event of the given type, waited for until `until`: an owner that stops
// answering is reported, not waited for.
Event AnswerEvent(xcb_connection_t* connection, std::uint8_t type,
                  std::chrono::steady_clock::time_point until) {
  Event event = NextEvent(connection, type, until);
  if (!event) {
    ThrowOwnerSilent();
  }
  return event;
}

}  // namespace

// The answer to a conversion, read from our property as the owner puts it there: a plain
// answer in ranges, an incremental one part by part, each part taken as it arrives.
class X11Selection::Transfer final : public ByteStream {
 public:
  Transfer(X11Selection& reader) : m_reader(reader) {
    // Learn the size first, so that an oversized answer is refused before it is copied.
    const auto head = m_reader.ReadProperty(false, 0, 0);
    if (head->type == m_reader.m_incr) {
      // Deleting the property asks for the first part; its value is a lower bound of the
      // whole size.
      const auto announced = m_reader.ReadProperty(true, 0, 1);
      if (xcb_get_property_value_length(announced.get()) >= 4) {
        std::uint32_t size = 0;
        std::memcpy(&size, xcb_get_property_value(announced.get()), sizeof size);
        CheckSelectionSize(size, m_reader.Limits());
      }
      m_incremental = true;
    } else {
      CheckSelectionSize(head->bytes_after, m_reader.Limits());
      m_left = head->bytes_after;
    }
  }

  std::size_t Read(std::span<std::uint8_t> into) override {
    while (m_at == m_length) {
      if (m_ended || !NextPart()) {
        m_ended = true;
        return 0;
      }
    }
    const std::size_t got = std::min(into.size(), m_length - m_at);
    std::memcpy(into.data(), m_data + m_at, got);
    m_at += got;
    return got;
  }

 private:
  // A plain answer is read a megabyte at a time, and deleted with its last range.
  static constexpr std::uint32_t kRangeWords = 1 << 18;

  bool NextPart() {
    if (!m_incremental) {
      if (m_left == 0) {
        return false;
      }
      Take(m_reader.ReadProperty(true, m_offset, kRangeWords));
      m_offset += static_cast<std::uint32_t>(m_length / 4);
      m_left = m_part->bytes_after;
      return true;
    }
    for (;;) {
      const Event event =
          AnswerEvent(m_reader.m_connection->Get(), XCB_PROPERTY_NOTIFY, m_reader.WaitEnds());
      const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
      if (notify->atom != m_reader.m_property || notify->state != XCB_PROPERTY_NEW_VALUE) {
        continue;
      }
      auto part = m_reader.ReadProperty(true, 0, UINT32_MAX / 4);
      if (part->type == XCB_NONE) {
        continue;  // a notice from before the transfer began; the property is gone already
      }
      Take(std::move(part));
      m_received += m_length;
      CheckSelectionSize(m_received, m_reader.Limits());
      return m_length > 0;  // an empty part ends the transfer
    }
  }

  void Take(XcbReply<xcb_get_property_reply_t> part) {
    m_part = std::move(part);
    m_data = static_cast<const std::uint8_t*>(xcb_get_property_value(m_part.get()));
    m_length = static_cast<std::size_t>(xcb_get_property_value_length(m_part.get()));
    m_at = 0;
  }

  X11Selection& m_reader;
  bool m_incremental = false;
  bool m_ended = false;
  std::uint32_t m_left = 0;    // bytes of a plain answer still in the property
  std::uint32_t m_offset = 0;  // in 32-bit units, where its next range starts
  std::size_t m_received = 0;
  XcbReply<xcb_get_property_reply_t> m_part{nullptr, &std::free};
  const std::uint8_t* m_data = nullptr;
  std::size_t m_length = 0;
  std::size_t m_at = 0;
};

X11Selection::X11Selection(SelectionLimits limits, X11Session session,
                           std::shared_ptr<Connection> connection)
    : SelectionReader(limits),
      m_session(session),
      m_connection(connection ? std::move(connection) : Connection::Open()) {
  if (!m_connection->Reachable()) {
    ThrowClipboardUnavailable("X ディスプレイに接続できません。");
  }
  const xcb_screen_t* screen = m_connection->Screen();
  if (screen == nullptr) {
    ThrowClipboardUnavailable("DISPLAY が指す画面がありません。");
  }
  xcb_connection_t* xcb = m_connection->Get();
  m_window = xcb_generate_id(xcb);
  const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(xcb, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                    &eventMask);
  m_clipboard = Atom("CLIPBOARD");
  m_property = Atom("MIRABLOT_CLIPBOARD");
  m_incr = Atom("INCR");
}

X11Selection::~X11Selection() {
  xcb_destroy_window(m_connection->Get(), m_window);
  xcb_flush(m_connection->Get());
}

std::uint32_t X11Selection::Atom(const std::string& name) {
  xcb_connection_t* connection = m_connection->Get();
  const auto reply = Own(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
      nullptr));
  if (!reply) {
    ThrowServerSilent();
  }
  return reply->atom;
}

bool X11Selection::HasOwner() {
  xcb_connection_t* connection = m_connection->Get();
  const auto owner = Own(xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, m_clipboard), nullptr));
  return owner && owner->owner != XCB_NONE;
}

bool X11Selection::OwnerArrives() {
  xcb_connection_t* connection = m_connection->Get();
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
  if (xfixes == nullptr || xfixes->present == 0) {
    return false;
  }
  // The version must be asked before XFixes answers anything else.
  (void)Own(xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0),
                                           nullptr));
  xcb_xfixes_select_selection_input(connection, m_window, m_clipboard,
                                    XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
  // Someone may have taken it between our first look and the subscription.
  if (HasOwner()) {
    return true;
  }
  const auto notify = static_cast<std::uint8_t>(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
  return NextEvent(connection, notify, std::min(Clock::now() + kOwnerGrace, WaitEnds())) != nullptr;
}

std::vector<std::string> X11Selection::Types() {
  if (!HasOwner() && !(m_session == X11Session::XWayland && OwnerArrives())) {
    if (m_session == X11Session::XWayland) {
      throw Error(ErrorNumber::InvalidPicture,
                  "印刷する画像がありません。クリップボードが空であるか、このデスクトップが"
                  "ウィンドウを持たないプログラムにはクリップボードを渡さないためです。");
    }
    return {};
  }
  const std::unique_ptr<ByteStream> targets = Convert(Atom("TARGETS"));
  if (!targets) {
    return {};
  }
  const std::vector<std::uint8_t> answer = ReadToEnd(*targets);
  std::vector<xcb_atom_t> atoms(answer.size() / sizeof(xcb_atom_t));
  std::memcpy(atoms.data(), answer.data(), atoms.size() * sizeof(xcb_atom_t));

  // Ask for every name at once, then collect the answers.
  xcb_connection_t* connection = m_connection->Get();
  std::vector<xcb_get_atom_name_cookie_t> cookies;
  cookies.reserve(atoms.size());
  for (const xcb_atom_t atom : atoms) {
    cookies.push_back(xcb_get_atom_name(connection, atom));
  }
  std::vector<std::string> names;
  for (const auto cookie : cookies) {
    if (const auto reply = Own(xcb_get_atom_name_reply(connection, cookie, nullptr))) {
      names.emplace_back(xcb_get_atom_name_name(reply.get()),
                         static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
    }
  }
  return names;
}

std::unique_ptr<ByteStream> X11Selection::Open(const std::string& type) {
  return Convert(Atom(type));
}

std::unique_ptr<ByteStream> X11Selection::Convert(std::uint32_t target) {
  xcb_connection_t* connection = m_connection->Get();
  xcb_delete_property(connection, m_window, m_property);
  xcb_convert_selection(connection, m_window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
  const Event event = AnswerEvent(connection, XCB_SELECTION_NOTIFY, WaitEnds());
  if (reinterpret_cast<const xcb_selection_notify_event_t*>(event.get())->property == XCB_NONE) {
    return nullptr;
  }
  return std::make_unique<Transfer>(*this);
}

std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> X11Selection::ReadProperty(
    bool remove, std::uint32_t offset, std::uint32_t words) {
  xcb_connection_t* connection = m_connection->Get();
  auto reply =
      Own(xcb_get_property_reply(connection,
                                 xcb_get_property(connection, remove ? 1 : 0, m_window, m_property,
                                                  XCB_GET_PROPERTY_TYPE_ANY, offset, words),
                                 nullptr));
  if (!reply) {
    ThrowServerSilent();
  }
  return reply;
}

}  // namespace mirablot::x11
