// SPDX-License-Identifier: MIT
// A Wayland clipboard owner that takes the clipboard through data control, well behaved or
// not, for the reader's tests and the end-to-end cases on sway.
//
//   wayland-clipboard-owner [--protocol ext|wlr] MODE TYPE=FILE...
//   (TYPE may hold "=": the last one separates it from FILE)
//
// MODE: serve (writes the file and closes), stall:N (writes N bytes, then falls silent),
// trickle:N (writes N bytes, a byte every 100 ms, then closes).
// Each TYPE is offered with its FILE's contents. Prints "ready" once it owns the clipboard and
// serves until it is killed or loses the clipboard.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>

#include "platform/wayland/DataControlProtocol.h"

namespace {

using namespace mirablot::wayland;

struct Owner {
  std::string mode;
  std::map<std::string, std::string> contents;
  std::vector<int> heldOpen;  // descriptors a misbehaving mode never closes
  bool cancelled = false;
};

// False once the reader has given up.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0) {
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void OnSend(void* data, wl_proxy* /*source*/, const char* type, std::int32_t fd) {
  auto& owner = *static_cast<Owner*>(data);
  const std::string& bytes = owner.contents[type];
  if (owner.mode == "serve") {
    WriteAll(fd, bytes.data(), bytes.size());
  } else if (owner.mode.starts_with("stall:")) {
    WriteAll(fd, bytes.data(),
             std::min<std::size_t>(std::stoul(owner.mode.substr(6)), bytes.size()));
    owner.heldOpen.push_back(fd);
    return;
  } else if (owner.mode.starts_with("trickle:")) {
    const std::size_t count = std::stoul(owner.mode.substr(8));
    for (std::size_t i = 0; i < count && WriteAll(fd, &bytes[i % bytes.size()], 1); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  ::close(fd);
}

void OnCancelled(void* data, wl_proxy* /*source*/) {
  static_cast<Owner*>(data)->cancelled = true;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string_view> args(argv + 1, argv + argc);
  std::string_view wanted;
  if (args.size() >= 2 && args[0] == "--protocol") {
    wanted = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: %s [--protocol ext|wlr] MODE TYPE=FILE...\n", argv[0]);
    return 2;
  }
  Owner owner{std::string(args[0]), {}, {}, false};
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::size_t equals = args[i].rfind('=');
    std::ifstream file(std::string(args[i].substr(equals + 1)), std::ios::binary);
    owner.contents[std::string(args[i].substr(0, equals))] =
        std::string(std::istreambuf_iterator<char>(file), {});
  }

  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::perror("wayland-clipboard-owner: no compositor");
    return 1;
  }
  DataControlGlobals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kDataControlRegistryListener, &globals);
  wl_display_roundtrip(display);
  const DataControlProtocol* preferred = globals.Preferred();
  const DataControlProtocol& protocol = wanted == "ext"                           ? kExtDataControl
                                        : wanted == "wlr" || preferred == nullptr ? kWlrDataControl
                                                                                  : *preferred;
  const std::uint32_t manager = globals.Manager(protocol);
  if (globals.seat == 0 || manager == 0) {
    std::fprintf(stderr, "wayland-clipboard-owner: the compositor offers no %s\n",
                 protocol.name.data());
    return 1;
  }
  auto* seat =
      static_cast<wl_proxy*>(wl_registry_bind(registry, globals.seat, &wl_seat_interface, 1));
  auto* control = static_cast<wl_proxy*>(wl_registry_bind(registry, manager, protocol.manager, 1));
  wl_proxy* source = wl_proxy_marshal_flags(control, request::kManagerCreateDataSource,
                                            protocol.source, 1, 0, nullptr);
  static constexpr SourceListener kSource{&OnSend, &OnCancelled};
  wl_proxy_add_listener(
      source, reinterpret_cast<void (**)(void)>(const_cast<SourceListener*>(&kSource)), &owner);
  for (const auto& [type, bytes] : owner.contents) {
    wl_proxy_marshal_flags(source, request::kSourceOffer, nullptr, 1, 0, type.c_str());
  }
  wl_proxy* device = wl_proxy_marshal_flags(control, request::kManagerGetDataDevice,
                                            protocol.device, 1, 0, nullptr, seat);
  wl_proxy_marshal_flags(device, request::kDeviceSetSelection, nullptr, 1, 0, source);
  wl_display_roundtrip(display);
  std::puts("ready");
  std::fflush(stdout);
  while (!owner.cancelled && wl_display_dispatch(display) >= 0) {
  }
  return 0;
}
