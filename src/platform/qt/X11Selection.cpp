// SPDX-License-Identifier: MIT
#include "X11Selection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>

#include "platform/Error.h"

namespace mirablot::qt {
namespace {

template <typename T>
using XcbReply = std::unique_ptr<T, void (*)(void*)>;

template <typename T>
XcbReply<T> Own(T* reply) {
  return {reply, &std::free};
}

[[noreturn]] void ThrowUnavailable(const char* why) {
  throw Error(ErrorNumber::ClipboardUnavailable,
              std::string("クリップボードを読み取れません: ") + why);
}

// The next event of the given type for our window. Waits at most the idle limit, and never
// past the deadline: an owner that stops answering is reported, not waited for.
XcbReply<xcb_generic_event_t> WaitForEvent(xcb_connection_t* connection, std::uint8_t type,
                                           std::chrono::milliseconds idle,
                                           std::chrono::steady_clock::time_point deadline) {
  const auto silenceEnds = std::min(std::chrono::steady_clock::now() + idle, deadline);
  for (;;) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      if ((event->response_type & 0x7f) == type) {
        return Own(event);
      }
      std::free(event);
    }
    if (xcb_connection_has_error(connection) != 0) {
      ThrowUnavailable("X サーバーとの接続が切れました。");
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        silenceEnds - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ThrowUnavailable("クリップボードの持ち主が応答しません。");
    }
    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
    (void)::poll(&descriptor, 1, static_cast<int>(left.count()) + 1);
  }
}

}  // namespace

X11Selection::X11Selection(SelectionLimits limits) : m_limits(limits) {
  int screenNumber = 0;
  m_connection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(m_connection) != 0) {
    xcb_disconnect(m_connection);
    ThrowUnavailable("X ディスプレイに接続できません。");
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
    xcb_screen_next(&screens);
  }
  m_window = xcb_generate_id(m_connection);
  const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screens.data->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                    &eventMask);
  m_clipboard = Atom("CLIPBOARD");
  m_property = Atom("MIRABLOT_CLIPBOARD");
  m_incr = Atom("INCR");
}

X11Selection::~X11Selection() {
  xcb_disconnect(m_connection);
}

std::uint32_t X11Selection::Atom(const std::string& name) {
  const auto reply = Own(xcb_intern_atom_reply(
      m_connection,
      xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
      nullptr));
  if (!reply) {
    ThrowUnavailable("X サーバーが応答しません。");
  }
  return reply->atom;
}

std::vector<std::string> X11Selection::Targets() {
  const auto owner = Own(xcb_get_selection_owner_reply(
      m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
  if (!owner || owner->owner == XCB_NONE) {
    return {};
  }
  const auto deadline = Clock::now() + m_limits.total;
  if (!Convert(Atom("TARGETS"), deadline)) {
    return {};
  }
  const std::vector<std::uint8_t> answer = TakeAnswer(deadline);
  std::vector<xcb_atom_t> atoms(answer.size() / sizeof(xcb_atom_t));
  std::memcpy(atoms.data(), answer.data(), atoms.size() * sizeof(xcb_atom_t));

  // Ask for every name at once, then collect the answers.
  std::vector<xcb_get_atom_name_cookie_t> cookies;
  cookies.reserve(atoms.size());
  for (const xcb_atom_t atom : atoms) {
    cookies.push_back(xcb_get_atom_name(m_connection, atom));
  }
  std::vector<std::string> names;
  for (const auto cookie : cookies) {
    if (const auto reply = Own(xcb_get_atom_name_reply(m_connection, cookie, nullptr))) {
      names.emplace_back(xcb_get_atom_name_name(reply.get()),
                         static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
    }
  }
  return names;
}

std::optional<std::vector<std::uint8_t>> X11Selection::Fetch(const std::string& target) {
  const auto deadline = Clock::now() + m_limits.total;
  if (!Convert(Atom(target), deadline)) {
    return std::nullopt;
  }
  return TakeAnswer(deadline);
}

bool X11Selection::Convert(std::uint32_t target, Clock::time_point deadline) {
  xcb_delete_property(m_connection, m_window, m_property);
  xcb_convert_selection(m_connection, m_window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
  xcb_flush(m_connection);
  const auto event = WaitForEvent(m_connection, XCB_SELECTION_NOTIFY, m_limits.idle, deadline);
  return reinterpret_cast<const xcb_selection_notify_event_t*>(event.get())->property != XCB_NONE;
}

std::vector<std::uint8_t> X11Selection::TakeAnswer(Clock::time_point deadline) {
  // Learn the size first, so that an oversized answer is refused before it is copied.
  const auto head = ReadProperty(false, 0);
  CheckSize(head->bytes_after);
  const auto whole = ReadProperty(true, (head->bytes_after + 3) / 4);
  const auto* value = static_cast<const std::uint8_t*>(xcb_get_property_value(whole.get()));
  std::vector<std::uint8_t> bytes(value, value + xcb_get_property_value_length(whole.get()));
  if (whole->type != m_incr) {
    return bytes;
  }
  // Incremental transfer: deleting the property (done above) asks for the first part; each
  // part arrives as a new value of the property, and an empty part ends the transfer.
  std::uint32_t announced = 0;  // a lower bound of the whole size
  if (bytes.size() >= sizeof announced) {
    std::memcpy(&announced, bytes.data(), sizeof announced);
    CheckSize(announced);
  }
  bytes.clear();
  bytes.reserve(announced);  // one allocation instead of a copy at every doubling
  xcb_flush(m_connection);
  for (;;) {
    const auto event = WaitForEvent(m_connection, XCB_PROPERTY_NOTIFY, m_limits.idle, deadline);
    const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
    if (notify->atom != m_property || notify->state != XCB_PROPERTY_NEW_VALUE) {
      continue;
    }
    const auto part = ReadProperty(true, UINT32_MAX / 4);
    if (part->type == XCB_NONE) {
      continue;  // a notice from before the transfer began; the property is gone already
    }
    const int length = xcb_get_property_value_length(part.get());
    if (length == 0) {
      return bytes;
    }
    CheckSize(bytes.size() + static_cast<std::size_t>(length));
    const auto* partValue = static_cast<const std::uint8_t*>(xcb_get_property_value(part.get()));
    bytes.insert(bytes.end(), partValue, partValue + length);
    xcb_flush(m_connection);
  }
}

std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> X11Selection::ReadProperty(
    bool remove, std::uint32_t words) {
  auto reply =
      Own(xcb_get_property_reply(m_connection,
                                 xcb_get_property(m_connection, remove ? 1 : 0, m_window,
                                                  m_property, XCB_GET_PROPERTY_TYPE_ANY, 0, words),
                                 nullptr));
  if (!reply) {
    ThrowUnavailable("X サーバーが応答しません。");
  }
  return reply;
}

void X11Selection::CheckSize(std::size_t bytes) const {
  if (bytes > m_limits.maxBytes) {
    throw Error(ErrorNumber::OutOfMemory,
                "クリップボードの内容が大きすぎます (" + std::to_string(bytes) + " バイト)。");
  }
}

}  // namespace mirablot::qt
