// SPDX-License-Identifier: MIT
// The Wayland clipboard reader against a compositor of our own that offers the ext protocol,
// the wlr one, both or neither, and owners that answer well, slowly or never.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "TimeOf.h"
#include "core/Error.h"
#include "platform/wayland/DataControlSelection.h"
#include "platform/wayland/WaylandDisplay.h"

namespace mirablot::wayland {
namespace {

using mirablot::testing::ChildProcess;
using mirablot::testing::ErrorOf;
using mirablot::testing::TimeOf;
using std::chrono::milliseconds;

constexpr milliseconds kAnswerWithin{2000};

// Each test gets its own runtime folder, compositor and clipboard.
class DataControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "mirablot-wl.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_runtime = pattern;
    ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    ::setenv("WAYLAND_DISPLAY", "wayland-test", 1);
  }

  void TearDown() override {
    m_owner.reset();
    m_compositor.reset();
    std::filesystem::remove_all(m_runtime);
  }

  void StartCompositor(const std::string& offers) {
    m_compositor.reset();  // it holds the socket
    m_compositor = std::make_unique<ChildProcess>(
        std::vector<std::string>{MIRABLOT_TEST_COMPOSITOR, "wayland-test", offers});
    ASSERT_EQ(m_compositor->ReadLine(), "ready");
  }

  // The owner takes the clipboard with `contents` as `type` (and text besides).
  void Own(const std::string& mode, const std::string& contents,
           const std::string& type = "image/png", const std::string& protocol = "") {
    const std::filesystem::path file = m_runtime / "contents";
    std::ofstream(file, std::ios::binary) << contents;
    std::ofstream(m_runtime / "text") << "text";
    std::vector<std::string> args{MIRABLOT_TEST_OWNER};
    if (!protocol.empty()) {
      args.insert(args.end(), {"--protocol", protocol});
    }
    args.insert(args.end(), {mode, type + "=" + file.string(),
                             "text/plain;charset=utf-8=" + (m_runtime / "text").string()});
    m_owner = std::make_unique<ChildProcess>(args);
    ASSERT_EQ(m_owner->ReadLine(), "ready");
  }

  std::unique_ptr<Display> Connect() {
    std::unique_ptr<Display> display = Display::Connect(kAnswerWithin);
    EXPECT_NE(display, nullptr);
    return display;
  }

  std::filesystem::path m_runtime;
  std::unique_ptr<ChildProcess> m_compositor;
  std::unique_ptr<ChildProcess> m_owner;
};

TEST_F(DataControlTest, ExtIsPreferredWlrServesAloneAndNeitherIsStillADisplay) {
  for (const auto& [offers, protocol] :
       {std::pair{"both", &kExtDataControl}, {"wlr", &kWlrDataControl}, {"none", nullptr}}) {
    StartCompositor(offers);
    const auto display = Connect();
    ASSERT_NE(display, nullptr) << offers;
    EXPECT_EQ(display->DataControl(), protocol) << offers;
    EXPECT_FALSE(display->OffersWindows());
  }
}

TEST_F(DataControlTest, NoCompositorOrAHungOneIsNoDisplayWithinTheWait) {
  EXPECT_EQ(Display::Connect(kAnswerWithin), nullptr);  // nothing listens on the socket
  ::unsetenv("WAYLAND_DISPLAY");
  StartCompositor("hang");  // libwayland would try wayland-0; we do not
  EXPECT_EQ(Display::Connect(kAnswerWithin), nullptr);
  ::setenv("WAYLAND_DISPLAY", "wayland-test", 1);
  std::unique_ptr<Display> display;
  const milliseconds took = TimeOf([&] { display = Display::Connect(milliseconds(300)); });
  EXPECT_EQ(display, nullptr);
  EXPECT_GE(took, milliseconds(290));
  EXPECT_LT(took, milliseconds(3500));
}

// Both protocols read the same clipboard, whichever protocol its owner used.
class EitherProtocol : public DataControlTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EitherProtocol, ReadsTheOwnersBytesWhole) {
  StartCompositor(GetParam());
  std::string picture(3 * 1024 * 1024 + 7, '\0');  // several pipe-fulls
  for (std::size_t i = 0; i < picture.size(); ++i) {
    picture[i] = static_cast<char>(i * 7 % 251);
  }
  Own("serve", picture, "image/png", std::string(GetParam()) == "wlr" ? "wlr" : "ext");
  const auto display = Connect();
  ASSERT_NE(display, nullptr);
  DataControlSelection selection(*display, {});
  EXPECT_THAT(selection.Types(),
              ::testing::UnorderedElementsAre("image/png", "text/plain;charset=utf-8"));
  const std::optional<std::vector<std::uint8_t>> bytes = selection.Fetch("image/png");
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(std::string(bytes->begin(), bytes->end()), picture);
}

INSTANTIATE_TEST_SUITE_P(Protocols, EitherProtocol, ::testing::Values("ext", "wlr", "both"));

TEST_F(DataControlTest, OwnerOnTheOtherProtocolIsReadToo) {
  StartCompositor("both");
  Own("serve", "PNG bytes", "image/png", "wlr");
  const auto display = Connect();
  ASSERT_EQ(display->DataControl(), &kExtDataControl);
  DataControlSelection selection(*display, {});
  ASSERT_FALSE(selection.Types().empty());
  EXPECT_EQ(selection.Fetch("image/png"),
            std::vector<std::uint8_t>({'P', 'N', 'G', ' ', 'b', 'y', 't', 'e', 's'}));
}

TEST_F(DataControlTest, AnEmptyClipboardOffersNothing) {
  StartCompositor("ext");
  const auto display = Connect();
  DataControlSelection selection(*display, {});
  EXPECT_TRUE(selection.Types().empty());
  EXPECT_EQ(selection.Fetch("image/png"), std::nullopt);
}

TEST_F(DataControlTest, AnOwnerThatSendsNothingRefusesTheType) {
  StartCompositor("ext");
  Own("empty", "unused");
  const auto display = Connect();
  DataControlSelection selection(*display, {});
  ASSERT_FALSE(selection.Types().empty());
  EXPECT_EQ(selection.Fetch("image/png"), std::nullopt);
}

// Owners that never write, stop after some bytes, or trickle for ever: error 521 once the
// silence or the whole read has lasted as long as allowed, not sooner and not much later.
TEST_F(DataControlTest, OwnersThatStallOrNeverFinishAreCutOffAtTheirLimit) {
  StartCompositor("ext");
  const SelectionLimits limits{.idle = milliseconds(300), .total = milliseconds(1000)};
  for (const auto& [mode, limit] : {std::pair{"silent", limits.idle},
                                    {"stall:3", limits.idle},
                                    {"trickle", limits.total}}) {  // a byte every 100 ms
    Own(mode, "0123456789");
    const auto display = Connect();
    DataControlSelection selection(*display, limits);
    ASSERT_FALSE(selection.Types().empty());
    int error = 0;
    const milliseconds took =
        TimeOf([&] { error = ErrorOf([&] { (void)selection.Fetch("image/png"); }); });
    EXPECT_EQ(error, 521) << mode;
    EXPECT_GE(took, limit - milliseconds(10)) << mode;
    EXPECT_LT(took, limit + milliseconds(3000)) << mode;
  }
}

// One limit for the whole read: an owner offering several types, each answered slowly enough
// never to fall silent, cannot hold the read up longer than the total once.
TEST_F(DataControlTest, TheTotalLimitHoldsForTheWholeReadNotForEachType) {
  StartCompositor("ext");
  std::ofstream(m_runtime / "junk") << "junk";
  const std::string junk = (m_runtime / "junk").string();
  m_owner = std::make_unique<ChildProcess>(
      std::vector<std::string>{MIRABLOT_TEST_OWNER, "trickle:6", "image/png=" + junk,
                               "image/bmp=" + junk, "image/jpeg=" + junk});
  ASSERT_EQ(m_owner->ReadLine(), "ready");
  const auto display = Connect();
  DataControlSelection selection(*display,
                                 {.idle = milliseconds(300), .total = milliseconds(1000)});
  int error = 0;
  const milliseconds took = TimeOf([&] {
    error = ErrorOf([&] {
      for (const std::string& type : selection.Types()) {
        (void)selection.Fetch(type);  // 600 ms each
      }
    });
  });
  EXPECT_EQ(error, 521);
  EXPECT_GE(took, milliseconds(990));
  EXPECT_LT(took, milliseconds(1900));
}

TEST_F(DataControlTest, AnAnswerLargerThanTheBudgetIsError7) {
  StartCompositor("ext");
  Own("serve", std::string(4096, 'x'));
  const auto display = Connect();
  DataControlSelection selection(*display, {.maxBytes = 1000});
  ASSERT_FALSE(selection.Types().empty());
  EXPECT_EQ(ErrorOf([&] { (void)selection.Fetch("image/png"); }), 7);
}

TEST_F(DataControlTest, ACompositorThatGoesAwayIsError521) {
  StartCompositor("ext");
  const auto display = Connect();
  m_compositor.reset();
  DataControlSelection selection(*display, {});
  EXPECT_EQ(ErrorOf([&] { (void)selection.Types(); }), 521);
}

}  // namespace
}  // namespace mirablot::wayland
