// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

struct wl_interface;
struct wl_proxy;

namespace mirablot::wayland {

/// One data-control protocol: the names its interfaces carry. ext-data-control-v1 and
/// wlr-data-control-unstable-v1 have the same requests and events in the same order, so code
/// that speaks one speaks the other through the other table.
struct DataControlProtocol {
  std::string_view name;  // the manager's global, as the registry announces it
  const wl_interface* manager;
  const wl_interface* device;
  const wl_interface* source;
  const wl_interface* offer;
};

/// ext_data_control_manager_v1: KDE Plasma 6.5 and later, recent wlroots, Hyprland, Mir.
extern const DataControlProtocol kExtDataControl;
/// zwlr_data_control_manager_v1: sway, KWin 5 to 6.4, Hyprland, labwc, river.
extern const DataControlProtocol kWlrDataControl;

/// Request numbers, the same in both protocols (checked against the generated glue).
namespace request {
inline constexpr std::uint32_t kManagerCreateDataSource = 0;
inline constexpr std::uint32_t kManagerGetDataDevice = 1;
inline constexpr std::uint32_t kManagerDestroy = 2;
inline constexpr std::uint32_t kDeviceSetSelection = 0;
inline constexpr std::uint32_t kDeviceDestroy = 1;
inline constexpr std::uint32_t kSourceOffer = 0;
inline constexpr std::uint32_t kSourceDestroy = 1;
inline constexpr std::uint32_t kOfferReceive = 0;
inline constexpr std::uint32_t kOfferDestroy = 1;
}  // namespace request

/// A device's events in wire order, for wl_proxy_add_listener.
struct DeviceListener {
  void (*dataOffer)(void* data, wl_proxy* device, wl_proxy* offer);
  void (*selection)(void* data, wl_proxy* device, wl_proxy* offer);
  void (*finished)(void* data, wl_proxy* device);
  void (*primarySelection)(void* data, wl_proxy* device, wl_proxy* offer);
};

/// An offer's events in wire order.
struct OfferListener {
  void (*offer)(void* data, wl_proxy* offer, const char* mimeType);
};

/// A source's events in wire order.
struct SourceListener {
  void (*send)(void* data, wl_proxy* source, const char* mimeType, std::int32_t fd);
  void (*cancelled)(void* data, wl_proxy* source);
};

}  // namespace mirablot::wayland
