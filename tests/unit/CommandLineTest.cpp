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

// The command line as one line: the command, then the picture and the choices it makes.
std::string Rendered(const CommandLine& line) {
  static const char* const kNames[] = {"print", "settings", "help", "version", "misuse"};
  std::string text = kNames[static_cast<int>(line.command)];
  if (line.command != Command::Print) {
    return text;
  }
  std::string copies;
  if (line.choices.copies > 0) {
    copies = 'x';
    copies += std::to_string(line.choices.copies);
  }
  for (const std::string& part : {line.picture, line.choices.printer, copies,
                                  std::string(line.choices.monochrome ? "grey" : ""),
                                  std::string(line.acrossPages ? "long" : "")}) {
    if (!part.empty()) {
      text += ' ';
      text += part;
    }
  }
  return text;
}

TEST(CommandLine, ChoosesTheCommandThePictureAndThePrintChoices) {
  constexpr auto kUnix = OptionStyle::Unix;
  constexpr auto kWindows = OptionStyle::Windows;
  struct Case {
    std::vector<std::string_view> arguments;
    OptionStyle style;
    const char* line;
  };
  for (const Case& c : {
           Case{{}, kUnix, "print"},
           Case{{"--settings"}, kUnix, "settings"},
           Case{{"--settings", "--settings"}, kUnix, "settings"},
           Case{{"--help"}, kUnix, "help"},
           Case{{"-h"}, kUnix, "help"},
           Case{{"--version"}, kUnix, "version"},
           Case{{"--settings", "--help"}, kUnix, "help"},
           Case{{"--help", "--version", "pic.png"}, kUnix, "help"},
           Case{{"--settings", "--version"}, kUnix, "misuse"},
           Case{{"--setings"}, kUnix, "misuse"},
           Case{{"--SETTINGS"}, kUnix, "misuse"},
           Case{{""}, kUnix, "misuse"},
           Case{{"--help", "--bogus"}, kUnix, "misuse"},
           Case{{"pic.png"}, kUnix, "print pic.png"},
           Case{{"/home/me/pic.png"}, kUnix, "print /home/me/pic.png"},
           Case{{"-"}, kUnix, "print -"},
           Case{{"--", "-pic.png"}, kUnix, "print -pic.png"},
           Case{{"-pic.png"}, kUnix, "misuse"},
           Case{{"a.png", "b.png"}, kUnix, "misuse"},
           Case{{"--printer", "Photo/grey", "pic.png"}, kUnix, "print pic.png Photo/grey"},
           Case{{"-d", "Labels", "-d", "Office"}, kUnix, "print Office"},
           Case{{"--printer=Labels"}, kUnix, "print Labels"},
           Case{{"--printer"}, kUnix, "misuse"},
           Case{{"--printer="}, kUnix, "misuse"},
           Case{{"--copies", "3"}, kUnix, "print x3"},
           Case{{"-n", "999"}, kUnix, "print x999"},
           Case{{"--copies=1"}, kUnix, "print x1"},
           Case{{"--copies", "0"}, kUnix, "misuse"},
           Case{{"--copies", "1000"}, kUnix, "misuse"},
           Case{{"--copies", "2x"}, kUnix, "misuse"},
           Case{{"--copies", "+2"}, kUnix, "misuse"},
           Case{{"--gray"}, kUnix, "print grey"},
           Case{{"--grey", "-", "--copies", "2", "-d", "P"}, kUnix, "print - P x2 grey"},
           Case{{"--long", "-", "-n", "2"}, kUnix, "print - x2 long"},
           Case{{"--long", "--settings"}, kUnix, "misuse"},
           Case{{"--settings", "pic.png"}, kUnix, "misuse"},
           Case{{"--grey", "--settings"}, kUnix, "misuse"},
           Case{{"--version", "-"}, kUnix, "misuse"},
           Case{{"/settings"}, kWindows, "settings"},
           Case{{"/Settings"}, kWindows, "settings"},
           Case{{"/?"}, kWindows, "help"},
           Case{{"--settings", "/SETTINGS"}, kWindows, "settings"},
           Case{{"/version"}, kWindows, "version"},
           Case{{"/print"}, kWindows, "misuse"},
           Case{{"/PRINTER:Labels", "/copies:2", "/grey", "C:\\pic.png"},
                kWindows,
                "print C:\\pic.png Labels x2 grey"},
           Case{{"/copies:0"}, kWindows, "misuse"},
           Case{{"/LONG"}, kWindows, "print long"},
           Case{{"/grey", "/settings"}, kWindows, "misuse"},
       }) {
    const CommandLine line = ParseCommandLine(c.arguments, c.style);
    EXPECT_EQ(Rendered(line), c.line) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(line.problem.empty(), line.command != Command::Misuse) << line.problem;
  }
}

class LaunchTest : public ::testing::Test {
 protected:
  int LaunchSettings() {
    return Launch({m_printer, m_clipboard, m_screen, m_settings, m_windowing,
                   [this] { return m_windowing.HasLoadedWindows(); },
                   [this] {
                     m_looped = true;
                     return 0;
                   }},
                  {.mode = LaunchMode::Settings});
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
