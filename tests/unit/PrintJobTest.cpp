// SPDX-License-Identifier: MIT
// The options, the session the program runs in, the print job's layout rules, and the
// start-up window that runs it, with its failure path; a launch straight into the settings
// window. The fake page is an A4 sheet printable to its edges: 11900 x 16840 twips, so the
// printable extents are 11200 x 16140 in portrait and 16140 x 11200 in landscape. The fake
// screen has 15 twips per pixel, so a 300 x 200 picture measures 4500 x 3000 twips.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/DesktopSession.h"
#include "app/Launch.h"
#include "app/frmMain.h"
#include "fakes/Fakes.h"
#include "forms/PictureHolder.h"
#include "print/PrintJob.h"
#include "settings/SettingsStore.h"

namespace mirablot {
namespace {

constexpr auto kPortrait = Orientation::Portrait;
constexpr auto kLandscape = Orientation::Landscape;

// The start-up window and the print job on fakes, with "Key=Value|Key=Value" stored (values
// keep their blanks) and a printer of this orientation.
struct StartUp : fake::Desk {
  explicit StartUp(const std::string& stored = "", Orientation own = kPortrait) {
    std::istringstream lines(stored);
    for (std::string line; std::getline(lines, line, '|');) {
      settings.values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
    printer.orientation = own;
  }

  // What the job drew, "; " between pages, after "!" and the number of the error raised.
  std::string Print(Picture picture, print::Flow flow = print::Flow::OnePage,
                    const std::string& stamp = "") {
    std::ostringstream outcome;
    try {
      print::PrintJob(store, printer, img, {}, flow, stamp).Print(std::move(picture));
      EXPECT_EQ(printer.documentsPrinted, 1);
    } catch (const Error& error) {
      outcome << '!' << error.Number();
      description = error.Description();
    }
    for (std::size_t page = 0; page < printer.drawings.size(); ++page) {
      outcome << (page == 0 ? "" : "; ") << printer.drawings[page];
    }
    return outcome.str();
  }

  // The first question the start-up window asked, after loading with this picture.
  std::string Launch(Picture picture) {
    clipboard.picture = std::move(picture);
    form.Form_Load();
    return windowing.MessageBoxes().empty() ? "" : windowing.MessageBoxes().front().text;
  }

  SettingsStore store{settings};
  PictureHolder img{screen, 15, 15};
  frmMain form{{printer, clipboard, screen, store, windowing, {"Labels", 2, true}}, img};
  std::string description;  // of the error raised
};

TEST(PrintJob, PlacesThePictureAsTheMarginAlignmentOrientationAndFitSay) {
  struct Layout {
    const char* stored;
    const char* drawn;
    const char* printer = "";  // "landscape" for its own orientation; "WIDTH" for its page
    int width = 300;           // of the picture, in pixels
    int height = 200;
    print::Flow flow = print::Flow::OnePage;
    int blankRow = -1;
  };
  constexpr auto kLong = print::Flow::AcrossPages;
  for (const Layout& layout : {
           // SpaceMM x 56.7 twips, rounded half to even: 850.5 gives 850, 283.5 gives 284.
           Layout{"Space0=1|SpaceMM=5", "portrait 284,0 4500x3000"},
           Layout{"Space0=1|SpaceMM= 20 ", "portrait 1134,0 4500x3000"},
           Layout{"Space1=1|SpaceMM=15", "portrait 0,850 4500x3000"},
           // Only a flag of exactly "1" counts, and only then is the millimetre text read.
           Layout{"Space0=01|Space1=true|SpaceMM=abc", "portrait 0,0 4500x3000"},
           Layout{"Space0=1|SpaceMM=abc", "!13"},
           Layout{"Zoom=1|Space0=1|SpaceMM=300", "!380"},  // wider than the sheet: no mirroring
           // 567 + round((11900 - 567 - 700 - 4500) / 2) = 567 + round(3066.5); a bottom-aligned
           // picture ends 700 twips short of the page whatever the margin: 16840 - 700 - 3000.
           Layout{"Space0=1|Space1=1|SpaceMM=10|PositionH=1|PositionV=2",
                  "portrait 3633,13140 4500x3000"},
           Layout{"PositionV=1", "portrait 0,6570 4500x3000"},  // centred in (16140 - 3000)
           // Rooms of 101 and 103 twips: 50.5 goes to 50, 51.5 to 52.
           Layout{"PositionH=1", "portrait 50,0 4500x3000", "5301"},
           Layout{"PositionH=1", "portrait 52,0 4500x3000", "5303"},
           // Wider than the room: centred or right-aligned, it starts left of the origin.
           Layout{"PositionH=1", "portrait -600,0 4500x3000", "4000"},
           Layout{"PositionH=2", "portrait -1200,0 4500x3000", "4000"},
           Layout{"PositionH=01|PositionV=3", "portrait 0,0 4500x3000"},
           Layout{"Orientation=0", "portrait 0,0 4500x3000", "landscape"},
           // Landscape 16840 x 11900: (16140 - 4500) / 2 and 11200 - 3000.
           Layout{"Orientation=1|PositionH=1|PositionV=2", "landscape 5820,8200 4500x3000"},
           // Automatic turns the sheet only for a picture that must be fitted anyway.
           Layout{"Orientation=2|Zoom=0", "portrait 0,0 45000x4500", "", 3000, 300},
           // 16140 wide: exactly the landscape printable width, so it fits and stays.
           Layout{"Orientation=2|Zoom=1", "landscape 0,0 16140x3000", "landscape", 1076},
           // 24000 x 13500 twips into 16140 x 11200: 13500 x 16140 / 24000 = 9078.75.
           Layout{"Orientation=2|Zoom=1", "landscape 0,0 16140x9078.75", "", 1600, 900},
           Layout{"Orientation=2|Zoom=1", "portrait 0,0 11200x11200", "landscape", 1200, 1200},
           // Any other orientation leaves the printer's own.
           Layout{"Zoom=1|Orientation=3", "portrait 0,0 11200x1120", "", 3000, 300},
           Layout{"Zoom=1|Orientation=2 ", "portrait 0,0 11200x1120", "", 3000, 300},
           Layout{"Zoom=1|Orientation=00", "landscape 0,0 16140x1614", "landscape", 3000, 300},
           // The fit uses the extents of the orientation just set: the width limits here, the
           // height of a tall picture there.
           Layout{"Orientation=1|Zoom=1", "landscape 0,0 16140x10760"},
           Layout{"Zoom=1", "portrait 0,0 10760x16140", "", 200, 300},
           // Long pictures flow across pages: 100 x 2000 pixels, 1500 x 30000 twips: 1076 rows
           // fill the 16140 twips of an A4 page, and 2 mm (113.4 twips) are 8 rows. Automatic is
           // portrait, whatever the printer's own.
           Layout{"Orientation=2",
                  "portrait 0,0 1500x16140 rows 0+1076; portrait 0,0 1500x13980 rows 1068+932",
                  "landscape", 100, 2000, kLong},
           // A blank row near the first page's end: cut below it.
           Layout{"", "portrait 0,0 1500x16065 rows 0+1071; portrait 0,0 1500x13935 rows 1071+929",
                  "", 100, 2000, kLong, 1070},
           // Both margins on every sheet (15573 twips of room: 1038 rows), centred beside the
           // picture: 567 + round((11900 - 567 - 700 - 1500) / 2).
           Layout{"Space0=1|Space1=1|SpaceMM=10|PositionH=1|PositionV=2",
                  "portrait 5133,567 1500x15570 rows 0+1038; "
                  "portrait 5133,567 1500x14550 rows 1030+970",
                  "", 100, 2000, kLong},
           // Landscape: 11200 twips, 746 rows a page.
           Layout{"Orientation=1",
                  "landscape 0,0 1500x11190 rows 0+746; landscape 0,0 1500x3930 rows 738+262", "",
                  100, 1000, kLong},
           // Fitted to 11200 twips, a row is 112 twips: 144 rows a page, 2 repeated.
           Layout{"Zoom=1",
                  "portrait 0,0 11200x16128 rows 0+144; portrait 0,0 11200x6496 rows 142+58", "",
                  100, 200, kLong},
           // One page is enough: printed as without --long, bottom-aligned: 16140 - 15000.
           Layout{"PositionV=2", "portrait 0,1140 1500x15000", "", 100, 1000, kLong},
       }) {
    // With a stamp the picture prints exactly where it prints without one, and each page's
    // stamp (its 7-point line, 140 twips and its descenders) lies in the 700 twips below the
    // picture's room.
    for (const std::string stamp : {"", "2026-12-07 23:40"}) {
      StartUp job(layout.stored,
                  std::string(layout.printer) == "landscape" ? kLandscape : kPortrait);
      if (std::isdigit(*layout.printer)) {
        job.printer.portraitWidth = std::stod(layout.printer);
      }
      std::vector<bool> blank(static_cast<std::size_t>(layout.height));
      if (layout.blankRow >= 0) {
        blank[static_cast<std::size_t>(layout.blankRow)] = true;
      }
      EXPECT_EQ(
          job.Print(fake::MakePicture(layout.width, layout.height, blank), layout.flow, stamp),
          layout.drawn)
          << layout.stored << ' ' << layout.printer << ' ' << stamp;
      const auto& stamps = job.printer.stamps;
      ASSERT_EQ(stamps.size(), stamp.empty() ? 0 : job.printer.drawings.size());
      for (std::size_t page = 0; page < stamps.size(); ++page) {
        const std::string number = std::to_string(page + 1) + "/" + std::to_string(stamps.size());
        const bool acrossPages = job.printer.drawings[page].find(" rows ") != std::string::npos;
        EXPECT_EQ(stamps[page].text, acrossPages ? stamp + "  " + number : stamp);
        EXPECT_GE(stamps[page].baseline - 140, stamps[page].pageHeight - 700) << layout.stored;
        EXPECT_LE(stamps[page].baseline + 40, stamps[page].pageHeight) << layout.stored;
        EXPECT_LE(stamps[page].right, stamps[page].pageWidth) << layout.stored;
      }
    }
  }
}

TEST(PrintJob, CutsLongPicturesInTheLowestBlankRunNearAPagesEndElseOverlaps) {
  using print::Slice;
  std::vector<bool> blank(100);
  for (const auto& [blankRows, perPage, overlap, slices] :
       std::initializer_list<std::tuple<std::vector<int>, int, int, std::vector<Slice>>>{
           // No blank row: each page ends full, the next repeats 3 rows.
           {{}, 40, 3, {{0, 40}, {37, 40}, {74, 26}}},
           // Blank rows in the last tenth of a page (36 to 39): below the lowest one.
           {{37}, 40, 3, {{0, 38}, {38, 40}, {75, 25}}},
           {{36, 38, 77}, 40, 3, {{0, 39}, {39, 39}, {78, 22}}},
           // A run of them: in its middle, two rows on either side; one reaching above the last
           // tenth is cut in the middle of what lies inside it.
           {{36, 37, 38, 39}, 40, 3, {{0, 38}, {38, 40}, {75, 25}}},
           {{30, 31, 32, 33, 34, 35, 36, 37, 38}, 40, 3, {{0, 38}, {38, 40}, {75, 25}}},
           // Higher up is too far from the page's end.
           {{35}, 40, 3, {{0, 40}, {37, 40}, {74, 26}}},
           {{}, 100, 3, {{0, 100}}},
           // The overlap never holds a page back by more than half of it.
           {{}, 30, 40, {{0, 30}, {15, 30}, {30, 30}, {45, 30}, {60, 30}, {75, 25}}},
       }) {
    blank.assign(100, false);
    for (const int row : blankRows) {
      blank[static_cast<std::size_t>(row)] = true;
    }
    EXPECT_EQ(print::SliceRows(100, perPage, blank, overlap), slices) << perPage << " " << overlap;
  }
}

TEST(PrintJob, LongPicturesStopAtAHundredPages) {
  // Fitted, 144 rows fill a page and each next page adds 142: 14202 rows take a hundred pages,
  // one row more takes 101, and 200000 rows 1409.
  for (const auto& [rows, pages] : {std::pair{14202, 100}, {14203, 101}, {200000, 1409}}) {
    StartUp job("Zoom=1");
    const std::string outcome = job.Print(fake::MakePicture(100, rows), print::Flow::AcrossPages);
    EXPECT_EQ(outcome == "!380", pages > 100) << rows;
    EXPECT_EQ(pages > 100 ? job.description.find(std::to_string(pages)) != std::string::npos
                          : job.printer.drawings.size() == std::size_t(pages),
              true)
        << rows << ": " << job.description;
  }
}

// The start-up window runs the job on load; a failure aborts and asks.
TEST(StartUpWindowTest, PrintsWithTheRunsChoicesUnseenThenUnloads) {
  StartUp desk;
  EXPECT_EQ(desk.Launch(fake::MakePicture(300, 200)), "");
  EXPECT_EQ(desk.log.Matching("Printer.").front(), "Printer.Choose(Labels, 2, grey)");
  EXPECT_THAT(desk.printer.drawings, ::testing::ElementsAre("portrait 0,0 4500x3000"));
  EXPECT_EQ(desk.printer.documentsPrinted, 1);
  EXPECT_TRUE(desk.log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(desk.form.Printed());
  // Parked beyond the bottom-right corner of the screen.
  EXPECT_FLOAT_EQ(desk.form.Left(), 28800);
  EXPECT_FLOAT_EQ(desk.form.Top(), 16200);
}

TEST(StartUpWindowTest, TextOnTheClipboardOrAnyFailureAbortsAndAsksWhetherToOpenTheSettings) {
  // The failing call, the question (481: text on the clipboard), and the documents printed.
  for (const auto& [call, question, printed] : {
           std::tuple{"", "481\rErr.Description:\t印刷する画像がありません。", 0},
           {"Windowing.MsgBox", "481\rErr.Description:\t印刷する画像がありません。", 0},
           {"Printer.NewPage", "-1\rErr.Description:\tfailed", 0},
           {"Printer.EndDocument", "1286\rErr.Description:\tfailed", 0},
           {"Settings.Read(Quillery/Startup/Orientation)", "75\rErr.Description:\tfailed", 0},
           {"Windowing.Unload(frmMain)", "91\rErr.Description:\tfailed", 1},
       }) {
    StartUp desk;
    desk.log.FailOn(*call ? call : "(nothing)", std::atoi(question), "failed");
    EXPECT_EQ(desk.Launch(std::atoi(question) == 481 ? Picture() : fake::MakePicture(300, 200)),
              std::string("Err.Number:\t") + question + "\r\rとりあえず設定画面でも開く？")
        << call;
    ASSERT_EQ(desk.windowing.MessageBoxes().size(), 1U) << call;
    const MessageBoxRequest& box = desk.windowing.MessageBoxes().front();
    EXPECT_EQ(std::tuple(box.title, box.buttons, box.defaultButton),
              std::tuple("Mirablot Error", MsgBoxButtons::YesNo, MsgBoxDefault::Second));
    EXPECT_EQ(desk.printer.documentsPrinted, printed) << call;
    EXPECT_FALSE(desk.printer.DocumentOpen()) << call;
    EXPECT_FALSE(desk.form.Printed()) << call;
    // No: the window goes, and with it the program.
    EXPECT_TRUE(desk.log.Contains("Windowing.Unload(frmMain)")) << call;
  }
}

TEST(StartUpWindowTest, YesOpensTheSettingsWindowAndKeepsTheStartUpWindowLoaded) {
  // Every key stored, so that loading the settings window reads SpaceMM, which the job doesn't.
  StartUp desk("Orientation=0|Zoom=0|PositionH=0|PositionV=0|Space0=0|Space1=0|SpaceMM=5");
  desk.windowing.answer = MsgBoxResult::Yes;
  desk.Launch(Picture());
  EXPECT_TRUE(desk.log.Contains("Windowing.CreateWindow(frmSetting)"));
  EXPECT_TRUE(desk.log.Contains("Settings.Read(Quillery/Startup/SpaceMM)"));  // it loaded
  EXPECT_FALSE(desk.log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(desk.windowing.HasLoadedWindows());
}

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
    text << (choices.monochrome ? " grey" : "") << (line.acrossPages ? " long" : "")
         << (line.light ? " light" : "") << (line.stamp ? " stamp" : "");
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
         "--help --bogus => misuse", "--long --settings => misuse", "--settings pic.png => misuse",
         "--grey --settings => misuse", "--version - => misuse"});
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
         "--long - -n 2 => print - x2 long", "--stamp --light --long => print long light stamp"});
  Check(OptionStyle::Windows,
        {"/settings => settings", "/Settings => settings", "/? => help",
         "--settings /SETTINGS => settings", "/version => version", "/print => misuse",
         "/PRINTER:Labels /copies:2 /grey C:\\pic.png => print C:\\pic.png Labels x2 grey",
         "/copies:0 => misuse", "/LONG => print long", "/Stamp /light => print light stamp",
         "/grey /settings => misuse"});
  EXPECT_EQ(ParseCommandLine(std::vector<std::string_view>{""}, OptionStyle::Unix).command,
            Command::Misuse);
}

// Facts as letters: W a Wayland compositor named, S by WAYLAND_SOCKET alone, R that answered,
// D with data control, V that shows windows; X an X display named; QT_QPA_PLATFORM after '='.
SessionFacts Facts(std::string_view code) {
  const std::size_t equals = std::min(code.find('='), code.size());
  const auto has = [&](char flag) { return code.substr(0, equals).find(flag) != code.npos; };
  SessionFacts facts{has('W'), has('S'), has('R'), has('D'), has('V'), has('X')};
  facts.requestedQtPlatform = code.substr(std::min(equals + 1, code.size()));
  return facts;
}

TEST(PlanSession, ChoosesTheReaderAndTheWindowsPlatform) {
  using enum ClipboardRoute;
  for (const auto& [facts, clipboard, platform] : {
           std::tuple{"X", X11Selection, "xcb"},          // an X11 desktop
           {"X=offscreen", X11Selection, "offscreen"},    // the user's own platform is kept
           {"WRDVX", WaylandDataControl, "wayland;xcb"},  // sway with XWayland
           {"WRDV", WaylandDataControl, "wayland"},
           {"WRDVX=wayland-egl", WaylandDataControl, "wayland-egl;xcb"},  // KDE asking for it
           {"WRVX", XWaylandSelection, "wayland;xcb"},  // GNOME: XWayland bridges the clipboard
           {"WRV", Toolkit, "wayland"},                 // GNOME without XWayland
           {"WRDX", WaylandDataControl, "xcb"},         // a compositor that shows no windows
           {"WRD", WaylandDataControl, "wayland"},
           {"WX=wayland", XWaylandSelection, "xcb"},  // WAYLAND_DISPLAY names no compositor
           {"W", Toolkit, ""},
           {"", Toolkit, ""},
           // An inherited WAYLAND_SOCKET serves one connection: the reader's.
           {"WSRDVX", WaylandDataControl, "xcb"},
           {"WSRDV", WaylandDataControl, ""},
           {"WSRVX", XWaylandSelection, "xcb"},
       }) {
    const SessionPlan plan = PlanSession(Facts(facts));
    EXPECT_EQ(plan.clipboard, clipboard) << facts;
    EXPECT_EQ(plan.qtPlatform, platform) << facts;
  }
}

// Launched with --settings: the exit status.
int LaunchSettings(fake::Desk& desk, bool& looped) {
  return Launch({desk.printer, desk.clipboard, desk.screen, desk.settings, desk.windowing,
                 [&desk] { return desk.windowing.HasLoadedWindows(); },
                 [&looped] { return looped = true, 0; }},
                {.mode = LaunchMode::Settings});
}

TEST(Launch, SettingsModeOpensTheWindowWithoutReadingTheClipboardOrPrinting) {
  fake::Desk desk;
  bool looped = false;
  EXPECT_EQ(LaunchSettings(desk, looped), 0);
  EXPECT_TRUE(looped);
  EXPECT_TRUE(desk.log.Contains("Windowing.CreateWindow(frmSetting)"));
  EXPECT_TRUE(desk.log.Matching("Clipboard.").empty());
  EXPECT_TRUE(desk.log.Matching("Printer.NewPage").empty());
  EXPECT_TRUE(desk.windowing.MessageBoxes().empty());
  // A desktop out of window handles: reported, and nothing left waiting for a window that
  // never came.
  fake::Desk full;
  full.log.FailOn("Windowing.CreateWindow", 1158, "no window handles left");
  looped = false;
  EXPECT_EQ(LaunchSettings(full, looped), 1);
  EXPECT_FALSE(looped);
  ASSERT_EQ(full.windowing.MessageBoxes().size(), 1U);
  EXPECT_EQ(full.windowing.MessageBoxes()[0].text,
            "Err.Number:\t1158\rErr.Description:\tno window handles left");
  EXPECT_TRUE(full.windowing.Ended());
  EXPECT_FALSE(full.windowing.HasLoadedWindows());
}

}  // namespace
}  // namespace mirablot
