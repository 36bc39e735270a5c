// SPDX-License-Identifier: MIT
// An X11 clipboard owner that misbehaves on purpose, for the end-to-end cases and the X11
// reader's tests.
//
//   clipboard-owner [--after MS] silent | incr TYPE FILE CHUNK | incr-stall TYPE FILE CHUNK
//
// silent owns the clipboard and never answers; incr offers FILE as TYPE in CHUNK-byte parts
// (INCR); incr-stall falls silent halfway, after the part that passes half of FILE. Prints "ready"
// once it owns the clipboard (with --after: once it is connected, taking the clipboard MS
// milliseconds later), then "sent N" for each part of a transfer, and serves until it is killed.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

void Say(const std::string& line) {
  std::puts(line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const bool after = argc > 2 && std::string(argv[1]) == "--after";
  const int delay = after ? std::atoi(argv[2]) : 0;
  const std::vector<std::string> args(argv + (after ? 3 : 1), argv + argc);
  const bool silent = args == std::vector<std::string>{"silent"};
  if (!silent && (args.size() != 4 || (args[0] != "incr" && args[0] != "incr-stall"))) {
    return 2;  // see the usage above
  }
  std::vector<char> data;
  std::size_t chunk = 1;
  if (!silent) {
    std::ifstream file(args[2], std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(file), {});
    chunk = std::stoul(args[3]);
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) != 0) {
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t targets = Atom(connection, "TARGETS");
  const xcb_atom_t incr = Atom(connection, "INCR");
  const xcb_atom_t type = silent ? XCB_NONE : Atom(connection, args[1].c_str());
  if (delay > 0) {
    Say("ready");
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  xcb_set_selection_owner(connection, window, Atom(connection, "CLIPBOARD"), XCB_CURRENT_TIME);
  xcb_flush(connection);
  if (delay == 0) {
    Say("ready");
  }

  // The transfer in progress: who asked, where to write, how far it is.
  xcb_window_t requestor = XCB_NONE;
  xcb_atom_t property = XCB_NONE;
  std::size_t sent = 0;
  bool finished = true;
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
    const int kind = event->response_type & 0x7f;
    if (kind == XCB_SELECTION_REQUEST && !silent) {
      const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
      xcb_selection_notify_event_t notify{XCB_SELECTION_NOTIFY,
                                          0,
                                          0,
                                          request.time,
                                          request.requestor,
                                          request.selection,
                                          request.target,
                                          request.property};
      if (request.target == targets) {
        const xcb_atom_t offered[] = {targets, type};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            XCB_ATOM_ATOM, 32, 2, offered);
      } else if (request.target == type) {
        const auto size = static_cast<std::uint32_t>(data.size());
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &events);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            incr, 32, 1, &size);
        requestor = request.requestor, property = request.property, sent = 0, finished = false;
      } else {
        notify.property = XCB_NONE;
      }
      xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&notify));
    } else if (kind == XCB_PROPERTY_NOTIFY && !finished) {
      const auto& change = *reinterpret_cast<xcb_property_notify_event_t*>(event);
      // The requestor deleted the property: it wants the next part.
      if (change.window == requestor && change.atom == property &&
          change.state == XCB_PROPERTY_DELETE &&
          (args[0] == "incr" || sent == 0 || sent < data.size() / 2)) {
        const std::size_t part = std::min(chunk, data.size() - sent);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                            static_cast<std::uint32_t>(part), data.data() + sent);
        sent += part;
        finished = part == 0;
        Say("sent " + std::to_string(part));
      }
    }
    std::free(event);
    xcb_flush(connection);
  }
  return 0;
}
