// SPDX-License-Identifier: MIT
// The print job's layout rules, and the start-up window that runs it, with its failure path.
// The fake page is an A4 sheet printable to its edges: 11900 x 16840 twips, so the printable
// extents are 11200 x 16140 in portrait and 16140 x 11200 in landscape. The fake screen has
// 15 twips per pixel, so a 300 x 200 picture measures 4500 x 3000 twips.
#include <cctype>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/frmMain.h"
#include "fakes/Fakes.h"
#include "forms/PictureHolder.h"
#include "print/PrintJob.h"
#include "settings/SettingsStore.h"

namespace mirablot {
namespace {

constexpr auto kPortrait = Orientation::Portrait;
constexpr auto kLandscape = Orientation::Landscape;

// A print job on fakes, with "Key=Value|Key=Value" stored (values keep their blanks).
struct Job {
  explicit Job(const std::string& stored, Orientation own = kPortrait) : printer(log, own) {
    std::istringstream lines(stored);
    for (std::string line; std::getline(lines, line, '|');) {
      backend.values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    }
  }

  // What was drawn, "; " between pages, then "!" and the number of the error raised, if any.
  std::string Print(Picture picture, print::Flow flow = print::Flow::OnePage) {
    std::ostringstream outcome;
    try {
      print::PrintJob(store, printer, img, {}, flow).Print(std::move(picture));
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

  fake::CallLog log;
  fake::FakeSettingsBackend backend{log};
  SettingsStore store{backend};
  fake::FakePrinter printer;
  fake::FakeScreen screen{28800, 16200, 15};
  PictureHolder img{screen, 15, 15};
  std::string description;  // of the error raised
};

TEST(PrintJob, PlacesThePictureAsTheSettingsSay) {
  struct Layout {
    const char* stored;
    const char* drawn;
    const char* printer = "";  // "landscape" for its own orientation; "WIDTH" for its page
    int width = 300;           // of the picture, in pixels
    int height = 200;
  };
  for (const Layout& layout : {
           // SpaceMM x 56.7 twips, rounded half to even: 850.5 gives 850, 283.5 gives 284.
           Layout{"Space0=1|SpaceMM=10", "portrait 567,0 4500x3000"},
           Layout{"Space0=1|SpaceMM=5", "portrait 284,0 4500x3000"},
           Layout{"Space0=1|SpaceMM=2.5", "portrait 142,0 4500x3000"},
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
           Layout{"Zoom=1|Orientation=-1", "landscape 0,0 16140x1614", "landscape", 3000, 300},
           // The fit uses the extents of the orientation just set: the width limits here, the
           // height of a tall picture there.
           Layout{"Orientation=1|Zoom=1", "landscape 0,0 16140x10760"},
           Layout{"Zoom=1", "portrait 0,0 10760x16140", "", 200, 300},
       }) {
    Job job(layout.stored, std::string(layout.printer) == "landscape" ? kLandscape : kPortrait);
    if (std::isdigit(*layout.printer)) {
      job.printer.portraitWidth = std::stod(layout.printer);
    }
    EXPECT_EQ(job.Print(fake::MakePicture(layout.width, layout.height)), layout.drawn)
        << layout.stored << ' ' << layout.printer;
  }
}

TEST(PrintJob, CutsLongPicturesBelowTheLowestBlankRowNearAPagesEndElseOverlaps) {
  using print::Slice;
  std::vector<bool> blank(100);
  for (const auto& [blankRows, perPage, overlap, slices] :
       std::initializer_list<std::tuple<std::vector<int>, int, int, std::vector<Slice>>>{
           // No blank row: each page ends full, the next repeats 3 rows.
           {{}, 40, 3, {{0, 40}, {37, 40}, {74, 26}}},
           // Blank rows in the last tenth of a page (36 to 39): below the lowest one.
           {{37}, 40, 3, {{0, 38}, {38, 40}, {75, 25}}},
           {{36, 38, 77}, 40, 3, {{0, 39}, {39, 39}, {78, 22}}},
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

TEST(PrintJob, LongPicturesFlowFromTheTopOfEachPageAtTheirWidth) {
  // 100 x 3000 pixels, 1500 x 45000 twips: 1076 rows fill the 16140 twips of an A4 page, and
  // 2 mm (113.4 twips) are 8 rows.
  std::vector<bool> blankAt1070(3000);
  blankAt1070[1070] = true;
  struct Case {
    const char* stored;
    const char* pages;
    std::vector<bool> blank = {};
    int height = 3000;
    Orientation printer = kPortrait;
  };
  for (const Case& c : {
           // Automatic is portrait, whatever the printer's own (landscape here).
           Case{"Orientation=2",
                "portrait 0,0 1500x16140 rows 0+1076; portrait 0,0 1500x16140 rows 1068+1076; "
                "portrait 0,0 1500x12960 rows 2136+864",
                {},
                3000,
                kLandscape},
           // A blank row near the first page's end: cut below it.
           Case{"",
                "portrait 0,0 1500x16065 rows 0+1071; portrait 0,0 1500x16140 rows 1071+1076; "
                "portrait 0,0 1500x12915 rows 2139+861",
                blankAt1070},
           // The top margin on every sheet (15573 twips of room: 1038 rows), centred in the room
           // beside the picture: (11900 - 700 - 1500) / 2.
           Case{"Space1=1|SpaceMM=10|PositionH=1|PositionV=2",
                "portrait 4850,567 1500x15570 rows 0+1038; portrait 4850,567 1500x15570 rows "
                "1030+1038; portrait 4850,567 1500x14100 rows 2060+940"},
           // Right of a left margin: 567 + 11900 - 567 - 700 - 1500.
           Case{"Space0=1|SpaceMM=10|PositionH=2",
                "portrait 9700,0 1500x16140 rows 0+1076; portrait 9700,0 1500x16140 rows "
                "1068+1076; portrait 9700,0 1500x12960 rows 2136+864"},
           // Landscape: 11200 twips, 746 rows a page.
           Case{"Orientation=1",
                "landscape 0,0 1500x11190 rows 0+746; landscape 0,0 1500x11190 rows 738+746; "
                "landscape 0,0 1500x11190 rows 1476+746; landscape 0,0 1500x11190 rows "
                "2214+746; landscape 0,0 1500x720 rows 2952+48"},
           // One page is enough: printed as without --long, bottom-aligned: 16140 - 15000.
           Case{"PositionV=2", "portrait 0,1140 1500x15000", {}, 1000},
       }) {
    Job job(c.stored, c.printer);
    EXPECT_EQ(job.Print(fake::MakePicture(100, c.height, c.blank), print::Flow::AcrossPages),
              c.pages)
        << c.stored;
  }
}

TEST(PrintJob, LongPicturesFitTheWidthAndStopAtAHundredPages) {
  // Fitted to 11200 twips, a row is 112 twips: 144 rows a page, 2 repeated.
  Job job("Zoom=1");
  job.Print(fake::MakePicture(100, 3000), print::Flow::AcrossPages);
  ASSERT_EQ(job.printer.drawings.size(), 22U);
  EXPECT_EQ(job.printer.drawings.front(), "portrait 0,0 11200x16128 rows 0+144");
  EXPECT_EQ(job.printer.drawings.back(), "portrait 0,0 11200x2016 rows 2982+18");
  // 200000 rows would take 1409 pages: 142 more each, 144 on the last.
  Job tooLong("Zoom=1");
  EXPECT_EQ(tooLong.Print(fake::MakePicture(100, 200000), print::Flow::AcrossPages), "!380");
  EXPECT_THAT(tooLong.description, ::testing::HasSubstr("1409"));
}

// The start-up window: it runs the job on load; a failure aborts and asks.
class StartUpWindowTest : public ::testing::Test {
 protected:
  void Launch(Picture picture) {
    m_clipboard.picture = std::move(picture);
    m_form.Form_Load();
  }

  fake::CallLog m_log;
  fake::FakePrinter m_printer{m_log};
  fake::FakeClipboard m_clipboard{m_log};
  fake::FakeScreen m_screen{28800, 16200, 15};
  fake::FakeSettingsBackend m_backend{m_log};
  SettingsStore m_store{m_backend};
  fake::FakeWindowing m_windowing{m_log};
  PictureHolder m_img{m_screen, 15, 15};
  frmMain m_form{{m_printer, m_clipboard, m_screen, m_store, m_windowing, {"Labels", 2, true}},
                 m_img};
};

TEST_F(StartUpWindowTest, PrintsWithTheRunsChoicesUnseenThenUnloads) {
  Launch(fake::MakePicture(300, 200));
  EXPECT_EQ(m_log.Matching("Printer.").front(), "Printer.Choose(Labels, 2, grey)");
  EXPECT_THAT(m_printer.drawings, ::testing::ElementsAre("portrait 0,0 4500x3000"));
  EXPECT_EQ(m_printer.documentsPrinted, 1);
  EXPECT_TRUE(m_windowing.MessageBoxes().empty());
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(m_form.Printed());
  // Parked beyond the bottom-right corner of the screen.
  EXPECT_FLOAT_EQ(m_form.Left(), 28800);
  EXPECT_FLOAT_EQ(m_form.Top(), 16200);
}

TEST_F(StartUpWindowTest, TextOnTheClipboardAbortsAndAsksWhetherToOpenTheSettings) {
  Launch(Picture());
  EXPECT_TRUE(m_log.Contains("Printer.AbortDocument"));
  EXPECT_EQ(m_printer.documentsPrinted, 0);
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 1U);
  const MessageBoxRequest& box = m_windowing.MessageBoxes().front();
  EXPECT_EQ(box.text,
            "Err.Number:\t481\rErr.Description:\t印刷する画像がありません。\r\r"
            "とりあえず設定画面でも開く？");
  EXPECT_EQ(box.title, "Mirablot Error");
  EXPECT_EQ(box.buttons, MsgBoxButtons::YesNo);
  EXPECT_EQ(box.defaultButton, MsgBoxDefault::Second);
  // No: the window goes, and with it the program.
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_FALSE(m_form.Printed());
}

TEST_F(StartUpWindowTest, EveryFailureAbortsAndAsksWithItsNumber) {
  // The failing call, its error, and the documents that reached the printer before it.
  for (const auto& [call, number, printed] :
       {std::tuple{"Printer.NewPage", -1, 0},
        {"Printer.EndDocument", 1286, 0},
        {"Settings.Read(Quillery/Startup/Orientation)", 75, 0},
        {"Windowing.Unload(frmMain)", 91, 1}}) {
    fake::CallLog log;
    fake::FakePrinter printer(log);
    fake::FakeWindowing windowing(log);
    fake::FakeSettingsBackend backend(log);
    SettingsStore store(backend);
    log.FailOn(call, number, "failed");
    m_clipboard.picture = fake::MakePicture(300, 200);
    frmMain form({printer, m_clipboard, m_screen, store, windowing}, m_img);
    form.Form_Load();
    ASSERT_EQ(windowing.MessageBoxes().size(), 1U) << call;
    EXPECT_EQ(windowing.MessageBoxes().front().text,
              "Err.Number:\t" + std::to_string(number) +
                  "\rErr.Description:\tfailed\r\rとりあえず設定画面でも開く？");
    EXPECT_EQ(printer.documentsPrinted, printed) << call;
    EXPECT_FALSE(printer.DocumentOpen()) << call;
    EXPECT_FALSE(form.Printed()) << call;
  }
}

TEST_F(StartUpWindowTest, YesOpensTheSettingsWindowAndKeepsTheStartUpWindowLoaded) {
  m_windowing.Answer(MsgBoxResult::Yes);
  Launch(Picture());
  EXPECT_TRUE(m_log.Contains("Windowing.CreateWindow(frmSetting)"));
  EXPECT_TRUE(m_log.Contains("Settings.Read(Quillery/Startup/Orientation)"));  // it loaded
  EXPECT_FALSE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(m_windowing.HasLoadedWindows());
}

TEST_F(StartUpWindowTest, SettingsWindowThatCannotBeMadeIsReportedAndEndsTheProgram) {
  // A desktop out of window handles: nothing may be left waiting for a window that never came.
  m_log.FailOn("Windowing.CreateWindow", 1158, "no window handles left");
  m_windowing.Answer(MsgBoxResult::Yes);
  Launch(Picture());
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 2U);
  EXPECT_EQ(m_windowing.MessageBoxes()[1].text,
            "Err.Number:\t1158\rErr.Description:\tno window handles left");
  EXPECT_TRUE(m_windowing.Ended());
  EXPECT_FALSE(m_windowing.HasLoadedWindows());
}

TEST_F(StartUpWindowTest, FailingQuestionBoxStillUnloads) {
  m_log.FailOn("Windowing.MsgBox", 5);
  Launch(Picture());
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
}

}  // namespace
}  // namespace mirablot
