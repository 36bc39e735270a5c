// SPDX-License-Identifier: MIT
// A compositor with nothing but a seat and a clipboard it owns itself, for the Wayland reader's
// tests. It offers the data-control protocols a test asks for, so the ext path can be tried
// although no compositor in Debian 12 offers it.
//
//   test-compositor SOCKET ext|wlr|both|none|hang [MODE TYPE=FILE...]
//       serves on $XDG_RUNTIME_DIR/SOCKET, the clipboard holding each FILE as TYPE (TYPE may
//       hold "="; the last one separates it from FILE), answered as MODE says: serve (writes
//       the file and closes), stall:N (writes N bytes, then falls silent), trickle:N (writes N
//       bytes, a byte every 100 ms, then closes). Without them the clipboard is empty; hang accepts
//       connections and never answers.
//
// Prints "ready" once clients can connect and serves until it is killed.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wayland-server.h>

#include "ext-data-control-v1-server.h"
#include "platform/wayland/DataControlProtocol.h"

namespace {

using mirablot::wayland::DataControlProtocol;
using mirablot::wayland::kExtDataControl;
using mirablot::wayland::kWlrDataControl;

// The wlr protocol has the ext one's requests and events, in the same order: the glue generated
// for ext serves both.
using ManagerRequests = struct ext_data_control_manager_v1_interface;
using DeviceRequests = struct ext_data_control_device_v1_interface;
using OfferRequests = struct ext_data_control_offer_v1_interface;

std::string g_mode;
std::map<std::string, std::string> g_clipboard;  // type: contents

const DataControlProtocol& ProtocolOf(wl_resource* resource) {
  return *static_cast<const DataControlProtocol*>(wl_resource_get_user_data(resource));
}

// False once the reader has given up. A blocking pipe takes the whole write, or fails.
bool Write(int fd, const char* data, std::size_t size) {
  return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

// In a thread of its own: the reader waits for the compositor's answer to a sync before it
// reads the pipe.
void Answer(int fd, const std::string& bytes) {
  if (g_mode.starts_with("stall:")) {
    Write(fd, bytes.data(), std::min<std::size_t>(std::stoul(g_mode.substr(6)), bytes.size()));
    return;  // the descriptor stays open, silent
  }
  if (g_mode.starts_with("trickle:")) {
    const std::size_t count = std::stoul(g_mode.substr(8));
    for (std::size_t i = 0; i < count && Write(fd, &bytes[i % bytes.size()], 1); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  } else {
    Write(fd, bytes.data(), bytes.size());
  }
  ::close(fd);
}

void DestroyResource(wl_client* /*client*/, wl_resource* resource) {
  wl_resource_destroy(resource);
}

void Receive(wl_client* /*client*/, wl_resource* /*offer*/, const char* type, std::int32_t fd) {
  std::thread(&Answer, fd, g_clipboard[type]).detach();
}

constexpr OfferRequests kOfferRequests{&Receive, &DestroyResource};

void IgnoreSelection(wl_client* /*client*/, wl_resource* /*device*/, wl_resource* /*source*/) {}

constexpr DeviceRequests kDeviceRequests{&IgnoreSelection, &DestroyResource, &IgnoreSelection};

void GetDataDevice(wl_client* client, wl_resource* manager, std::uint32_t id,
                   wl_resource* /*seat*/) {
  const DataControlProtocol& protocol = ProtocolOf(manager);
  const int version = wl_resource_get_version(manager);
  wl_resource* device =
      wl_resource_create(client, protocol.device, version, static_cast<std::int32_t>(id));
  wl_resource_set_implementation(device, &kDeviceRequests, nullptr, nullptr);
  if (g_clipboard.empty()) {
    ext_data_control_device_v1_send_selection(device, nullptr);
    return;
  }
  wl_resource* offer = wl_resource_create(client, protocol.offer, version, 0);
  wl_resource_set_implementation(offer, &kOfferRequests, nullptr, nullptr);
  ext_data_control_device_v1_send_data_offer(device, offer);
  for (const auto& [type, contents] : g_clipboard) {
    ext_data_control_offer_v1_send_offer(offer, type.c_str());
  }
  ext_data_control_device_v1_send_selection(device, offer);
}

// No client here offers a selection of its own: there is no data source to create.
constexpr ManagerRequests kManagerRequests{nullptr, &GetDataDevice, &DestroyResource};

void BindManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  wl_resource* manager =
      wl_resource_create(client, static_cast<DataControlProtocol*>(data)->manager,
                         static_cast<int>(version), static_cast<std::int32_t>(id));
  wl_resource_set_implementation(manager, &kManagerRequests, data, nullptr);
}

// The seat only names the clipboard: no client here asks it for input devices.
void BindSeat(wl_client* client, void* /*data*/, std::uint32_t version, std::uint32_t id) {
  (void)wl_resource_create(client, &wl_seat_interface, static_cast<int>(version),
                           static_cast<std::int32_t>(id));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const std::string_view mode = args.size() >= 2 ? args[1] : "";
  if (mode != "ext" && mode != "wlr" && mode != "both" && mode != "none" && mode != "hang") {
    std::fprintf(stderr, "usage: %s SOCKET ext|wlr|both|none|hang [MODE TYPE=FILE...]\n", argv[0]);
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);
  for (std::size_t i = 3; i < args.size(); ++i) {
    const std::size_t equals = args[i].rfind('=');
    std::ifstream file(std::string(args[i].substr(equals + 1)), std::ios::binary);
    g_clipboard[std::string(args[i].substr(0, equals))] =
        std::string(std::istreambuf_iterator<char>(file), {});
  }
  g_mode = args.size() > 2 ? args[2] : "";
  wl_display* display = wl_display_create();
  if (display == nullptr || wl_display_add_socket(display, argv[1]) != 0) {
    std::perror("test-compositor: cannot serve");
    return 1;
  }
  wl_global_create(display, &wl_seat_interface, 1, nullptr, &BindSeat);
  if (mode == "ext" || mode == "both") {
    wl_global_create(display, kExtDataControl.manager, 1,
                     const_cast<DataControlProtocol*>(&kExtDataControl), &BindManager);
  }
  if (mode == "wlr" || mode == "both") {
    wl_global_create(display, kWlrDataControl.manager, 2,
                     const_cast<DataControlProtocol*>(&kWlrDataControl), &BindManager);
  }
  std::puts("ready");
  std::fflush(stdout);
  if (mode == "hang") {
    for (;;) {
      ::pause();
    }
  }
  wl_display_run(display);
  return 0;
}
