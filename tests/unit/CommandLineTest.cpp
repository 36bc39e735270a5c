// SPDX-License-Identifier: MIT
// The options, and a launch straight into the settings window.
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Launch.h"
#include "fakes/Fakes.h"

namespace mirablot {
namespace {

using ::testing::Contains;
using ::testing::IsEmpty;

struct Case {
  std::vector<std::string_view> arguments;
  OptionStyle style;
  Command command;
};

class ParseCommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseCommandLineTest, ChoosesTheCommand) {
  const Case& given = GetParam();
  std::string problem;
  EXPECT_EQ(ParseCommandLine(given.arguments, given.style, &problem), given.command)
      << ::testing::PrintToString(given.arguments);
  EXPECT_EQ(problem.empty(), given.command != Command::Misuse) << problem;
}

constexpr auto kUnix = OptionStyle::Unix;
constexpr auto kWindows = OptionStyle::Windows;

INSTANTIATE_TEST_SUITE_P(
    Options, ParseCommandLineTest,
    ::testing::Values(
        Case{{}, kUnix, Command::Print}, Case{{"--settings"}, kUnix, Command::Settings},
        Case{{"--settings", "--settings"}, kUnix, Command::Settings},
        Case{{"--help"}, kUnix, Command::Help}, Case{{"-h"}, kUnix, Command::Help},
        Case{{"--version"}, kUnix, Command::Version},
        Case{{"--settings", "--help"}, kUnix, Command::Help},
        Case{{"--help", "--version"}, kUnix, Command::Help},
        Case{{"--settings", "--version"}, kUnix, Command::Misuse},
        Case{{"--setings"}, kUnix, Command::Misuse}, Case{{"--SETTINGS"}, kUnix, Command::Misuse},
        Case{{"picture.png"}, kUnix, Command::Misuse}, Case{{""}, kUnix, Command::Misuse},
        Case{{"--help", "--bogus"}, kUnix, Command::Misuse},
        Case{{"/settings"}, kUnix, Command::Misuse},
        Case{{"/settings"}, kWindows, Command::Settings},
        Case{{"/Settings"}, kWindows, Command::Settings}, Case{{"/?"}, kWindows, Command::Help},
        Case{{"--settings", "/SETTINGS"}, kWindows, Command::Settings},
        Case{{"/version"}, kWindows, Command::Version},
        Case{{"/print"}, kWindows, Command::Misuse}));

class LaunchTest : public ::testing::Test {
 protected:
  int LaunchSettings() {
    return Launch({m_printer, m_clipboard, m_screen, m_settings, m_windowing,
                   [this] { return m_windowing.HasLoadedWindows(); },
                   [this] {
                     m_looped = true;
                     return 0;
                   }},
                  LaunchMode::Settings);
  }

  fake::CallLog m_log;
  fake::FakePrinter m_printer{m_log, 11900, 16840};
  fake::FakeClipboard m_clipboard{m_log};
  fake::FakeScreen m_screen{28800, 16200, 15};
  fake::FakeSettingsBackend m_settings{m_log};
  fake::FakeWindowing m_windowing{m_log};
  bool m_looped = false;
};

TEST_F(LaunchTest, SettingsModeOpensTheWindowWithoutReadingTheClipboardOrPrinting) {
  const fake::CallLog& log = m_log;
  EXPECT_EQ(LaunchSettings(), 0);
  EXPECT_TRUE(m_looped);
  EXPECT_THAT(log.Calls(), Contains("Windowing.Show(frmSetting)"));
  EXPECT_THAT(log.Matching("Clipboard."), IsEmpty());
  EXPECT_THAT(log.Matching("Windowing.MsgBox"), IsEmpty());
  for (const std::string& call : log.Matching("Printer.")) {
    EXPECT_THAT(call, ::testing::StartsWith("Printer.GetOrientation")) << "printed: " << call;
  }
}

TEST_F(LaunchTest, SettingsWindowThatCannotBeMadeEndsWithoutWaiting) {
  m_windowing.Failures().FailOn("CreateWindow", 1158, "no window handles left");
  EXPECT_EQ(LaunchSettings(), 1);
  EXPECT_FALSE(m_looped);
  EXPECT_EQ(m_windowing.MessageBoxes().size(), 1U);
}

}  // namespace
}  // namespace mirablot
