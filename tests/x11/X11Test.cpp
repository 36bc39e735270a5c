// SPDX-License-Identifier: MIT
// The X11 adapters on a private Xvfb display: what a missing clipboard owner means on X11 and
// on XWayland, an owner that arrives late, displays that cannot be used, and the screen's scale
// (the readers' transfers run end to end: tests/e2e).
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

// No owner: an empty clipboard on an X11 desktop. On XWayland, an owner may come a moment
// late, and when none comes that is said after a brief, bounded wait.
TEST_F(X11DesktopTest, AMissingOwnerIsAnEmptyClipboardOrWaitedForBrieflyOnXWayland) {
  EXPECT_TRUE(X11Selection({}, X11Session::X11).Types().empty());
  X11Selection xwayland({}, X11Session::XWayland);
  int error = 0;
  const milliseconds took = TimeOf([&] { error = ErrorOf([&] { (void)xwayland.Types(); }); });
  EXPECT_EQ(error, 481);
  EXPECT_GE(took, milliseconds(250));
  EXPECT_LT(took, milliseconds(5000));
  ChildProcess owner(
      {MIRABLOT_CLIPBOARD_OWNER, "--after", "100", "incr", "image/png", "/dev/null", "1"});
  X11Selection late({}, X11Session::XWayland);
  owner.ReadLine();
  EXPECT_THAT(late.Types(), ::testing::Contains("image/png"));
}

TEST_F(X11DesktopTest, DisplaysThatCannotBeUsedAreError521) {
  ::setenv("DISPLAY", (s_display + ".7").c_str(), 1);  // a screen the server does not have
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
  ::setenv("DISPLAY", ":9999", 1);  // no server
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
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
