// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "WaylandDisplay.h"
#include "ports/SelectionReader.h"

namespace mirablot::wayland {

/// Reads the seat's clipboard through the data-control protocol the display bound (ext or
/// wlr): no window and no keyboard focus needed, unlike wl_data_device or an X11 client on
/// XWayland. The contents arrive through a pipe from the owner, within the limits.
class DataControlSelection final : public SelectionReader {
 public:
  /// `display` must offer data control (Display::DataControl()) and outlive the reader.
  DataControlSelection(Display& display, SelectionLimits limits);
  DataControlSelection(const DataControlSelection&) = delete;
  DataControlSelection& operator=(const DataControlSelection&) = delete;
  ~DataControlSelection() override;

  /// The MIME types of the current selection; empty when the clipboard is empty.
  [[nodiscard]] std::vector<std::string> Types() override;

  /// The selection's contents as the given type, through a pipe from the owner; nullptr when
  /// the clipboard is empty.
  [[nodiscard]] std::unique_ptr<ByteStream> Open(const std::string& type) override;

 private:
  class Transfer;

  struct Offer {
    DataControlSelection* owner;
    wl_proxy* proxy;
    std::vector<std::string> types;
  };

  static void OnDataOffer(void* data, wl_proxy* device, wl_proxy* offer);
  static void OnSelection(void* data, wl_proxy* device, wl_proxy* offer);
  static void OnFinished(void* data, wl_proxy* device);
  static void OnOfferType(void* data, wl_proxy* offer, const char* mimeType);

  void DropOffersBut(const Offer* keep);

  Display& m_display;
  wl_proxy* m_device = nullptr;
  // Listeners hold pointers to these: each stays where it was made.
  std::vector<std::unique_ptr<Offer>> m_offers;
  Offer* m_selection = nullptr;
  bool m_finished = false;
};

}  // namespace mirablot::wayland
