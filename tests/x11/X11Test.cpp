// SPDX-License-Identifier: MIT
// The X11 adapters on a private Xvfb display: what a missing clipboard owner means on X11 and
// on XWayland, an owner that arrives late, displays that cannot be used, and the screen's scale.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "TimeOf.h"
#include "core/Error.h"
#include "platform/x11/X11ScreenMetrics.h"
#include "platform/x11/X11Selection.h"

namespace mirablot::x11 {
namespace {

using mirablot::testing::ChildProcess;
using mirablot::testing::ErrorOf;
using mirablot::testing::TimeOf;
using std::chrono::milliseconds;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

// Takes the clipboard after a delay and answers TARGETS with image/png, until it is destroyed.
class LateOwner {
 public:
  explicit LateOwner(milliseconds delay) : m_thread([this, delay] { Serve(delay); }) {}
  LateOwner(const LateOwner&) = delete;
  LateOwner& operator=(const LateOwner&) = delete;
  ~LateOwner() {
    m_stop = true;
    m_thread.join();
  }

 private:
  void Serve(milliseconds delay) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t clipboard = Atom(connection, "CLIPBOARD");
    const xcb_atom_t targets = Atom(connection, "TARGETS");
    const xcb_atom_t offered[] = {targets, Atom(connection, "image/png")};
    std::this_thread::sleep_for(delay);
    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    xcb_flush(connection);
    while (!m_stop) {
      xcb_generic_event_t* event = xcb_poll_for_event(connection);
      if (event == nullptr) {
        std::this_thread::sleep_for(milliseconds(5));
        continue;
      }
      if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
        const auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = XCB_NONE;
        if (request->target == targets) {
          xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor,
                              request->property, XCB_ATOM_ATOM, 32, 2, offered);
          notify.property = request->property;
        }
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(connection);
      }
      std::free(event);
    }
    xcb_disconnect(connection);
  }

  std::atomic<bool> m_stop = false;
  std::thread m_thread;
};

class X11DesktopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // -displayfd 1: Xvfb picks a free display and says which on its stdout.
    s_xvfb = new ChildProcess({MIRABLOT_XVFB, "-displayfd", "1", "-nolisten", "tcp", "-noreset"});
    s_display = ":" + s_xvfb->ReadLine();
  }
  static void TearDownTestSuite() {
    delete s_xvfb;
    s_xvfb = nullptr;
  }
  void SetUp() override { ::setenv("DISPLAY", s_display.c_str(), 1); }

  static ChildProcess* s_xvfb;
  static std::string s_display;
};

ChildProcess* X11DesktopTest::s_xvfb = nullptr;
std::string X11DesktopTest::s_display;

TEST_F(X11DesktopTest, NoOwnerOnAnX11DesktopIsAnEmptyClipboardAtOnce) {
  X11Selection selection({}, X11Session::X11);
  std::vector<std::string> types{"unchanged"};
  EXPECT_LT(TimeOf([&] { types = selection.Types(); }), milliseconds(200));
  EXPECT_TRUE(types.empty());
}

TEST_F(X11DesktopTest, NoOwnerOnXWaylandIsSaidAfterABriefWait) {
  X11Selection selection({}, X11Session::XWayland);
  std::string description;
  const milliseconds took = TimeOf([&] {
    try {
      (void)selection.Types();
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), 481);
      description = error.Description();
    }
  });
  EXPECT_THAT(description, ::testing::HasSubstr("ウィンドウを持たないプログラム"));
  EXPECT_GE(took, milliseconds(250));
  EXPECT_LT(took, milliseconds(1000));
}

TEST_F(X11DesktopTest, AnOwnerArrivingAMomentLateOnXWaylandIsRead) {
  X11Selection selection({}, X11Session::XWayland);
  const LateOwner owner(milliseconds(100));
  EXPECT_THAT(selection.Types(), ::testing::Contains("image/png"));
}

TEST_F(X11DesktopTest, DisplaysThatCannotBeUsedAreError521) {
  ::setenv("DISPLAY", (s_display + ".7").c_str(), 1);  // a screen the server does not have
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
  ::setenv("DISPLAY", ":9999", 1);  // no server
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
}

TEST_F(X11DesktopTest, ScreenScaleIsTheDesktopsXftDpiOr96) {
  // The display is 1280 x 1024 pixels (Xvfb's default).
  EXPECT_DOUBLE_EQ(X11ScreenMetrics().TwipsPerPixelX(), 15);
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const std::string resources = "Xcursor.size:\t24\nXft.dpi:\t192\n";
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER,
                      XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(resources.size()),
                      resources.data());
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  X11ScreenMetrics scaled;
  EXPECT_DOUBLE_EQ(scaled.TwipsPerPixelX(), 7.5);
  EXPECT_DOUBLE_EQ(scaled.TwipsPerPixelY(), 7.5);
  EXPECT_DOUBLE_EQ(scaled.Width(), 1280 * 7.5);
  xcb_delete_property(connection, root, XCB_ATOM_RESOURCE_MANAGER);
  xcb_flush(connection);
  xcb_disconnect(connection);
}

// An X server that shakes hands, with one screen, and hangs up before answering anything.
class HangingUpServer {
 public:
  explicit HangingUpServer(int display) : m_path("/tmp/.X11-unix/X" + std::to_string(display)) {
    ::unlink(m_path.c_str());
    m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
    ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_socket, 1);
    m_thread = std::thread([this] { Serve(); });
  }
  HangingUpServer(const HangingUpServer&) = delete;
  HangingUpServer& operator=(const HangingUpServer&) = delete;
  ~HangingUpServer() {
    ::shutdown(m_socket, SHUT_RDWR);
    m_thread.join();
    ::close(m_socket);
    ::unlink(m_path.c_str());
  }

 private:
  void Serve() {
    const int client = ::accept(m_socket, nullptr, nullptr);
    if (client < 0) {
      return;
    }
    std::uint8_t request[12];
    if (::read(client, request, sizeof request) == sizeof request) {
      // Success, protocol 11.0, then 18 words: the fixed part, no vendor, no pixmap formats, and
      // one 1280 x 1024 screen with root window 0x100 and no depths.
      std::vector<std::uint8_t> reply(8 + 72, 0);
      reply[0] = 1;
      reply[2] = 11;
      reply[6] = 18;
      reply[8 + 8] = 0xff;  // resource id mask 0x001fffff
      reply[8 + 9] = 0xff;
      reply[8 + 10] = 0x1f;
      reply[8 + 18] = 0xff;  // maximum request length
      reply[8 + 20] = 1;     // one screen
      reply[8 + 26] = 8;     // minimum keycode
      reply[8 + 27] = 255;   // maximum keycode
      const std::size_t screen = 8 + 32;
      reply[screen + 1] = 0x01;  // root window 0x100
      reply[screen + 20] = 0x00;
      reply[screen + 21] = 0x05;  // 1280
      reply[screen + 23] = 0x04;  // 1024
      (void)::write(client, reply.data(), reply.size());
    }
    ::close(client);
  }

  std::string m_path;
  int m_socket = -1;
  std::thread m_thread;
};

TEST_F(X11DesktopTest, AServerThatHangsUpAfterTheHandshakeIs521AndLeaksNothing) {
  // LeakSanitizer checks the rest: the connection must go with the failed reader.
  const HangingUpServer server(4242);
  ::setenv("DISPLAY", ":4242", 1);
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
}

TEST(XftDpi, ReadFromTheResourceDatabase) {
  EXPECT_EQ(XftDpi("Xft.dpi:\t144\n"), 144);
  EXPECT_EQ(XftDpi("Xft.antialias:\t1\nXft.dpi: 120.5"), 120.5);
  EXPECT_EQ(XftDpi("Xcursor.size:\t24\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\tlarge\n"), std::nullopt);
  EXPECT_EQ(XftDpi("Xft.dpi:\t0\n"), std::nullopt);
  EXPECT_EQ(XftDpi("xft.dpi:\t144\n"), std::nullopt);  // names are case-sensitive
}

}  // namespace
}  // namespace mirablot::x11
