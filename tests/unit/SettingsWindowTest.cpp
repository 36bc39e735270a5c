// SPDX-License-Identifier: MIT
// The settings window on fakes: loading with its fall-back, the preview's geometry, the
// editing rules, and what OK, Cancel and the close box store.
#include <string>
#include <string_view>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "core/Error.h"

namespace mirablot {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class SettingsWindowTest : public testing::SettingsWindowFixture {
 protected:
  void Load() { m_form.Form_Load(); }

  // Selected orientation option, or -1.
  int Orientation() {
    for (std::int16_t i = 0; i < 3; ++i) {
      if (m_form.optOrientation(i).Value()) {
        return i;
      }
    }
    return -1;
  }

  struct Rect {
    float left;
    float top;
    float width;
    float height;
    bool operator==(const Rect&) const = default;
  };
  friend std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.left << ", " << r.top << ") " << r.width << " x " << r.height;
  }
  Rect Sheet() { return Of(m_form.Imgp(0)); }
  Rect Block() { return Of(m_form.Imgp(1)); }
  static Rect Of(const ImageBox& image) {
    return {image.Left(), image.Top(), image.Width(), image.Height()};
  }

  // The user replaces the margin text, as by selecting it all and typing or pasting.
  void TypeMargin(const std::string& text) {
    m_form.txtSpace().Edit(text, static_cast<int>(text.size()));
  }
};

TEST_F(SettingsWindowTest, DesignValuesBeforeLoading) {
  EXPECT_EQ(m_form.txtSpace().Text(), "20");
  EXPECT_FALSE(m_form.txtSpace().Enabled());
  EXPECT_EQ(m_form.cmbH().ListIndex(), -1);
  EXPECT_EQ(Orientation(), -1);
  EXPECT_EQ(Block(), (Rect{840, 600, 1230, 1230}));
  EXPECT_THROW((void)m_form.optOrientation(3), Error);
  EXPECT_THROW((void)m_form.chkSpace(-1), Error);
}

TEST_F(SettingsWindowTest, FirstUseFallsBackSilentlyToPortraitLeftTop) {
  Load();
  EXPECT_EQ(Orientation(), 0);
  EXPECT_EQ(m_form.cmbH().ListIndex(), 0);
  EXPECT_EQ(m_form.cmbV().ListIndex(), 0);
  EXPECT_EQ(m_form.chkZoom().Value(), 0);
  EXPECT_EQ(m_form.chkSpace(0).Value(), 0);
  EXPECT_EQ(m_form.txtSpace().Text(), "20");
  EXPECT_THAT(m_windowing.MessageBoxes(), IsEmpty());
  // The first read fails, so no other key is read before the fall-back asks the printer.
  EXPECT_THAT(m_log.Calls(),
              ElementsAre("Settings.Read(Quillery/Startup/Orientation)", "Printer.GetOrientation"));
}

TEST_F(SettingsWindowTest, FallBackSelectsNoOrientationForALandscapePrinter) {
  m_printer.StartIn(Orientation::Landscape);
  Load();
  EXPECT_EQ(Orientation(), -1);
  EXPECT_EQ(m_form.cmbH().ListIndex(), 0);
}

TEST_F(SettingsWindowTest, FallBackSelectsPortraitWhenThePrinterCannotBeAsked) {
  m_printer.Failures().FailOn("GetOrientation", 484, "no printer");
  Load();
  EXPECT_EQ(Orientation(), 0);
}

TEST_F(SettingsWindowTest, StoredSettingsLoadWithoutTheFallBack) {
  StoreAll("1", "1", "2", "1", "0", "1", "007");
  Load();
  EXPECT_EQ(Orientation(), 1);
  EXPECT_EQ(m_form.chkZoom().Value(), 1);
  EXPECT_EQ(m_form.cmbH().ListIndex(), 2);
  EXPECT_EQ(m_form.cmbV().ListIndex(), 1);
  EXPECT_EQ(m_form.chkSpace(1).Value(), 1);
  EXPECT_FALSE(m_form.chkSpace(0).Enabled());
  EXPECT_TRUE(m_form.txtSpace().Enabled());
  EXPECT_EQ(m_form.txtSpace().Text(), "7");
  EXPECT_FALSE(m_log.Contains("Printer.GetOrientation"));
}

TEST_F(SettingsWindowTest, OrientationIsRoundedHalfToEvenOrFailsTheLoad) {
  StoreAll("1.5", "0", "0", "0", "0", "0", "0");
  Load();
  EXPECT_EQ(Orientation(), 2);
  Store("Orientation", "0.5");
  Load();
  EXPECT_EQ(Orientation(), 0);
  EXPECT_FALSE(m_log.Contains("Printer.GetOrientation"));

  m_log.Clear();
  StoreAll("3", "1", "2", "2", "0", "0", "5");
  m_printer.StartIn(Orientation::Landscape);
  Load();
  EXPECT_THAT(m_log.Matching("Settings.Read"),
              ElementsAre("Settings.Read(Quillery/Startup/Orientation)"));
}

TEST_F(SettingsWindowTest, LoadStopsAtTheFirstBadValueKeepingWhatItLoaded) {
  StoreAll("1", "1", "2", "2", "x", "1", "15");
  Load();
  EXPECT_EQ(Orientation(), 0);  // the portrait printer's choice replaces landscape
  EXPECT_EQ(m_form.cmbH().ListIndex(), 0);
  EXPECT_EQ(m_form.cmbV().ListIndex(), 0);
  EXPECT_EQ(m_form.chkZoom().Value(), 1);
  EXPECT_EQ(m_form.chkSpace(1).Value(), 0);
  EXPECT_EQ(m_form.txtSpace().Text(), "20");
}

TEST_F(SettingsWindowTest, MarginTextLoadsAsAWholeNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"2.5", "2"}, {"-7", "7"}, {"-32768", "0"}, {"abc", "20"}};
  for (const auto& [stored, shown] : cases) {
    frmSetting form(m_store, m_printer, m_windowing);
    StoreAll("0", "0", "0", "0", "1", "0", stored);
    form.Form_Load();
    EXPECT_EQ(form.txtSpace().Text(), shown) << stored;
  }
}

TEST_F(SettingsWindowTest, UnstoredMarginLoadsAsZero) {
  for (const char* key : {"Orientation", "Zoom", "PositionH", "PositionV", "Space0", "Space1"}) {
    Store(key, "0");
  }
  Load();
  EXPECT_EQ(m_form.txtSpace().Text(), "0");
}

TEST_F(SettingsWindowTest, BothMarginFlagsLoadCheckedAndDisabled) {
  StoreAll("0", "0", "0", "0", "1", "1", "10");
  Load();
  EXPECT_EQ(m_form.chkSpace(0).Value(), 1);
  EXPECT_EQ(m_form.chkSpace(1).Value(), 1);
  EXPECT_FALSE(m_form.chkSpace(0).Enabled());
  EXPECT_FALSE(m_form.chkSpace(1).Enabled());
  EXPECT_TRUE(m_form.txtSpace().Enabled());
  m_form.chkSpace(0).Click();  // disabled: nothing changes
  EXPECT_EQ(m_form.chkSpace(0).Value(), 1);
}

TEST_F(SettingsWindowTest, PreviewWorkedExamples) {
  StoreAll("0", "0", "1", "1", "1", "0", "20");
  Load();
  EXPECT_EQ(Sheet(), (Rect{600, 480, 700, 1000}));
  EXPECT_EQ(Block(), (Rect{730, 570, 480, 820}));

  StoreAll("1", "0", "2", "2", "0", "1", "15");
  Load();
  EXPECT_EQ(Sheet(), (Rect{480, 600, 1000, 700}));
  EXPECT_EQ(Block(), (Rect{640, 790, 820, 490}));
}

TEST_F(SettingsWindowTest, PreviewDrawsAutomaticAndUnselectedOrientationsPortrait) {
  StoreAll("2", "0", "0", "0", "0", "0", "0");
  Load();
  EXPECT_EQ(Sheet(), (Rect{600, 480, 700, 1000}));
  m_form.optOrientation(2).SetValue(false);
  m_form.RefreshPreview();
  EXPECT_EQ(Sheet(), (Rect{600, 480, 700, 1000}));
}

TEST_F(SettingsWindowTest, PreviewKeepsTheBlockWhereItWasWithoutAnAlignment) {
  StoreAll("1", "0", "-1", "-1", "0", "0", "0");
  Load();
  EXPECT_EQ(Block(), (Rect{840, 600, 1230, 1230}));  // still the design values
}

TEST_F(SettingsWindowTest, PreviewMarginShrinksTheBlockFromItsLeftEdge) {
  StoreAll("0", "0", "0", "0", "1", "0", "0");
  Load();
  EXPECT_EQ(Block(), (Rect{620, 500, 520, 820}));
  TypeMargin("99");
  EXPECT_EQ(Block(), (Rect{818, 500, 322, 820}));
  // Too wide for the block: the width is refused, the left edge still moves.
  TypeMargin("300");
  EXPECT_EQ(Block(), (Rect{1220, 500, 520, 820}));
}

TEST_F(SettingsWindowTest, FitToPaperDoesNotTouchThePreview) {
  StoreAll("0", "0", "0", "0", "0", "0", "0");
  Load();
  m_form.Imgp(1).SetLeft(5);  // stands out should a refresh run
  m_form.chkZoom().Click();
  EXPECT_FLOAT_EQ(m_form.Imgp(1).Left(), 5);
}

TEST_F(SettingsWindowTest, MarginTextStaysAWholeNumberWhileTheUserTypes) {
  StoreAll("0", "0", "0", "0", "1", "0", "0");
  Load();
  TextBox& box = m_form.txtSpace();

  box.Edit("05", 2);  // "5" typed behind "0"
  EXPECT_EQ(box.Text(), "5");
  EXPECT_EQ(box.SelStart(), 1);

  box.Edit("15", 1);  // "1" typed in front of "5": kept, caret to the end
  EXPECT_EQ(box.Text(), "15");
  EXPECT_EQ(box.SelStart(), 2);

  const std::pair<const char*, const char*> cases[] = {
      {"", "0"},   {"-", "0"},     {"-7", "7"},        {"2.5", "2"}, {"3.5", "4"},
      {"5a", "0"}, {"40000", "0"}, {"32767", "32767"}, {" 8 ", "8"}};
  for (const auto& [typed, kept] : cases) {
    TypeMargin(typed);
    EXPECT_EQ(box.Text(), kept) << '"' << typed << '"';
    EXPECT_EQ(box.SelStart(), static_cast<int>(box.Text().size())) << '"' << typed << '"';
  }
}

TEST_F(SettingsWindowTest, MarginBoxesExcludeEachOtherThroughEnabling) {
  Load();
  CheckBox& left = m_form.chkSpace(0);
  CheckBox& top = m_form.chkSpace(1);

  left.Click();
  EXPECT_FALSE(top.Enabled());
  EXPECT_TRUE(m_form.txtSpace().Enabled());
  top.Click();  // disabled: ignored
  EXPECT_EQ(top.Value(), 0);

  left.Click();
  EXPECT_TRUE(top.Enabled());
  EXPECT_FALSE(m_form.txtSpace().Enabled());
  top.Click();
  EXPECT_FALSE(left.Enabled());
  EXPECT_TRUE(m_form.txtSpace().Enabled());
  EXPECT_EQ(left.Value(), 0);  // the rule never changes a box's state
}

TEST_F(SettingsWindowTest, OkStoresTheSevenKeysInOneSaveThenEnds) {
  Load();
  m_form.optOrientation(1).Click();
  m_form.chkZoom().Click();
  m_form.cmbH().Choose(2);
  m_form.chkSpace(0).Click();
  TypeMargin("15");
  m_log.Clear();

  m_form.cmdAct(0).Press();

  EXPECT_THAT(m_log.Calls(),
              ElementsAre("Settings.WriteAll(Quillery/Startup: Orientation=1, Zoom=1, "
                          "PositionH=2, PositionV=0, Space0=1, Space1=0, SpaceMM=15)",
                          "Windowing.Unload(frmSetting)", "Windowing.End"));
}

TEST_F(SettingsWindowTest, OkWithNoOrientationSelectedStoresItEmpty) {
  m_printer.StartIn(Orientation::Landscape);
  Load();
  m_form.cmdAct(0).Press();
  EXPECT_EQ(m_backend.Peek("Quillery", "Startup", "Orientation"), "");
  EXPECT_EQ(m_backend.Peek("Quillery", "Startup", "SpaceMM"), "20");
}

TEST_F(SettingsWindowTest, CancelAndTheCloseBoxStoreNothing) {
  Load();
  m_form.chkZoom().Click();
  m_form.cmdAct(1).Press();
  EXPECT_EQ(m_backend.Size(), 0U);
  EXPECT_TRUE(m_windowing.Ended());

  frmSetting closed(m_store, m_printer, m_windowing);
  closed.Form_Load();
  m_windowing.Unload(closed);  // the title bar's close box
  EXPECT_EQ(m_backend.Size(), 0U);
}

TEST_F(SettingsWindowTest, FailedSaveKeepsTheWindowAndTheEditsAndStoresNothing) {
  Load();
  m_form.chkZoom().Click();
  m_backend.Failures().FailOn("PositionV", 75, "disk full");

  m_form.cmdAct(0).Press();

  EXPECT_EQ(m_backend.Size(), 0U);
  EXPECT_FALSE(m_windowing.Ended());
  EXPECT_FALSE(m_log.Contains("Windowing.Unload(frmSetting)"));
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 1U);
  const MessageBoxRequest& box = m_windowing.MessageBoxes().front();
  EXPECT_EQ(box.text,
            "Err.Number:\t75\rErr.Description:\tdisk full\r\r設定を保存できませんでした。");
  EXPECT_EQ(box.buttons, MsgBoxButtons::Ok);
  EXPECT_EQ(m_form.chkZoom().Value(), 1);

  m_backend.Failures().Clear();
  m_form.cmdAct(0).Press();
  EXPECT_EQ(m_backend.Peek("Quillery", "Startup", "Zoom"), "1");
  EXPECT_TRUE(m_windowing.Ended());
}

}  // namespace
}  // namespace mirablot
