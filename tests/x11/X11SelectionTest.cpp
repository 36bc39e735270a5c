// SPDX-License-Identifier: MIT
// The X11 clipboard reader on a private Xvfb display: what a missing owner means on X11 and on
// XWayland, an owner that arrives late, and displays that cannot be used.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "TimeOf.h"
#include "core/Error.h"
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

class X11SelectionTest : public ::testing::Test {
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

ChildProcess* X11SelectionTest::s_xvfb = nullptr;
std::string X11SelectionTest::s_display;

TEST_F(X11SelectionTest, NoOwnerOnAnX11DesktopIsAnEmptyClipboardAtOnce) {
  X11Selection selection({}, X11Session::X11);
  std::vector<std::string> types{"unchanged"};
  EXPECT_LT(TimeOf([&] { types = selection.Types(); }), milliseconds(200));
  EXPECT_TRUE(types.empty());
}

TEST_F(X11SelectionTest, NoOwnerOnXWaylandIsSaidAfterABriefWait) {
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

TEST_F(X11SelectionTest, AnOwnerArrivingAMomentLateOnXWaylandIsRead) {
  X11Selection selection({}, X11Session::XWayland);
  const LateOwner owner(milliseconds(100));
  EXPECT_THAT(selection.Types(), ::testing::Contains("image/png"));
}

TEST_F(X11SelectionTest, DisplaysThatCannotBeUsedAreError521) {
  ::setenv("DISPLAY", (s_display + ".7").c_str(), 1);  // a screen the server does not have
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
  ::setenv("DISPLAY", ":9999", 1);  // no server
  EXPECT_EQ(ErrorOf([] { X11Selection({}, X11Session::X11); }), 521);
}

}  // namespace
}  // namespace mirablot::x11
