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
    Start();
    std::filesystem::remove_all(m_runtime);
  }

  // The compositor offering `offers` (none: only stops the one running) holds `contents` as
  // each of `types`, answered as `mode` says (see TestCompositor.cpp); no types, no clipboard.
  void Start(const std::string& offers = {}, const std::string& mode = "serve",
             const std::string& contents = {}, const std::vector<std::string>& types = {}) {
    m_reader.reset();
    m_display.reset();
    m_compositor.reset();  // it holds the socket
    if (offers.empty()) {
      return;
    }
    const std::string file = (m_runtime / "contents").string();
    std::ofstream(file, std::ios::binary) << contents;
    std::vector<std::string> args{MIRABLOT_TEST_COMPOSITOR, "wayland-test", offers, mode};
    for (const std::string& type : types) {
      args.push_back(type + "=" + file);
    }
    m_compositor = std::make_unique<ChildProcess>(args);
    ASSERT_EQ(m_compositor->ReadLine(), "ready");
  }

  // A reader on a connection of its own.
  DataControlSelection& Reader(SelectionLimits limits = {}) {
    m_reader.reset();
    m_display = Display::Connect(kAnswerWithin);
    EXPECT_NE(m_display, nullptr);
    m_reader = std::make_unique<DataControlSelection>(*m_display, limits);
    return *m_reader;
  }

  std::filesystem::path m_runtime;
  std::unique_ptr<ChildProcess> m_compositor;
  std::unique_ptr<Display> m_display;
  std::unique_ptr<DataControlSelection> m_reader;
};

// Ext is preferred, wlr serves alone.
TEST_F(DataControlTest, ReadsTheOwnersBytesWholeThroughEitherProtocol) {
  std::string picture(3 * 1024 * 1024 + 7, '\0');  // several pipe-fulls
  for (std::size_t i = 0; i < picture.size(); ++i) {
    picture[i] = static_cast<char>(i * 7 % 251);
  }
  for (const auto& [offers, read] : {std::pair{"ext", &kExtDataControl},
                                     {"wlr", &kWlrDataControl},
                                     {"both", &kExtDataControl}}) {
    Start(offers, "serve", picture, {"image/png", "text/plain"});
    DataControlSelection& reader = Reader();
    ASSERT_EQ(m_display->DataControl(), read) << offers;
    EXPECT_FALSE(m_display->OffersWindows());
    EXPECT_THAT(reader.Types(), ::testing::UnorderedElementsAre("image/png", "text/plain"));
    const std::optional<std::vector<std::uint8_t>> bytes = reader.Fetch("image/png");
    EXPECT_TRUE(bytes && std::string(bytes->begin(), bytes->end()) == picture) << offers;
  }
}

TEST_F(DataControlTest, NoDataControlIsStillADisplayNoneOrAHungOneIsNone) {
  EXPECT_EQ(Display::Connect(kAnswerWithin), nullptr);  // nothing listens on the socket
  Start("none");
  const std::unique_ptr<Display> plain = Display::Connect(kAnswerWithin);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->DataControl(), nullptr);
  ::unsetenv("WAYLAND_DISPLAY");
  Start("hang");  // libwayland would try wayland-0; we do not
  EXPECT_EQ(Display::Connect(kAnswerWithin), nullptr);
  ::setenv("WAYLAND_DISPLAY", "wayland-test", 1);
  std::unique_ptr<Display> display;
  const milliseconds took = TimeOf([&] { display = Display::Connect(milliseconds(500)); });
  EXPECT_EQ(display, nullptr);
  EXPECT_GE(took, milliseconds(490));
  EXPECT_LT(took, milliseconds(4000));
}

// An empty clipboard, or an owner that sends nothing, gives nothing; an answer larger than the
// budget is error 7, a compositor that goes away error 521.
TEST_F(DataControlTest, NothingToReadIsNothingAReadThatCannotFinishAnError) {
  Start("ext");
  EXPECT_TRUE(Reader().Types().empty());
  EXPECT_EQ(Reader().Fetch("image/png"), std::nullopt);
  Start("ext", "serve", "", {"image/png"});
  ASSERT_FALSE(Reader().Types().empty());
  EXPECT_EQ(m_reader->Fetch("image/png"), std::nullopt);
  Start("ext", "serve", std::string(4096, 'x'), {"image/png"});
  DataControlSelection& limited = Reader({.maxBytes = 1000});
  ASSERT_FALSE(limited.Types().empty());
  EXPECT_EQ(ErrorOf([&] { (void)limited.Fetch("image/png"); }), 7);
  DataControlSelection& reader = Reader();
  m_compositor.reset();
  EXPECT_EQ(ErrorOf([&] { (void)reader.Types(); }), 521);
}

// Owners that never write, stop after some bytes, or answer each of three types a byte every
// 100 ms (never falling silent): error 521 once the silence or the whole read has lasted as long
// as allowed, not sooner and not much later.
TEST_F(DataControlTest, OwnersThatStallOrTakeTooLongAreCutOffAtTheirLimit) {
  const SelectionLimits limits{.idle = milliseconds(300), .total = milliseconds(1000)};
  for (const auto& [mode, limit] :
       {std::pair{"stall:0", limits.idle}, {"stall:3", limits.idle}, {"trickle:6", limits.total}}) {
    Start("ext", mode, "0123456789", {"image/bmp", "image/jpeg", "image/png"});
    DataControlSelection& reader = Reader(limits);
    int error = 0;
    const milliseconds took = TimeOf([&] {
      error = ErrorOf([&] {
        for (const std::string& type : reader.Types()) {
          (void)reader.Fetch(type);
        }
      });
    });
    EXPECT_EQ(error, 521) << mode;
    EXPECT_GE(took, limit - milliseconds(10)) << mode;
    EXPECT_LT(took, limit + milliseconds(3000)) << mode;
  }
}

}  // namespace
}  // namespace mirablot::wayland
