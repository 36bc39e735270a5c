// SPDX-License-Identifier: MIT
// An X11 clipboard owner that misbehaves on purpose, for the end-to-end cases and the X11
// reader's tests.
//
//   clipboard-owner [--after MS] silent                  owns the clipboard, never answers
//   clipboard-owner [--after MS] incr TYPE FILE CHUNK    offers FILE as TYPE in CHUNK-byte
//                                                        parts (INCR)
//   clipboard-owner [--after MS] incr-stall TYPE FILE CHUNK   the same, but falls silent
//                                                        after one part
//
// Prints "ready" once it owns the clipboard (with --after: once it is connected, taking the
// clipboard MS milliseconds later), then "sent N" for each part of a transfer, and serves until
// it is killed.
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

void Notify(xcb_connection_t* connection, const xcb_selection_request_event_t& request,
            xcb_atom_t property) {
  xcb_selection_notify_event_t notify{};
  notify.response_type = XCB_SELECTION_NOTIFY;
  notify.time = request.time;
  notify.requestor = request.requestor;
  notify.selection = request.selection;
  notify.target = request.target;
  notify.property = property;
  xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notify));
}

// One transfer in progress: who asked, where to write, how far we are.
struct Transfer {
  xcb_window_t requestor = XCB_NONE;
  xcb_atom_t property = XCB_NONE;
  std::size_t sent = 0;
  bool finished = true;
};

}  // namespace

int main(int argc, char** argv) {
  int delay = 0;
  if (argc > 2 && std::string(argv[1]) == "--after") {
    delay = std::atoi(argv[2]);
    argc -= 2;
    argv += 2;
  }
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool silent = mode == "silent";
  if (!silent && (argc != 5 || (mode != "incr" && mode != "incr-stall"))) {
    std::fprintf(stderr,
                 "usage: clipboard-owner [--after MS] silent | incr[-stall] TYPE FILE CHUNK\n");
    return 2;
  }
  std::vector<char> data;
  std::size_t chunk = 1;
  if (!silent) {
    std::ifstream file(argv[3], std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(file), {});
    chunk = std::strtoul(argv[4], nullptr, 10);
  }

  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) != 0) {
    std::fprintf(stderr, "no display\n");
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t clipboard = Atom(connection, "CLIPBOARD");
  const xcb_atom_t targets = Atom(connection, "TARGETS");
  const xcb_atom_t incr = Atom(connection, "INCR");
  const xcb_atom_t type = silent ? XCB_NONE : Atom(connection, argv[2]);
  if (delay > 0) {
    std::printf("ready\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
  xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
  xcb_flush(connection);
  if (delay == 0) {
    std::printf("ready\n");
    std::fflush(stdout);
  }

  Transfer transfer;
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
    const int kind = event->response_type & 0x7f;
    if (kind == XCB_SELECTION_REQUEST && !silent) {
      const auto& request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
      if (request.target == targets) {
        const xcb_atom_t offered[] = {targets, type};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            XCB_ATOM_ATOM, 32, 2, offered);
        Notify(connection, request, request.property);
      } else if (request.target == type) {
        const auto size = static_cast<std::uint32_t>(data.size());
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &events);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, request.property,
                            incr, 32, 1, &size);
        transfer = {request.requestor, request.property, 0, false};
        Notify(connection, request, request.property);
      } else {
        Notify(connection, request, XCB_NONE);
      }
    } else if (kind == XCB_PROPERTY_NOTIFY && !transfer.finished) {
      const auto& notify = *reinterpret_cast<xcb_property_notify_event_t*>(event);
      // The requestor deleted the property: it wants the next part.
      if (notify.window == transfer.requestor && notify.atom == transfer.property &&
          notify.state == XCB_PROPERTY_DELETE && (mode == "incr" || transfer.sent == 0)) {
        const std::size_t part = std::min(chunk, data.size() - transfer.sent);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer.requestor,
                            transfer.property, type, 8, static_cast<std::uint32_t>(part),
                            data.data() + transfer.sent);
        transfer.sent += part;
        transfer.finished = part == 0;
        std::printf("sent %zu\n", part);
        std::fflush(stdout);
      }
    }
    std::free(event);
    xcb_flush(connection);
  }
  return 0;
}
