// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

struct wl_interface;
struct wl_proxy;
struct wl_registry_listener;

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

/// The globals the program needs, as the registry announces them.
struct DataControlGlobals {
  std::uint32_t seat = 0;  // the first seat's global name
  std::uint32_t ext = 0;
  std::uint32_t wlr = 0;
  std::uint32_t output = 0;  // the first output: the one Qt calls the primary screen
  std::uint32_t outputVersion = 0;
  bool windows = false;  // xdg_wm_base: the compositor shows application windows

  /// Notes one announced global.
  void Notice(std::uint32_t name, std::string_view interface, std::uint32_t version);
  /// The protocol to bind: ext when offered, else wlr; nullptr with neither or no seat.
  [[nodiscard]] const DataControlProtocol* Preferred() const;
  /// The global name of that protocol's manager; 0 when it is not offered.
  [[nodiscard]] std::uint32_t Manager(const DataControlProtocol& protocol) const;
};

/// A registry listener that notes each global in the DataControlGlobals its data points at.
extern const wl_registry_listener kDataControlRegistryListener;

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
