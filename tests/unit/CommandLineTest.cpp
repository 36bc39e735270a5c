// SPDX-License-Identifier: MIT
// The options, and a launch straight into the settings window.
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Launch.h"
#include "fakes/Fakes.h"

namespace mirablot {
namespace {

// The command line as one line: the command, then for a print the picture and the choices.
std::string Rendered(const CommandLine& line) {
  static const char* const kNames[] = {"print", "settings", "help", "version", "misuse"};
  std::ostringstream text;
  text << kNames[static_cast<int>(line.command)];
  if (line.command == Command::Print) {
    const PrintChoices& choices = line.choices;
    text << (line.picture.empty() ? "" : " ") << line.picture
         << (choices.printer.empty() ? "" : " ") << choices.printer;
    if (choices.copies > 0) {
      text << " x" << choices.copies;
    }
    text << (choices.monochrome ? " grey" : "") << (line.acrossPages ? " long" : "");
  }
  return text.str();
}

// Each row is "ARGUMENTS => LINE", the arguments separated by blanks.
void Check(OptionStyle style, std::initializer_list<std::string_view> rows) {
  for (const std::string_view row : rows) {
    const std::size_t arrow = row.find("=>");
    std::istringstream words{std::string(row.substr(0, arrow))};
    const std::vector<std::string> owned{std::istream_iterator<std::string>(words), {}};
    const std::vector<std::string_view> arguments(owned.begin(), owned.end());
    const CommandLine line = ParseCommandLine(arguments, style);
    EXPECT_EQ(Rendered(line), row.substr(arrow + 3)) << row;
    EXPECT_EQ(line.problem.empty(), line.command != Command::Misuse) << row << line.problem;
  }
}

TEST(CommandLine, ChoosesTheCommandThePictureAndThePrintChoices) {
  Check(OptionStyle::Unix,
        {"=> print", "--settings --settings => settings", "-h => help", "--version => version",
         "--settings --help => help", "--help --version pic.png => help",
         "--settings --version => misuse", "--setings => misuse", "--SETTINGS => misuse",
         "--help --bogus => misuse"});
  Check(OptionStyle::Unix,
        {"pic.png => print pic.png", "/home/me/pic.png => print /home/me/pic.png", "- => print -",
         "-- -pic.png => print -pic.png", "-pic.png => misuse", "a.png b.png => misuse"});
  Check(OptionStyle::Unix,
        {"--printer Photo/grey pic.png => print pic.png Photo/grey",
         "-d Labels -d Office => print Office", "--printer=Labels => print Labels",
         "--printer => misuse", "--printer= => misuse", "--copies 3 => print x3",
         "-n 999 => print x999", "--copies=1 => print x1", "--copies 0 => misuse",
         "--copies 1000 => misuse", "--copies 2x => misuse", "--copies +2 => misuse",
         "--gray => print grey", "--grey - --copies 2 -d P => print - P x2 grey",
         "--long - -n 2 => print - x2 long"});
  Check(OptionStyle::Unix, {"--long --settings => misuse", "--settings pic.png => misuse",
                            "--grey --settings => misuse", "--version - => misuse"});
  Check(OptionStyle::Windows,
        {"/settings => settings", "/Settings => settings", "/? => help",
         "--settings /SETTINGS => settings", "/version => version", "/print => misuse",
         "/PRINTER:Labels /copies:2 /grey C:\\pic.png => print C:\\pic.png Labels x2 grey",
         "/copies:0 => misuse", "/LONG => print long", "/grey /settings => misuse"});
  EXPECT_EQ(ParseCommandLine(std::vector<std::string_view>{""}, OptionStyle::Unix).command,
            Command::Misuse);
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
  fake::FakePrinter m_printer{m_log};
  fake::FakeClipboard m_clipboard{m_log};
  fake::FakeScreen m_screen{28800, 16200, 15};
  fake::FakeSettingsBackend m_settings{m_log};
  fake::FakeWindowing m_windowing{m_log};
  bool m_looped = false;
};

TEST_F(LaunchTest, SettingsModeOpensTheWindowWithoutReadingTheClipboardOrPrinting) {
  EXPECT_EQ(LaunchSettings(), 0);
  EXPECT_TRUE(m_looped);
  EXPECT_TRUE(m_log.Contains("Windowing.CreateWindow(frmSetting)"));
  EXPECT_TRUE(m_log.Matching("Clipboard.").empty());
  EXPECT_TRUE(m_log.Matching("Printer.NewPage").empty());
  EXPECT_TRUE(m_windowing.MessageBoxes().empty());
}

TEST_F(LaunchTest, SettingsWindowThatCannotBeMadeEndsWithoutWaiting) {
  m_log.FailOn("Windowing.CreateWindow", 1158, "no window handles left");
  EXPECT_EQ(LaunchSettings(), 1);
  EXPECT_FALSE(m_looped);
  EXPECT_EQ(m_windowing.MessageBoxes().size(), 1U);
}

}  // namespace
}  // namespace mirablot
