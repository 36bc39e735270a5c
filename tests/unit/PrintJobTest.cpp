// SPDX-License-Identifier: MIT
// The print job's layout rules, and the start-up window that runs it, with its failure path.
// The fake page is an A4 sheet printable to its edges: 11900 x 16840 twips, so the printable
// extents are 11200 x 16140 in portrait and 16140 x 11200 in landscape. The fake screen has
// 15 twips per pixel, so a 300 x 200 picture measures 4500 x 3000 twips.
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "app/frmMain.h"
#include "fakes/Fakes.h"
#include "forms/PictureHolder.h"
#include "print/PrintJob.h"
#include "settings/SettingsStore.h"

namespace mirablot {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kPortrait = Orientation::Portrait;
constexpr auto kLandscape = Orientation::Landscape;

// Stores "Key=Value|Key=Value"; values keep their blanks.
void Store(fake::FakeSettingsBackend& backend, const std::string& settings) {
  std::istringstream lines(settings);
  for (std::string line; std::getline(lines, line, '|');) {
    backend.Put(line.substr(0, line.find('=')), line.substr(line.find('=') + 1));
  }
}

class Fakes : public ::testing::Test {
 protected:
  fake::CallLog m_log;
  fake::FakePrinter m_printer{m_log, 11900, 16840};
  fake::FakeClipboard m_clipboard{m_log};
  fake::FakeScreen m_screen{28800, 16200, 15};
  fake::FakeSettingsBackend m_backend{m_log};
  SettingsStore m_store{m_backend};
  fake::FakeWindowing m_windowing{m_log};
  PictureHolder m_img{m_screen, 15, 15};
};

// Where the picture lands: "portrait X,Y WxH" in twips from the printable area's top-left.
std::string Drawn(const fake::FakePrinter& printer) {
  if (!printer.LastDrawing()) {
    return "nothing";
  }
  const fake::FakePrinter::Drawing& drawn = *printer.LastDrawing();
  std::ostringstream out;
  out << (drawn.page == kLandscape ? "landscape " : "portrait ") << drawn.x << ',' << drawn.y << ' '
      << drawn.width << 'x' << drawn.height;
  return out.str();
}

TEST_F(Fakes, PlacesThePictureAsTheSettingsSay) {
  struct Layout {
    const char* stored;
    int width;  // of the picture, in pixels
    int height;
    const char* drawn;
    const char* printer = "";  // "landscape" for its own orientation; "WIDTHxHEIGHT" for its page
  };
  for (const Layout& layout : {
           // SpaceMM x 56.7 twips, rounded half to even: 850.5 gives 850, 283.5 gives 284.
           Layout{"Space0=1|SpaceMM=10", 300, 200, "portrait 567,0 4500x3000"},
           Layout{"Space0=1|SpaceMM=15", 300, 200, "portrait 850,0 4500x3000"},
           Layout{"Space0=1|SpaceMM=5", 300, 200, "portrait 284,0 4500x3000"},
           Layout{"Space0=1|SpaceMM=2.5", 300, 200, "portrait 142,0 4500x3000"},
           Layout{"Space0=1|SpaceMM= 20 ", 300, 200, "portrait 1134,0 4500x3000"},
           Layout{"Space1=1|SpaceMM=15", 300, 200, "portrait 0,850 4500x3000"},
           Layout{"Space0=1|Space1=1|SpaceMM=10", 300, 200, "portrait 567,567 4500x3000"},
           // Only a flag of exactly "1" counts, and only then is the millimetre text read.
           Layout{"Space0=01|Space1=true|SpaceMM=abc", 300, 200, "portrait 0,0 4500x3000"},
           // 567 + round((11900 - 567 - 700 - 4500) / 2) = 567 + round(3066.5); a bottom-aligned
           // picture ends 700 twips short of the page whatever the margin: 16840 - 700 - 3000.
           Layout{"Space0=1|Space1=1|SpaceMM=10|PositionH=1|PositionV=2", 300, 200,
                  "portrait 3633,13140 4500x3000"},
           // Centred in (11200 - 4500), right-aligned, centred in (16140 - 3000).
           Layout{"PositionH=1", 300, 200, "portrait 3350,0 4500x3000"},
           Layout{"PositionH=2", 300, 200, "portrait 6700,0 4500x3000"},
           Layout{"PositionV=1", 300, 200, "portrait 0,6570 4500x3000"},
           // Rooms of 101 and 103 twips: 50.5 goes to 50, 51.5 to 52.
           Layout{"PositionH=1", 300, 200, "portrait 50,0 4500x3000", "5301x16840"},
           Layout{"PositionH=1", 300, 200, "portrait 52,0 4500x3000", "5303x16840"},
           // Wider than the room: centred or right-aligned, it starts left of the origin.
           Layout{"PositionH=1", 300, 200, "portrait -600,0 4500x3000", "4000x16840"},
           Layout{"PositionH=2", 300, 200, "portrait -1200,0 4500x3000", "4000x16840"},
           Layout{"PositionH=01|PositionV= 1", 300, 200, "portrait 0,0 4500x3000"},
           Layout{"PositionH=3|PositionV=", 300, 200, "portrait 0,0 4500x3000"},
           Layout{"Orientation=0", 300, 200, "portrait 0,0 4500x3000", "landscape"},
           // Landscape 16840 x 11900: (16140 - 4500) / 2 and 11200 - 3000.
           Layout{"Orientation=1|PositionH=1|PositionV=2", 300, 200,
                  "landscape 5820,8200 4500x3000"},
           // Automatic turns the sheet only for a picture that must be fitted anyway.
           Layout{"Orientation=2|Zoom=0", 3000, 300, "portrait 0,0 45000x4500"},
           // 16140 wide: exactly the landscape printable width, so it fits and stays.
           Layout{"Orientation=2|Zoom=1", 1076, 200, "landscape 0,0 16140x3000", "landscape"},
           // 24000 x 13500 twips into 16140 x 11200: 13500 x 16140 / 24000 = 9078.75.
           Layout{"Orientation=2|Zoom=1", 1600, 900, "landscape 0,0 16140x9078.75"},
           Layout{"Orientation=2|Zoom=1", 1200, 1200, "portrait 0,0 11200x11200", "landscape"},
           // The fit uses the extents of the orientation just set: the width limits.
           Layout{"Orientation=1|Zoom=1", 300, 200, "landscape 0,0 16140x10760"},
           Layout{"Zoom=1", 300, 200, "portrait 0,0 11200x7466.67"},
       }) {
    fake::FakeSettingsBackend backend(m_log);
    SettingsStore store(backend);
    Store(backend, layout.stored);
    fake::FakePrinter printer(m_log, 11900, 16840);
    printer.StartIn(std::string(layout.printer) == "landscape" ? kLandscape : kPortrait);
    if (const char* x = std::strchr(layout.printer, 'x')) {
      printer.SetPortraitSize(std::atof(layout.printer), std::atof(x + 1));
    }
    PictureHolder img(m_screen, 15, 15);
    print::PrintJob(store, printer, img).Print(fake::MakePicture(layout.width, layout.height));
    EXPECT_EQ(Drawn(printer), layout.drawn) << layout.stored << ' ' << layout.printer;
    EXPECT_EQ(printer.DocumentsPrinted(), 1);
  }
}

TEST_F(Fakes, UnknownOrientationsLeaveThePrintersOwn) {
  for (const Orientation start : {kPortrait, kLandscape}) {
    for (const char* value : {"", "3", "00", "2 ", "-1"}) {
      m_printer.StartIn(start);
      Store(m_backend, "Zoom=1|Orientation=" + std::string(value));
      print::PrintJob(m_store, m_printer, m_img).Print(fake::MakePicture(3000, 300));
      EXPECT_EQ(m_printer.LastDrawing()->page, start) << '"' << value << '"';
      EXPECT_THAT(m_log.Matching("Printer.SetOrientation"), IsEmpty()) << '"' << value << '"';
    }
  }
}

TEST_F(Fakes, BadMarginsFailTheJobBeforeAnythingIsDrawn) {
  // Not a number: error 13. Wider than the sheet: the fit fails (380) instead of mirroring.
  for (const auto& [stored, number] :
       {std::pair{"Space0=1|SpaceMM=abc", 13}, std::pair{"Zoom=1|Space0=1|SpaceMM=300", 380}}) {
    Store(m_backend, stored);
    EXPECT_EQ(testing::ErrorOf([&] {
                print::PrintJob(m_store, m_printer, m_img).Print(fake::MakePicture(300, 200));
              }),
              number);
    EXPECT_FALSE(m_printer.LastDrawing().has_value());
    EXPECT_EQ(m_printer.DocumentsPrinted(), 0);
  }
}

TEST(SliceRows, CutsBelowTheLowestBlankRowNearAPagesEndElseOverlaps) {
  using print::Slice;
  const auto blankAt = [](std::initializer_list<int> rows) {
    std::vector<bool> blank(100);
    for (const int row : rows) {
      blank[static_cast<std::size_t>(row)] = true;
    }
    return blank;
  };
  struct Case {
    std::vector<bool> blank;
    int perPage;
    int overlap;
    std::vector<Slice> slices;
  };
  for (const Case& c : {
           // No blank row: each page ends full, the next repeats 3 rows.
           Case{{}, 40, 3, {{0, 40}, {37, 40}, {74, 26}}},
           // Blank rows in the last tenth of a page (36 to 39): below the lowest one.
           Case{blankAt({37}), 40, 3, {{0, 38}, {38, 40}, {75, 25}}},
           Case{blankAt({36, 38, 77}), 40, 3, {{0, 39}, {39, 39}, {78, 22}}},
           // Higher up is too far from the page's end.
           Case{blankAt({35}), 40, 3, {{0, 40}, {37, 40}, {74, 26}}},
           Case{{}, 100, 3, {{0, 100}}},
           // The overlap never holds a page back by more than half of it.
           Case{{}, 30, 40, {{0, 30}, {15, 30}, {30, 30}, {45, 30}, {60, 30}, {75, 25}}},
       }) {
    EXPECT_EQ(print::SliceRows(100, c.perPage, c.blank, c.overlap), c.slices)
        << c.perPage << " " << c.overlap;
  }
}

// Printed across pages: "page x,y WxH rows FIRST+COUNT" for each page.
std::vector<std::string> Pages(const fake::FakePrinter& printer) {
  std::vector<std::string> pages;
  for (const fake::FakePrinter::Drawing& drawn : printer.Drawings()) {
    std::ostringstream out;
    out << (drawn.page == kLandscape ? "landscape " : "portrait ") << drawn.x << ',' << drawn.y
        << ' ' << drawn.width << 'x' << drawn.height << " rows " << drawn.firstRow << '+'
        << drawn.rows;
    pages.push_back(out.str());
  }
  return pages;
}

TEST_F(Fakes, LongPicturesFlowFromTheTopOfEachPageAtTheirWidth) {
  // 100 x 3000 pixels, 1500 x 45000 twips: 1076 rows fill the 16140 twips of an A4 page, and
  // 2 mm (113.4 twips) are 8 rows.
  const std::vector<bool> blankAt1070 = [] {
    std::vector<bool> blank(3000);
    blank[1070] = true;
    return blank;
  }();
  struct Case {
    const char* stored;
    std::vector<std::string> pages;
    std::vector<bool> blank = {};
    int height = 3000;
    Orientation printer = kPortrait;
  };
  for (const Case& c : {
           Case{"",
                {"portrait 0,0 1500x16140 rows 0+1076", "portrait 0,0 1500x16140 rows 1068+1076",
                 "portrait 0,0 1500x12960 rows 2136+864"}},
           // Automatic is portrait, whatever the printer's own.
           Case{"Orientation=2",
                {"portrait 0,0 1500x16140 rows 0+1076", "portrait 0,0 1500x16140 rows 1068+1076",
                 "portrait 0,0 1500x12960 rows 2136+864"},
                {},
                3000,
                kLandscape},
           // A blank row near the first page's end: cut below it.
           Case{"",
                {"portrait 0,0 1500x16065 rows 0+1071", "portrait 0,0 1500x16140 rows 1071+1076",
                 "portrait 0,0 1500x12915 rows 2139+861"},
                blankAt1070},
           // The top margin on every sheet (15573 twips of room: 1038 rows), centred in the room
           // beside the picture: (11900 - 700 - 1500) / 2.
           Case{"Space1=1|SpaceMM=10|PositionH=1|PositionV=2",
                {"portrait 4850,567 1500x15570 rows 0+1038",
                 "portrait 4850,567 1500x15570 rows 1030+1038",
                 "portrait 4850,567 1500x14100 rows 2060+940"}},
           // Right of a left margin: 567 + 11900 - 567 - 700 - 1500.
           Case{"Space0=1|SpaceMM=10|PositionH=2",
                {"portrait 9700,0 1500x16140 rows 0+1076",
                 "portrait 9700,0 1500x16140 rows 1068+1076",
                 "portrait 9700,0 1500x12960 rows 2136+864"}},
           // Landscape: 11200 twips, 746 rows a page.
           Case{"Orientation=1",
                {"landscape 0,0 1500x11190 rows 0+746", "landscape 0,0 1500x11190 rows 738+746",
                 "landscape 0,0 1500x11190 rows 1476+746", "landscape 0,0 1500x11190 rows 2214+746",
                 "landscape 0,0 1500x720 rows 2952+48"}},
           // One page is enough: printed as without --long, bottom-aligned: 16140 - 15000.
           Case{"PositionV=2", {"portrait 0,1140 1500x15000 rows 0+1000"}, {}, 1000},
       }) {
    fake::FakeSettingsBackend backend(m_log);
    SettingsStore store(backend);
    Store(backend, c.stored);
    fake::FakePrinter printer(m_log, 11900, 16840);
    printer.StartIn(c.printer);
    PictureHolder img(m_screen, 15, 15);
    print::PrintJob(store, printer, img, {}, print::Flow::AcrossPages)
        .Print(fake::MakePicture(100, c.height, c.blank));
    EXPECT_EQ(Pages(printer), c.pages) << c.stored;
    EXPECT_EQ(printer.DocumentsPrinted(), 1);
  }
}

TEST_F(Fakes, LongPicturesFitTheWidthAndStopAtAHundredPages) {
  // Fitted to 11200 twips, a row is 112 twips: 144 rows a page, 2 repeated.
  Store(m_backend, "Zoom=1");
  print::PrintJob(m_store, m_printer, m_img, {}, print::Flow::AcrossPages)
      .Print(fake::MakePicture(100, 3000));
  const std::vector<std::string> pages = Pages(m_printer);
  ASSERT_EQ(pages.size(), 22U);
  EXPECT_EQ(pages.front(), "portrait 0,0 11200x16128 rows 0+144");
  EXPECT_EQ(pages.back(), "portrait 0,0 11200x2016 rows 2982+18");
  // 200000 rows would take 1409 pages: 142 more each, 144 on the last.
  PictureHolder img(m_screen, 15, 15);
  try {
    print::PrintJob(m_store, m_printer, img, {}, print::Flow::AcrossPages)
        .Print(fake::MakePicture(100, 200000));
    ADD_FAILURE() << "printed";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), 380);
    EXPECT_NE(error.Description().find("1409"), std::string::npos) << error.Description();
  }
  EXPECT_EQ(m_printer.DocumentsPrinted(), 1);
}

// The start-up window: it runs the job on load; a failure aborts and asks.
class StartUpWindowTest : public Fakes {
 protected:
  void Launch(Picture picture) {
    m_clipboard.Hold(std::move(picture));
    m_form.Form_Load();
  }

  // The text of the only question box.
  [[nodiscard]] std::string Question() const {
    EXPECT_EQ(m_windowing.MessageBoxes().size(), 1U);
    return m_windowing.MessageBoxes().empty() ? "" : m_windowing.MessageBoxes().front().text;
  }

  frmMain m_form{{m_printer, m_clipboard, m_screen, m_store, m_windowing}, m_img};
};

TEST_F(StartUpWindowTest, NothingStoredPrintsAtTheOriginAtNaturalSizeUnseen) {
  Launch(fake::MakePicture(300, 200));
  EXPECT_THAT(m_log.Matching("Printer."),
              ElementsAre("Printer.Choose(, 0)", "Printer.NewPage",
                          "Printer.DrawPicture(0, 0, 4500, 3000)", "Printer.EndDocument"));
  EXPECT_THAT(m_windowing.MessageBoxes(), IsEmpty());
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(m_form.Printed());
  // Parked beyond the bottom-right corner of the screen.
  EXPECT_FLOAT_EQ(m_form.Left(), 28800);
  EXPECT_FLOAT_EQ(m_form.Top(), 16200);
}

TEST_F(StartUpWindowTest, TheRunsChoicesGoToThePrinterFirst) {
  m_clipboard.Hold(fake::MakePicture(300, 200));
  frmMain form({m_printer, m_clipboard, m_screen, m_store, m_windowing, {"Labels", 2, true}},
               m_img);
  form.Form_Load();
  EXPECT_EQ(m_log.Matching("Printer.").front(), "Printer.Choose(Labels, 2, grey)");
}

TEST_F(StartUpWindowTest, TextOnTheClipboardAbortsAndAsksWhetherToOpenTheSettings) {
  Launch(Picture());
  EXPECT_TRUE(m_log.Contains("Printer.AbortDocument"));
  EXPECT_EQ(m_printer.DocumentsPrinted(), 0);
  EXPECT_EQ(Question(),
            "Err.Number:\t481\rErr.Description:\t印刷する画像がありません。\r\r"
            "とりあえず設定画面でも開く？");
  const MessageBoxRequest& box = m_windowing.MessageBoxes().front();
  EXPECT_EQ(box.title, "Mirablot Error");
  EXPECT_EQ(box.buttons, MsgBoxButtons::YesNo);
  EXPECT_EQ(box.defaultButton, MsgBoxDefault::Second);
  // No: the window goes, and with it the program.
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_FALSE(m_form.Printed());
}

TEST_F(StartUpWindowTest, EveryFailureAbortsAndAsksWithItsNumber) {
  struct Failure {
    const char* port;
    const char* call;
    int number;
    int printed;  // documents that reached the printer before the failure
  };
  for (const auto& [port, call, number, printed] :
       {Failure{"printer", "NewPage", -1, 0}, Failure{"printer", "EndDocument", 1286, 0},
        Failure{"settings", "Orientation", 75, 0}, Failure{"windowing", "Unload", 91, 1}}) {
    fake::FakePrinter printer(m_log, 11900, 16840);
    fake::FakeWindowing windowing(m_log);
    fake::FakeSettingsBackend backend(m_log);
    SettingsStore store(backend);
    (std::string(port) == "printer"    ? printer.Failures()
     : std::string(port) == "settings" ? backend.Failures()
                                       : windowing.Failures())
        .FailOn(call, number, "failed");
    m_clipboard.Hold(fake::MakePicture(300, 200));
    frmMain form({printer, m_clipboard, m_screen, store, windowing}, m_img);
    form.Form_Load();
    ASSERT_EQ(windowing.MessageBoxes().size(), 1U) << call;
    EXPECT_EQ(windowing.MessageBoxes().front().text,
              "Err.Number:\t" + std::to_string(number) +
                  "\rErr.Description:\tfailed\r\rとりあえず設定画面でも開く？");
    EXPECT_EQ(printer.DocumentsPrinted(), printed) << call;
    EXPECT_FALSE(printer.DocumentOpen()) << call;
    EXPECT_FALSE(form.Printed()) << call;
  }
}

TEST_F(StartUpWindowTest, YesOpensTheSettingsWindowAndKeepsTheStartUpWindowLoaded) {
  m_windowing.Answer(MsgBoxResult::Yes);
  Launch(Picture());
  EXPECT_TRUE(m_log.Contains("Windowing.Show(frmSetting)"));
  EXPECT_TRUE(m_log.Contains("Settings.Read(Quillery/Startup/Orientation)"));  // it loaded
  EXPECT_FALSE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(m_windowing.HasLoadedWindows());
}

TEST_F(StartUpWindowTest, SettingsWindowThatCannotBeMadeIsReportedAndEndsTheProgram) {
  // A desktop out of window handles: nothing may be left waiting for a window that never came.
  m_windowing.Failures().FailOn("CreateWindow", 1158, "no window handles left");
  m_windowing.Answer(MsgBoxResult::Yes);
  Launch(Picture());
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 2U);
  EXPECT_EQ(m_windowing.MessageBoxes()[1].text,
            "Err.Number:\t1158\rErr.Description:\tno window handles left");
  EXPECT_TRUE(m_windowing.Ended());
  EXPECT_FALSE(m_windowing.HasLoadedWindows());
}

TEST_F(StartUpWindowTest, FailingQuestionBoxStillUnloads) {
  m_windowing.Failures().FailOn("MsgBox", 5);
  Launch(Picture());
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
}

}  // namespace
}  // namespace mirablot
