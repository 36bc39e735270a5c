// SPDX-License-Identifier: MIT
#include "DataControlProtocol.h"

#include <wayland-client.h>

#include "ext-data-control-v1-client.h"
#include "wlr-data-control-unstable-v1-client.h"

namespace mirablot::wayland {

const DataControlProtocol kExtDataControl{
    "ext_data_control_manager_v1", &ext_data_control_manager_v1_interface,
    &ext_data_control_device_v1_interface, &ext_data_control_source_v1_interface,
    &ext_data_control_offer_v1_interface};

const DataControlProtocol kWlrDataControl{
    "zwlr_data_control_manager_v1", &zwlr_data_control_manager_v1_interface,
    &zwlr_data_control_device_v1_interface, &zwlr_data_control_source_v1_interface,
    &zwlr_data_control_offer_v1_interface};

void DataControlGlobals::Notice(std::uint32_t name, std::string_view interface,
                                std::uint32_t version) {
  if (interface == "wl_seat" && seat == 0) {
    seat = name;
  } else if (interface == "wl_output" && output == 0) {
    output = name;
    outputVersion = version;
  } else if (interface == kExtDataControl.name) {
    ext = name;
  } else if (interface == kWlrDataControl.name) {
    wlr = name;
  } else if (interface == "xdg_wm_base") {
    windows = true;
  }
}

const DataControlProtocol* DataControlGlobals::Preferred() const {
  if (seat == 0) {
    return nullptr;
  }
  return ext != 0 ? &kExtDataControl : wlr != 0 ? &kWlrDataControl : nullptr;
}

std::uint32_t DataControlGlobals::Manager(const DataControlProtocol& protocol) const {
  return &protocol == &kExtDataControl ? ext : wlr;
}

namespace {

void OnGlobal(void* data, wl_registry* /*registry*/, std::uint32_t name, const char* interface,
              std::uint32_t version) {
  static_cast<DataControlGlobals*>(data)->Notice(name, interface, version);
}

void OnGlobalRemove(void* /*data*/, wl_registry* /*registry*/, std::uint32_t /*name*/) {}

}  // namespace

const wl_registry_listener kDataControlRegistryListener{&OnGlobal, &OnGlobalRemove};

// The shared numbers and layouts hold for both protocols' generated glue.
using namespace request;
static_assert(kManagerCreateDataSource == EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE &&
              kManagerCreateDataSource == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(kManagerGetDataDevice == EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE &&
              kManagerGetDataDevice == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(kManagerDestroy == EXT_DATA_CONTROL_MANAGER_V1_DESTROY &&
              kManagerDestroy == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(kDeviceSetSelection == EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION &&
              kDeviceSetSelection == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(kDeviceDestroy == EXT_DATA_CONTROL_DEVICE_V1_DESTROY &&
              kDeviceDestroy == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(kSourceOffer == EXT_DATA_CONTROL_SOURCE_V1_OFFER &&
              kSourceOffer == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(kSourceDestroy == EXT_DATA_CONTROL_SOURCE_V1_DESTROY &&
              kSourceDestroy == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(kOfferReceive == EXT_DATA_CONTROL_OFFER_V1_RECEIVE &&
              kOfferReceive == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(kOfferDestroy == EXT_DATA_CONTROL_OFFER_V1_DESTROY &&
              kOfferDestroy == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);
static_assert(sizeof(DeviceListener) == sizeof(ext_data_control_device_v1_listener) &&
              sizeof(DeviceListener) == sizeof(zwlr_data_control_device_v1_listener));
static_assert(sizeof(OfferListener) == sizeof(ext_data_control_offer_v1_listener) &&
              sizeof(OfferListener) == sizeof(zwlr_data_control_offer_v1_listener));
static_assert(sizeof(SourceListener) == sizeof(ext_data_control_source_v1_listener) &&
              sizeof(SourceListener) == sizeof(zwlr_data_control_source_v1_listener));

}  // namespace mirablot::wayland
