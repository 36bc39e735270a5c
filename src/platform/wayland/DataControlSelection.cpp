// SPDX-License-Identifier: MIT
#include "DataControlSelection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <utility>
#include <wayland-client-core.h>

namespace mirablot::wayland {
namespace {

// A pipe's capacity is 64 KiB unless asked; a larger one lets a big picture through in fewer
// wake-ups. A refusal (above the system's limit) only costs speed.
constexpr int kPipeCapacity = 1 << 20;

class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
  }
  [[nodiscard]] int Get() const noexcept { return m_fd; }

 private:
  int m_fd;
};

void Destroy(wl_proxy* proxy, std::uint32_t destructor) {
  wl_proxy_marshal_flags(proxy, destructor, nullptr, wl_proxy_get_version(proxy),
                         WL_MARSHAL_FLAG_DESTROY);
}

template <typename Listener>
void Listen(wl_proxy* proxy, const Listener& listener, void* data) {
  // A listener is a table of function pointers in event order, whatever its C type.
  wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<Listener*>(&listener)),
                        data);
}

void IgnorePrimarySelection(void* /*data*/, wl_proxy* /*device*/, wl_proxy* /*offer*/) {}

[[noreturn]] void ThrowSystemFailure(const char* what) {
  ThrowClipboardUnavailable(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

DataControlSelection::DataControlSelection(Display& display, SelectionLimits limits)
    : SelectionReader(limits), m_display(display) {}

DataControlSelection::~DataControlSelection() {
  DropOffersBut(nullptr);
  if (m_device != nullptr) {
    Destroy(m_device, request::kDeviceDestroy);
  }
}

void DataControlSelection::OnDataOffer(void* data, wl_proxy* /*device*/, wl_proxy* offer) {
  auto& self = *static_cast<DataControlSelection*>(data);
  self.m_offers.push_back(std::make_unique<Offer>(Offer{&self, offer, {}}));
  static constexpr OfferListener kListener{&OnOfferType};
  Listen(offer, kListener, self.m_offers.back().get());
}

void DataControlSelection::OnOfferType(void* data, wl_proxy* /*offer*/, const char* mimeType) {
  static_cast<Offer*>(data)->types.emplace_back(mimeType);
}

void DataControlSelection::OnSelection(void* data, wl_proxy* /*device*/, wl_proxy* offer) {
  auto& self = *static_cast<DataControlSelection*>(data);
  const auto found = std::find_if(self.m_offers.begin(), self.m_offers.end(),
                                  [offer](const auto& known) { return known->proxy == offer; });
  self.m_selection = found != self.m_offers.end() ? found->get() : nullptr;
  // The previous selection is void now.
  self.DropOffersBut(self.m_selection);
}

void DataControlSelection::OnFinished(void* data, wl_proxy* /*device*/) {
  static_cast<DataControlSelection*>(data)->m_finished = true;
}

void DataControlSelection::DropOffersBut(const Offer* keep) {
  std::erase_if(m_offers, [keep](const std::unique_ptr<Offer>& offer) {
    if (offer.get() == keep) {
      return false;
    }
    Destroy(offer->proxy, request::kOfferDestroy);
    return true;
  });
}

std::vector<std::string> DataControlSelection::Types() {
  if (m_device == nullptr) {
    wl_proxy* manager = m_display.Manager();
    m_device = wl_proxy_marshal_flags(manager, request::kManagerGetDataDevice,
                                      m_display.DataControl()->device,
                                      wl_proxy_get_version(manager), 0, nullptr, m_display.Seat());
    static constexpr DeviceListener kListener{&OnDataOffer, &OnSelection, &OnFinished,
                                              &IgnorePrimarySelection};
    Listen(m_device, kListener, this);
  }
  // The compositor announces the current selection as it makes the device: once it has
  // answered a sync, the announcement is in.
  if (!m_display.Sync(WaitEnds())) {
    ThrowClipboardUnavailable("Wayland コンポジターが応答しません。");
  }
  if (m_finished) {
    ThrowClipboardUnavailable("Wayland コンポジターがクリップボードを閉じました。");
  }
  return m_selection != nullptr ? m_selection->types : std::vector<std::string>{};
}

// The owner's answer through the pipe, each read waiting at most as long as the limits allow.
class DataControlSelection::Transfer final : public ByteStream {
 public:
  Transfer(DataControlSelection& reader, int readEnd) : m_reader(reader), m_readEnd(readEnd) {}

  std::size_t Read(std::span<std::uint8_t> into) override {
    const auto silenceEnds = m_reader.WaitEnds();
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(silenceEnds - Clock::now()).count();
      if (left <= 0) {
        ThrowOwnerSilent();
      }
      pollfd descriptor{m_readEnd.Get(), POLLIN, 0};
      const int ready = ::poll(&descriptor, 1, static_cast<int>(left));
      if (ready < 0 && errno != EINTR) {
        ThrowSystemFailure("poll");
      }
      if (ready <= 0) {
        continue;
      }
      const ssize_t got = ::read(m_readEnd.Get(), into.data(), into.size());
      if (got < 0) {
        if (errno == EINTR || errno == EAGAIN) {
          continue;
        }
        ThrowSystemFailure("read");
      }
      m_received += static_cast<std::size_t>(got);
      CheckSelectionSize(m_received, m_reader.Limits());
      return static_cast<std::size_t>(got);
    }
  }

 private:
  DataControlSelection& m_reader;
  Descriptor m_readEnd;
  std::size_t m_received = 0;
};

std::unique_ptr<ByteStream> DataControlSelection::Open(const std::string& type) {
  if (m_selection == nullptr) {
    return nullptr;
  }
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    ThrowSystemFailure("pipe");
  }
  auto transfer = std::make_unique<Transfer>(*this, ends[0]);
  // libwayland sends a copy of the write end; ours must close, or the pipe never ends.
  const Descriptor writeEnd(ends[1]);
  (void)::fcntl(ends[0], F_SETPIPE_SZ, kPipeCapacity);
  wl_proxy_marshal_flags(m_selection->proxy, request::kOfferReceive, nullptr,
                         wl_proxy_get_version(m_selection->proxy), 0, type.c_str(), writeEnd.Get());
  if (!m_display.Sync(WaitEnds())) {
    ThrowClipboardUnavailable("Wayland コンポジターが応答しません。");
  }
  return transfer;
}

}  // namespace mirablot::wayland
