// SPDX-License-Identifier: MIT
// The X11 adapters on a private Xvfb display: what a missing clipboard owner means on X11 and
// on XWayland, an owner that arrives late, displays that cannot be used, and the screen's scale
// (the readers' transfers run end to end: tests/e2e).
#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

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

// Each test on an Xvfb of its own.
class X11DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("DISPLAY", m_display.c_str(), 1); }

  // -displayfd 1: Xvfb picks a free display and says which on its stdout.
  ChildProcess m_xvfb{{MIRABLOT_XVFB, "-displayfd", "1", "-nolisten", "tcp", "-noreset"}};
  std::string m_display = ":" + m_xvfb.ReadLine();
};

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

TEST_F(X11DesktopTest, DisplaysThatCannotBeUsedAreError521AndLeakNothing) {
  ::setenv("DISPLAY", (m_display + ".7").c_str(), 1);  // a screen the server does not have
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
  ::setenv("DISPLAY", ":9999", 1);  // no server
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);

  // A server that shakes hands, with one screen, and hangs up before answering anything else.
  // LeakSanitizer checks the rest: the connection must go with the failed reader.
  const std::string path = "/tmp/.X11-unix/X4242";
  ::unlink(path.c_str());
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{AF_UNIX, {}};
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::listen(listener, 1);
  std::thread server([listener] {
    const int client = ::accept(listener, nullptr, nullptr);
    // Success, protocol 11.0, then 18 words: resource ids 0x001fffff, requests of 255 words at
    // most, one screen, keycodes 8 to 255, no vendor, no pixmap formats, and the screen: root
    // window 0x100, 1280 x 1024, no depths.
    const std::uint8_t reply[8 + 72] = {
        1, 0, 11, 0, 0,    0, 18, 0, 0, 0, 0, 0, 0, 0,    0, 0, 0xff, 0xff, 0x1f, 0, 0, 0,
        0, 0, 0,  0, 0xff, 0, 1,  0, 0, 0, 0, 0, 8, 0xff, 0, 0, 0,    0,    0,    1, 0, 0,
        0, 0, 0,  0, 0,    0, 0,  0, 0, 0, 0, 0, 0, 0,    0, 0, 0,    5,    0,    4};
    char request[12];
    if (client >= 0 && ::read(client, request, sizeof request) == sizeof request) {
      (void)::write(client, reply, sizeof reply);
    }
    ::close(client);
  });
  ::setenv("DISPLAY", ":4242", 1);
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
  ::shutdown(listener, SHUT_RDWR);
  server.join();
  ::close(listener);
  ::unlink(path.c_str());
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
