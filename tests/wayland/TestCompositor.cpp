// SPDX-License-Identifier: MIT
// A compositor with nothing but a seat and a shared clipboard, for the Wayland reader's tests.
// It offers the data-control protocols a test asks for, so the ext path can be tried although
// no compositor in Debian 12 offers it.
//
//   test-compositor SOCKET ext|wlr|both|none    serves on $XDG_RUNTIME_DIR/SOCKET
//   test-compositor SOCKET hang                 accepts connections and never answers
//
// Prints "ready" once clients can connect and serves until it is killed. Sources and devices of
// both protocols share one selection, as in a real compositor.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
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
using SourceRequests = struct ext_data_control_source_v1_interface;
using OfferRequests = struct ext_data_control_offer_v1_interface;

struct Source {
  wl_resource* resource;
  std::vector<std::string> types;
};

// The one selection, the devices told about it, and which source each offer stands for.
Source* g_selection = nullptr;
std::vector<wl_resource*> g_devices;
std::map<wl_resource*, Source*> g_offers;

const DataControlProtocol& ProtocolOf(wl_resource* resource) {
  return *static_cast<const DataControlProtocol*>(wl_resource_get_user_data(resource));
}

void DestroyResource(wl_client* /*client*/, wl_resource* resource) {
  wl_resource_destroy(resource);
}

void Receive(wl_client* /*client*/, wl_resource* offer, const char* type, std::int32_t fd) {
  if (Source* source = g_offers[offer]) {
    ext_data_control_source_v1_send_send(source->resource, type, fd);
  }
  ::close(fd);  // the event carries a copy
}

constexpr OfferRequests kOfferRequests{&Receive, &DestroyResource};

void Announce(wl_resource* device) {
  if (g_selection == nullptr) {
    ext_data_control_device_v1_send_selection(device, nullptr);
    return;
  }
  wl_resource* offer = wl_resource_create(wl_resource_get_client(device), ProtocolOf(device).offer,
                                          wl_resource_get_version(device), 0);
  wl_resource_set_implementation(offer, &kOfferRequests, nullptr,
                                 [](wl_resource* gone) { g_offers.erase(gone); });
  g_offers[offer] = g_selection;
  ext_data_control_device_v1_send_data_offer(device, offer);
  for (const std::string& type : g_selection->types) {
    ext_data_control_offer_v1_send_offer(offer, type.c_str());
  }
  ext_data_control_device_v1_send_selection(device, offer);
}

void SetSelection(Source* source) {
  if (g_selection != nullptr && g_selection != source) {
    ext_data_control_source_v1_send_cancelled(g_selection->resource);
  }
  g_selection = source;
  std::for_each(g_devices.begin(), g_devices.end(), &Announce);
}

void SetSelectionRequest(wl_client* /*client*/, wl_resource* /*device*/, wl_resource* source) {
  SetSelection(source != nullptr ? static_cast<Source*>(wl_resource_get_user_data(source))
                                 : nullptr);
}

void IgnorePrimary(wl_client* /*client*/, wl_resource* /*device*/, wl_resource* /*source*/) {}

constexpr DeviceRequests kDeviceRequests{&SetSelectionRequest, &DestroyResource, &IgnorePrimary};

void Offer(wl_client* /*client*/, wl_resource* source, const char* type) {
  static_cast<Source*>(wl_resource_get_user_data(source))->types.emplace_back(type);
}

constexpr SourceRequests kSourceRequests{&Offer, &DestroyResource};

void SourceGone(wl_resource* resource) {
  auto* source = static_cast<Source*>(wl_resource_get_user_data(resource));
  for (auto& [offer, offered] : g_offers) {
    if (offered == source) {
      offered = nullptr;
    }
  }
  if (g_selection == source) {
    g_selection = nullptr;
    std::for_each(g_devices.begin(), g_devices.end(), &Announce);
  }
  delete source;
}

void CreateDataSource(wl_client* client, wl_resource* manager, std::uint32_t id) {
  wl_resource* resource =
      wl_resource_create(client, ProtocolOf(manager).source, 1, static_cast<std::int32_t>(id));
  wl_resource_set_implementation(resource, &kSourceRequests, new Source{resource, {}}, &SourceGone);
}

void GetDataDevice(wl_client* client, wl_resource* manager, std::uint32_t id,
                   wl_resource* /*seat*/) {
  wl_resource* device =
      wl_resource_create(client, ProtocolOf(manager).device, wl_resource_get_version(manager),
                         static_cast<std::int32_t>(id));
  wl_resource_set_implementation(device, &kDeviceRequests,
                                 const_cast<DataControlProtocol*>(&ProtocolOf(manager)),
                                 [](wl_resource* gone) { std::erase(g_devices, gone); });
  g_devices.push_back(device);
  Announce(device);
}

constexpr ManagerRequests kManagerRequests{&CreateDataSource, &GetDataDevice, &DestroyResource};

void BindManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  const auto* protocol = static_cast<const DataControlProtocol*>(data);
  wl_resource* manager = wl_resource_create(client, protocol->manager, static_cast<int>(version),
                                            static_cast<std::int32_t>(id));
  wl_resource_set_implementation(manager, &kManagerRequests,
                                 const_cast<DataControlProtocol*>(protocol), nullptr);
}

// The seat only names the clipboard: no client here asks it for input devices.
void BindSeat(wl_client* client, void* /*data*/, std::uint32_t version, std::uint32_t id) {
  (void)wl_resource_create(client, &wl_seat_interface, static_cast<int>(version),
                           static_cast<std::int32_t>(id));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc == 3 ? argv[2] : "";
  if (mode != "ext" && mode != "wlr" && mode != "both" && mode != "none" && mode != "hang") {
    std::fprintf(stderr, "usage: %s SOCKET ext|wlr|both|none|hang\n", argv[0]);
    return 2;
  }
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
