// SPDX-License-Identifier: MIT
#include "X11Selection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

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

X11Selection::X11Selection(SelectionLimits limits, X11Session session)
    : SelectionReader(limits), m_session(session), m_connection(nullptr, &xcb_disconnect) {
  int screenNumber = 0;
  // Owned at once, so that a failure below never leaks the connection.
  m_connection.reset(xcb_connect(nullptr, &screenNumber));
  xcb_connection_t* connection = m_connection.get();
  if (xcb_connection_has_error(connection) != 0) {
    ThrowClipboardUnavailable("X ディスプレイに接続できません。");
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
    xcb_screen_next(&screens);
  }
  if (screens.rem <= 0 || screens.data == nullptr) {
    ThrowClipboardUnavailable("DISPLAY が指す画面がありません。");
  }
  m_window = xcb_generate_id(connection);
  const std::uint32_t eventMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, m_window, screens.data->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                    &eventMask);
  m_clipboard = Atom("CLIPBOARD");
  m_property = Atom("MIRABLOT_CLIPBOARD");
  m_incr = Atom("INCR");
}

X11Selection::~X11Selection() = default;

std::uint32_t X11Selection::Atom(const std::string& name) {
  xcb_connection_t* connection = m_connection.get();
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
  xcb_connection_t* connection = m_connection.get();
  const auto owner = Own(xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, m_clipboard), nullptr));
  return owner && owner->owner != XCB_NONE;
}

bool X11Selection::OwnerArrives() {
  xcb_connection_t* connection = m_connection.get();
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
  if (!Convert(Atom("TARGETS"))) {
    return {};
  }
  const std::vector<std::uint8_t> answer = TakeAnswer();
  std::vector<xcb_atom_t> atoms(answer.size() / sizeof(xcb_atom_t));
  std::memcpy(atoms.data(), answer.data(), atoms.size() * sizeof(xcb_atom_t));

  // Ask for every name at once, then collect the answers.
  xcb_connection_t* connection = m_connection.get();
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

std::optional<std::vector<std::uint8_t>> X11Selection::Fetch(const std::string& type) {
  if (!Convert(Atom(type))) {
    return std::nullopt;
  }
  return TakeAnswer();
}

bool X11Selection::Convert(std::uint32_t target) {
  xcb_connection_t* connection = m_connection.get();
  xcb_delete_property(connection, m_window, m_property);
  xcb_convert_selection(connection, m_window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
  const Event event = AnswerEvent(connection, XCB_SELECTION_NOTIFY, WaitEnds());
  return reinterpret_cast<const xcb_selection_notify_event_t*>(event.get())->property != XCB_NONE;
}

std::vector<std::uint8_t> X11Selection::TakeAnswer() {
  // Learn the size first, so that an oversized answer is refused before it is copied.
  const auto head = ReadProperty(false, 0);
  CheckSelectionSize(head->bytes_after, Limits());
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
    CheckSelectionSize(announced, Limits());
  }
  bytes.clear();
  bytes.reserve(announced);  // one allocation instead of a copy at every doubling
  for (;;) {
    const Event event = AnswerEvent(m_connection.get(), XCB_PROPERTY_NOTIFY, WaitEnds());
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
    CheckSelectionSize(bytes.size() + static_cast<std::size_t>(length), Limits());
    const auto* partValue = static_cast<const std::uint8_t*>(xcb_get_property_value(part.get()));
    bytes.insert(bytes.end(), partValue, partValue + length);
  }
}

std::unique_ptr<xcb_get_property_reply_t, void (*)(void*)> X11Selection::ReadProperty(
    bool remove, std::uint32_t words) {
  xcb_connection_t* connection = m_connection.get();
  auto reply =
      Own(xcb_get_property_reply(connection,
                                 xcb_get_property(connection, remove ? 1 : 0, m_window, m_property,
                                                  XCB_GET_PROPERTY_TYPE_ANY, 0, words),
                                 nullptr));
  if (!reply) {
    ThrowServerSilent();
  }
  return reply;
}

}  // namespace mirablot::x11
