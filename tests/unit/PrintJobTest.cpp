// SPDX-License-Identifier: MIT
// The print job, its geometry, orientation and fit rules, on its own; and the start-up window
// that runs it, with its failure path. All on fakes. The fake page is an A4 sheet printable to its
// edges: 11900 x 16840 twips, so the printable extents are 11200 x 16140 in portrait and 16140 x
// 11200 in landscape. The fake screen has 15 twips per pixel, so a 300 x 200 picture measures 4500
// x 3000 twips.
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "app/frmMain.h"
#include "fakes/FakeClipboard.h"
#include "fakes/FakeImageHolder.h"
#include "fakes/FakePicture.h"
#include "fakes/FakePrinter.h"
#include "fakes/FakeScreen.h"
#include "fakes/FakeSettingsBackend.h"
#include "fakes/FakeWindowing.h"
#include "print/PrintJob.h"
#include "settings/SettingsStore.h"

namespace mirablot {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// The fakes both fixtures work on.
class Fakes : public ::testing::Test {
 protected:
  void Store(std::string_view key, std::string_view value) {
    m_backend.Put("Quillery", "Startup", key, value);
  }

  fake::FakePrinter::Drawing Drawn() {
    if (!m_printer.LastDrawing()) {
      ADD_FAILURE() << "nothing was drawn";
      return {};
    }
    return *m_printer.LastDrawing();
  }

  [[nodiscard]] std::vector<std::string> PrinterCalls() const { return m_log.Matching("Printer."); }

  // The calls between two calls of the log, both excluded.
  [[nodiscard]] std::vector<std::string> CallsBetween(std::string_view first,
                                                      std::string_view last) const {
    const auto& calls = m_log.Calls();
    auto begin = std::find(calls.begin(), calls.end(), first);
    auto end = std::find(begin, calls.end(), last);
    if (begin == calls.end() || end == calls.end()) {
      ADD_FAILURE() << first << " ... " << last << " not in the log";
      return {};
    }
    return {begin + 1, end};
  }

  fake::CallLog m_log;
  fake::FakePrinter m_printer{m_log, 11900, 16840};
  fake::FakeClipboard m_clipboard{m_log};
  fake::FakeScreen m_screen{m_log, 28800, 16200, 15};
  fake::FakeSettingsBackend m_backend{m_log};
  SettingsStore m_store{m_backend};
  fake::FakeWindowing m_windowing{m_log};
  fake::FakeImageHolder m_img{m_log, m_screen, 15, 15};
};

// The print job alone: geometry, orientation and fit.
class PrintJobTest : public Fakes {
 protected:
  void PrintPicture(int width, int height) { m_job.Print(fake::MakePicture(width, height)); }

  // The number of the error printing a picture of this size raises, 0 for none.
  int ErrorPrinting(int width, int height) {
    return testing::ErrorOf([&] { PrintPicture(width, height); });
  }

  print::PrintJob m_job{m_store, m_printer, m_img};
};

// The start-up window: it runs the job on load; a failure aborts and asks.
class StartUpWindowTest : public Fakes {
 protected:
  void PrintPicture(int width, int height) {
    m_clipboard.Hold(fake::MakePicture(width, height));
    m_form.Form_Load();
  }

  void PrintText() {
    m_clipboard.Hold(Picture());
    m_form.Form_Load();
  }

  // The text of the only question box, or a test failure.
  [[nodiscard]] std::string Question() const {
    EXPECT_EQ(m_windowing.MessageBoxes().size(), 1U);
    return m_windowing.MessageBoxes().empty() ? "" : m_windowing.MessageBoxes().front().text;
  }

  frmMain m_form{{m_printer, m_clipboard, m_screen, m_store, m_windowing}, m_img};
};

TEST_F(StartUpWindowTest, NothingStoredPrintsAtTheOriginAtNaturalSizeUnseen) {
  PrintPicture(300, 200);

  EXPECT_THAT(PrinterCalls(),
              ElementsAre("Printer.NewPage", "Printer.DrawPicture(0, 0, 4500, 3000)",
                          "Printer.EndDocument"));
  EXPECT_EQ(Drawn().pictureWidth, 300);
  EXPECT_EQ(m_printer.DocumentsPrinted(), 1);
  EXPECT_THAT(m_windowing.MessageBoxes(), IsEmpty());
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_TRUE(m_form.Printed());
  // Parked beyond the bottom-right corner of the screen.
  EXPECT_FLOAT_EQ(m_form.Left(), 28800);
  EXPECT_FLOAT_EQ(m_form.Top(), 16200);
}

struct MarginCase {
  const char* millimetres;
  float twips;
};

class MarginTest : public PrintJobTest, public ::testing::WithParamInterface<MarginCase> {};

TEST_P(MarginTest, LeftMarginIsMillimetresTimes56Point7RoundedHalfToEven) {
  Store("Space0", "1");
  Store("SpaceMM", GetParam().millimetres);
  PrintPicture(300, 200);
  EXPECT_FLOAT_EQ(Drawn().x, GetParam().twips);
  EXPECT_FLOAT_EQ(Drawn().y, 0);
}

TEST_P(MarginTest, TopMarginUsesTheSameTable) {
  Store("Space1", "1");
  Store("SpaceMM", GetParam().millimetres);
  PrintPicture(300, 200);
  EXPECT_FLOAT_EQ(Drawn().x, 0);
  EXPECT_FLOAT_EQ(Drawn().y, GetParam().twips);
}

INSTANTIATE_TEST_SUITE_P(Table, MarginTest,
                         ::testing::Values(MarginCase{"10", 567}, MarginCase{"15", 850},
                                           MarginCase{"5", 284}, MarginCase{"2.5", 142},
                                           MarginCase{"0", 0}, MarginCase{" 20 ", 1134}));

TEST_F(PrintJobTest, BothMarginFlagsGiveBothAxesTheSameMargin) {
  Store("Space0", "1");
  Store("Space1", "1");
  Store("SpaceMM", "10");
  PrintPicture(300, 200);
  EXPECT_FLOAT_EQ(Drawn().x, 567);
  EXPECT_FLOAT_EQ(Drawn().y, 567);
}

TEST_F(PrintJobTest, MarginTextIsOnlyReadWhileItsFlagIsExactlyOne) {
  Store("Space0", "01");
  Store("Space1", "true");
  Store("SpaceMM", "abc");
  PrintPicture(300, 200);

  EXPECT_FLOAT_EQ(Drawn().x, 0);
  EXPECT_FLOAT_EQ(Drawn().y, 0);
  EXPECT_FALSE(m_log.Contains("Settings.Read(Quillery/Startup/SpaceMM)"));
}

TEST_F(PrintJobTest, MarginTextThatIsNotANumberFailsTheJob) {
  Store("Space0", "1");
  Store("SpaceMM", "abc");
  EXPECT_EQ(ErrorPrinting(300, 200), 13);
  EXPECT_EQ(m_printer.DocumentsPrinted(), 0);
}

struct AlignCase {
  const char* position;
  double pageWidth;  // printable extent 11200 on A4; adjusted to get a given room
  float expectedX;
};

class AlignTest : public PrintJobTest, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(AlignTest, HorizontalOffsetFromTheRoomBesideThePicture) {
  m_printer.SetPortraitSize(GetParam().pageWidth, 16840);
  Store("PositionH", GetParam().position);
  PrintPicture(300, 200);
  EXPECT_FLOAT_EQ(Drawn().x, GetParam().expectedX);
  EXPECT_FLOAT_EQ(Drawn().y, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, AlignTest,
                         ::testing::Values(AlignCase{"1", 11900, 3350},  // (11200 - 4500) / 2
                                           AlignCase{"1", 5301, 50},  // room 101: 50.5 goes to 50
                                           AlignCase{"1", 5303, 52},  // room 103: 51.5 goes to 52
                                           AlignCase{"2", 11900, 6700},  // right: 11200 - 4500
                                           AlignCase{"1", 4000, -600},   // wider than the room
                                           AlignCase{"2", 4000,
                                                     -1200},  // starts left of the origin
                                           AlignCase{"0", 11900, 0}, AlignCase{"01", 11900, 0},
                                           AlignCase{" 1", 11900, 0}, AlignCase{"3", 11900, 0},
                                           AlignCase{"", 11900, 0}));

TEST_F(PrintJobTest, MarginShrinksTheRoomAndShiftsThePicture) {
  Store("Space0", "1");
  Store("SpaceMM", "10");  // 567 twips
  Store("PositionH", "1");
  Store("Space1", "1");
  Store("PositionV", "2");
  PrintPicture(300, 200);
  // 567 + round((11900 - 567 - 700 - 4500) / 2) = 567 + round(3066.5)
  EXPECT_FLOAT_EQ(Drawn().x, 567 + 3066);
  // Bottom-aligned pictures end 700 twips short of the page, whatever the margin.
  EXPECT_FLOAT_EQ(Drawn().y + Drawn().height, 16840 - 700);
}

TEST_F(PrintJobTest, PageIsOnlyAskedForOnAlignedAxesWhenDrawing) {
  Store("PositionV", "1");
  PrintPicture(300, 200);
  EXPECT_THAT(PrinterCalls(),
              ElementsAre("Printer.NewPage", "Printer.PageHeight",
                          "Printer.DrawPicture(0, 6570, 4500, 3000)", "Printer.EndDocument"));
}

TEST_F(PrintJobTest, StoredOrientationIsSetBeforeTheNewPage) {
  Store("Orientation", "1");
  Store("PositionH", "1");
  Store("PositionV", "2");
  PrintPicture(300, 200);
  EXPECT_THAT(PrinterCalls(),
              ElementsAre("Printer.SetOrientation(2)", "Printer.NewPage", "Printer.PageWidth",
                          "Printer.PageHeight", "Printer.DrawPicture(5820, 8200, 4500, 3000)",
                          "Printer.EndDocument"));
}

TEST_F(PrintJobTest, PortraitIsOrientationOne) {
  Store("Orientation", "0");
  PrintPicture(300, 200);
  EXPECT_THAT(PrinterCalls(), ::testing::Contains("Printer.SetOrientation(1)"));
}

TEST_F(PrintJobTest, UnknownOrientationLeavesThePrinterAlone) {
  for (const char* value : {"", "3", "00", "2 ", "-1"}) {
    m_log.Clear();
    Store("Orientation", value);
    Store("Zoom", "1");
    PrintPicture(3000, 300);
    EXPECT_THAT(m_log.Matching("Printer.SetOrientation"), IsEmpty()) << '"' << value << '"';
  }
}

TEST_F(PrintJobTest, AutomaticOrientationNeedsFitToPaper) {
  Store("Orientation", "2");
  Store("Zoom", "0");
  PrintPicture(3000, 300);  // far wider than the paper
  EXPECT_THAT(m_log.Matching("Printer.SetOrientation"), IsEmpty());
  EXPECT_FLOAT_EQ(Drawn().width, 45000);  // printed at natural size, cut off by the printer
}

TEST_F(PrintJobTest, AutomaticOrientationKeepsThePrintersForAPictureThatFits) {
  Store("Orientation", "2");
  Store("Zoom", "1");
  m_printer.StartIn(Orientation::Landscape);
  PrintPicture(1076, 200);  // 16140 wide: exactly the landscape printable width
  EXPECT_THAT(m_log.Matching("Printer.SetOrientation"), IsEmpty());
  // rH is 1, so the fit keeps the size.
  EXPECT_FLOAT_EQ(Drawn().width, 16140);
  EXPECT_FLOAT_EQ(Drawn().height, 3000);
}

TEST_F(PrintJobTest, AutomaticOrientationTurnsTheSheetToTheShapeOfABigPicture) {
  Store("Orientation", "2");
  Store("Zoom", "1");
  PrintPicture(1600, 900);  // 24000 x 13500 twips
  EXPECT_THAT(m_log.Matching("Printer.SetOrientation"), ElementsAre("Printer.SetOrientation(2)"));
  // Landscape room is 16140 x 11200; the width limits: 13500 * 16140 / 24000 = 9078.75.
  EXPECT_FLOAT_EQ(Drawn().width, 16140);
  EXPECT_FLOAT_EQ(Drawn().height, 9078.75F);
}

TEST_F(PrintJobTest, AutomaticOrientationGivesASquarePicturePortrait) {
  Store("Orientation", "2");
  Store("Zoom", "1");
  m_printer.StartIn(Orientation::Landscape);
  PrintPicture(1200, 1200);
  EXPECT_THAT(m_log.Matching("Printer.SetOrientation"), ElementsAre("Printer.SetOrientation(1)"));
  EXPECT_FLOAT_EQ(Drawn().width, 11200);
  EXPECT_FLOAT_EQ(Drawn().height, 11200);
}

TEST_F(PrintJobTest, FitUsesTheExtentsOfTheOrientationJustSet) {
  Store("Orientation", "1");
  Store("Zoom", "1");
  PrintPicture(300, 200);
  // Landscape room 16140 x 11200: rV = 11200 / 3000 is above rH = 16140 / 4500, the width limits.
  EXPECT_FLOAT_EQ(Drawn().width, 16140);
  EXPECT_FLOAT_EQ(Drawn().height, 10760);
}

TEST_F(PrintJobTest, FitEnlargesASmallPictureUntilOneSideFills) {
  Store("Zoom", "1");
  PrintPicture(300, 200);
  EXPECT_FLOAT_EQ(Drawn().width, 11200);
  EXPECT_FLOAT_EQ(Drawn().height, static_cast<float>(3000 * (11200.0 / 4500.0)));
}

TEST_F(PrintJobTest, FitWithEqualRatiosLetsTheWidthLimitWorkingEverythingOutAfresh) {
  m_printer.SetPortraitSize(9700, 6700);  // printable 9000 x 6000: twice the picture each way
  Store("Zoom", "1");
  PrintPicture(300, 200);
  EXPECT_THAT(
      CallsBetween("Img.SetStretch(true)", "Printer.NewPage"),
      ElementsAre("Settings.Read(Quillery/Startup/Space1)", "Printer.PageHeight", "Img.Height",
                  "Settings.Read(Quillery/Startup/Space0)", "Printer.PageWidth", "Img.Width",
                  "Img.Height", "Img.SetHeight(6000)", "Settings.Read(Quillery/Startup/Space0)",
                  "Printer.PageWidth", "Img.SetWidth(9000)"));
}

TEST_F(PrintJobTest, MarginWiderThanThePageFailsTheFitInsteadOfMirroring) {
  Store("Zoom", "1");
  Store("Space0", "1");
  Store("SpaceMM", "300");  // 17010 twips, more than the sheet is wide
  EXPECT_EQ(ErrorPrinting(300, 200), 380);
  EXPECT_FALSE(m_printer.LastDrawing().has_value());
}

TEST_F(StartUpWindowTest, TextOnTheClipboardAbortsAndAsksExactlyThisQuestion) {
  PrintText();

  EXPECT_THAT(PrinterCalls(), ElementsAre("Printer.NewPage", "Printer.DrawPicture(0, 0, 15, 15)",
                                          "Printer.AbortDocument"));
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 1U);
  const MessageBoxRequest& box = m_windowing.MessageBoxes().front();
  EXPECT_EQ(box.title, "Mirablot Error");
  EXPECT_EQ(box.text,
            "Err.Number:\t481\r"
            "Err.Description:\t\xE5\x8D\xB0\xE5\x88\xB7\xE3\x81\x99\xE3\x82\x8B\xE7\x94\xBB\xE5\x83"
            "\x8F\xE3\x81\x8C\xE3\x81\x82\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93\xE3\x80"
            "\x82\r\r"
            "\xE3\x81\xA8\xE3\x82\x8A\xE3\x81\x82\xE3\x81\x88\xE3\x81\x9A\xE8\xA8\xAD\xE5\xAE\x9A"
            "\xE7\x94\xBB\xE9\x9D\xA2\xE3\x81\xA7\xE3\x82\x82\xE9\x96\x8B\xE3\x81\x8F\xEF\xBC\x9F");
  EXPECT_EQ(box.buttons, MsgBoxButtons::YesNo);
  EXPECT_EQ(box.defaultButton, MsgBoxDefault::Second);
  EXPECT_THAT(CallsBetween("Printer.AbortDocument", "Windowing.Unload(frmMain)"),
              ElementsAre("Windowing.MsgBox(Mirablot Error)"));
  EXPECT_FALSE(m_form.Printed());
  EXPECT_EQ(m_printer.DocumentsPrinted(), 0);
}

TEST_F(StartUpWindowTest, NegativeErrorNumbersFollowTheTabDirectly) {
  m_printer.Failures().FailOn("NewPage", -1, "refused");
  PrintPicture(300, 200);
  EXPECT_EQ(Question(),
            "Err.Number:\t-1\rErr.Description:\trefused\r\r"
            "とりあえず設定画面でも開く？");
}

TEST_F(StartUpWindowTest, FailureAfterTheDocumentEndedStillAsks) {
  m_windowing.Failures().FailOn("Unload", 91, "unload failed");
  PrintPicture(300, 200);

  EXPECT_EQ(m_printer.DocumentsPrinted(), 1);
  // The abort finds no open document; its failure is ignored like the second unload's.
  EXPECT_THAT(PrinterCalls(), ::testing::Contains("Printer.AbortDocument"));
  EXPECT_THAT(Question(), StartsWith("Err.Number:\t91\rErr.Description:\tunload failed\r"));
  EXPECT_FALSE(m_form.Printed());
}

TEST_F(StartUpWindowTest, FailingStoreTakesTheFailurePathBeforeAnythingIsPrinted) {
  m_backend.Failures().FailOn("Orientation", 75, "settings unreadable");
  PrintPicture(300, 200);
  EXPECT_THAT(PrinterCalls(), ElementsAre("Printer.AbortDocument"));
  EXPECT_THAT(Question(), HasSubstr("\tsettings unreadable\r"));
}

TEST_F(StartUpWindowTest, PrinterRefusingTheEndTakesTheFailurePath) {
  m_printer.Failures().FailOn("EndDocument", 1286, "not accepting jobs");
  PrintPicture(300, 200);
  EXPECT_THAT(Question(), StartsWith("Err.Number:\t1286\r"));
  EXPECT_EQ(m_printer.DocumentsPrinted(), 0);
  EXPECT_FALSE(m_printer.DocumentOpen());
}

TEST_F(StartUpWindowTest, YesOpensTheSettingsWindowAndKeepsTheStartUpWindowLoaded) {
  m_windowing.Answer(MsgBoxResult::Yes);
  PrintText();
  EXPECT_THAT(CallsBetween("Windowing.MsgBox(Mirablot Error)",
                           "Settings.Read(Quillery/Startup/Orientation)"),
              ElementsAre("Windowing.Show(frmSetting)"));
  EXPECT_FALSE(m_log.Contains("Windowing.Unload(frmMain)"));
  EXPECT_FALSE(m_form.Printed());
}

TEST_F(StartUpWindowTest, SettingsWindowThatCannotBeMadeIsReportedAndEndsTheProgram) {
  // A desktop out of window handles: nothing may be left waiting for a window that never came.
  m_windowing.Failures().FailOn("CreateWindow", 1158, "no window handles left");
  m_windowing.Answer(MsgBoxResult::Yes);
  PrintText();
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 2U);
  EXPECT_EQ(m_windowing.MessageBoxes()[1].text,
            "Err.Number:\t1158\rErr.Description:\tno window handles left");
  EXPECT_TRUE(m_windowing.Ended());
  EXPECT_FALSE(m_windowing.HasLoadedWindows());
}

TEST_F(StartUpWindowTest, FailingQuestionBoxStillUnloads) {
  m_windowing.Failures().FailOn("MsgBox", 5, "no box");
  PrintText();
  EXPECT_TRUE(m_log.Contains("Windowing.Unload(frmMain)"));
}

}  // namespace
}  // namespace mirablot
