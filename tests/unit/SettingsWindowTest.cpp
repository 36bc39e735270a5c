// SPDX-License-Identifier: MIT
// The settings window on fakes: loading with its fall-back, the preview's geometry, the
// editing rules, and what OK stores (what Cancel and the close box do: FormWindowContract.h).
#include <sstream>
#include <string>
#include <string_view>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "core/Error.h"

namespace mirablot {
namespace {

// What the window shows: the orientation chosen (- for none), fit, the two alignments, the
// margin boxes with "-" after a disabled one, the millimetres in brackets while disabled.
std::string Shown(frmSetting& form) {
  std::ostringstream out;
  int orientation = -1;
  for (std::int16_t i = 0; i < 3; ++i) {
    orientation = form.optOrientation(i).Value() ? i : orientation;
  }
  out << (orientation < 0 ? "-" : std::to_string(orientation)) << ' ' << form.chkZoom().Value()
      << ' ' << form.cmbH().ListIndex() << ' ' << form.cmbV().ListIndex();
  for (std::int16_t i = 0; i < 2; ++i) {
    out << ' ' << form.chkSpace(i).Value() << (form.chkSpace(i).Enabled() ? "" : "-");
  }
  const std::string& mm = form.txtSpace().Text();
  out << ' ' << (form.txtSpace().Enabled() ? mm : "(" + mm + ")");
  return out.str();
}

// Where the preview's sheet and printed block are: "left,top widthxheight" in twips.
std::string Preview(frmSetting& form) {
  std::ostringstream out;
  for (std::int16_t i = 0; i < 2; ++i) {
    const ImageBox& box = form.Imgp(i);
    out << (i == 0 ? "" : " ") << box.Left() << ',' << box.Top() << ' ' << box.Width() << 'x'
        << box.Height();
  }
  return out.str();
}

class SettingsWindowTest : public testing::SettingsWindowFixture {
 protected:
  // The user replaces the margin text, as by selecting it all and typing or pasting.
  void TypeMargin(const std::string& text) {
    m_form.txtSpace().Edit(text, static_cast<int>(text.size()));
  }
};

TEST_F(SettingsWindowTest, LoadsTheStoredSettingsOrFallsBackSilently) {
  // Stored, after "L:" for a landscape printer or "?:" for one that cannot be asked; shown.
  for (const auto& [stored, shown] : {
           // First use: portrait (none for a landscape printer), left, top, the design's 20 mm.
           std::pair{"", "0 0 0 0 0 0 (20)"},
           {"L:", "- 0 0 0 0 0 (20)"},
           {"?:", "0 0 0 0 0 0 (20)"},
           {"1,1,2,1,0,1,007", "1 1 2 1 0- 1 7"},
           // Orientations round half to even.
           {"1.5,0,0,0,0,0,0", "2 0 0 0 0 0 (0)"},
           {"0.5,0,0,0,0,0,0", "0 0 0 0 0 0 (0)"},
           // A value a control refuses ends the load: the fall-back, for a landscape printer.
           {"L:3,1,2,2,0,0,5", "- 0 0 0 0 0 (20)"},
           // What loaded before a bad value stays; the printer's portrait replaces landscape.
           {"1,1,2,2,x,1,15", "0 1 0 0 0 0 (20)"},
           // The margin text loads as a whole number, its magnitude kept ("-32768" has none).
           {"0,0,0,0,1,0,2.5", "0 0 0 0 1 0- 2"},
           {"0,0,0,0,1,0,-7", "0 0 0 0 1 0- 7"},
           {"0,0,0,0,1,0,-32768", "0 0 0 0 1 0- 0"},
           {"0,0,0,0,1,0,abc", "0 0 0 0 1 0- 20"},
           {"0,0,0,0,0,0", "0 0 0 0 0 0 (0)"},  // no margin stored
           // Both margins: both checked, and both disabled for as long as the window is open.
           {"0,0,0,0,1,1,10", "0 0 0 0 1- 1- 10"},
       }) {
    fake::CallLog log;
    fake::FakePrinter printer(log);
    printer.orientation = stored[0] == 'L' ? Orientation::Landscape : Orientation::Portrait;
    log.FailOn(stored[0] == '?' ? "Printer.GetOrientation" : "(nothing)", 484);
    Store(stored + (stored[0] == 'L' || stored[0] == '?' ? 2 : 0));
    frmSetting form(m_store, printer, m_windowing);
    form.Form_Load();
    EXPECT_EQ(Shown(form), shown) << '"' << stored << '"';
    form.chkSpace(0).Click();  // ignored while disabled
    EXPECT_EQ(Shown(form) == shown, !form.chkSpace(0).Enabled()) << stored;
  }
  EXPECT_TRUE(m_windowing.MessageBoxes().empty());
}

TEST_F(SettingsWindowTest, PreviewPlacesTheSheetAndThePrintedBlock) {
  for (const auto& [stored, preview] : {
           std::pair{"0,0,1,1,1,0,20", "600,480 700x1000 730,570 480x820"},
           {"1,0,2,2,0,1,15", "480,600 1000x700 640,790 820x490"},
           // Automatic is drawn as portrait; with no alignment the block stays where it was.
           {"2,0,-1,-1,0,0,0", "600,480 700x1000 840,600 1230x1230"},
           // A left margin shrinks the block from its left edge.
           {"0,0,0,0,1,0,0", "600,480 700x1000 620,500 520x820"},
       }) {
    Store(stored);
    frmSetting form(m_store, m_printer, m_windowing);
    form.Form_Load();
    EXPECT_EQ(Preview(form), preview) << stored;
  }
  Store("0,0,0,0,1,0,0");
  m_form.Form_Load();
  TypeMargin("99");
  EXPECT_EQ(Preview(m_form), "600,480 700x1000 818,500 322x820");
  // Too wide for the block: the width is refused, the left edge still moves.
  TypeMargin("300");
  EXPECT_EQ(Preview(m_form), "600,480 700x1000 1220,500 520x820");
  // No orientation selected is drawn as portrait too.
  m_form.optOrientation(1).Click();
  m_form.optOrientation(1).SetValue(false);
  m_form.RefreshPreview();
  EXPECT_EQ(Preview(m_form).substr(0, 16), "600,480 700x1000");
}

TEST_F(SettingsWindowTest, MarginTextStaysAWholeNumberWhileTheUserTypes) {
  Store("0,0,0,0,1,0,0");
  m_form.Form_Load();
  TextBox& box = m_form.txtSpace();
  // Typed, then kept (typed into the text: FormWindowContract.h).
  for (const std::string_view row :
       {"=0", "-=0", "-7=7", "2.5=2", "3.5=4", "5a=0", "40000=0", "32767=32767", " 8 =8"}) {
    TypeMargin(std::string(row.substr(0, row.find('='))));
    EXPECT_EQ(box.Text(), row.substr(row.find('=') + 1)) << row;
    EXPECT_EQ(box.SelStart(), static_cast<int>(box.Text().size())) << row;
  }
}

TEST_F(SettingsWindowTest, MarginBoxesExcludeEachOtherThroughEnabling) {
  m_form.Form_Load();
  for (const auto& [click, shown] : {
           std::pair{0, "0 0 0 0 1 0- 20"},  // the left margin: the top one is disabled
           {1, "0 0 0 0 1 0- 20"},           // a click on it is ignored
           {0, "0 0 0 0 0 0 (20)"},
           {1, "0 0 0 0 0- 1 20"},  // the rule never changes a box's state
       }) {
    m_form.chkSpace(static_cast<std::int16_t>(click)).Click();
    EXPECT_EQ(Shown(m_form), shown);
  }
}

TEST_F(SettingsWindowTest, OkStoresTheSevenKeysInOneSaveThenEnds) {
  m_form.Form_Load();
  m_form.optOrientation(1).Click();
  m_form.chkZoom().Click();
  m_form.cmbH().Choose(2);
  m_form.chkSpace(0).Click();
  TypeMargin("15");
  m_log.Clear();
  m_form.cmdAct(0).Press();
  EXPECT_THAT(m_log.Calls(),
              ::testing::ElementsAre("Settings.WriteAll(Quillery/Startup: Orientation=1, Zoom=1, "
                                     "PositionH=2, PositionV=0, Space0=1, Space1=0, SpaceMM=15)",
                                     "Windowing.Unload(frmSetting)", "Windowing.End"));
  // None selected (a landscape printer's fall-back) is stored empty.
  m_printer.orientation = Orientation::Landscape;
  Store("");
  frmSetting fallBack(m_store, m_printer, m_windowing);
  fallBack.Form_Load();
  fallBack.cmdAct(0).Press();
  EXPECT_EQ(m_backend.values["Orientation"], "");
  EXPECT_EQ(m_backend.values["SpaceMM"], "20");
}

TEST_F(SettingsWindowTest, FailedSaveKeepsTheWindowAndTheEditsAndStoresNothing) {
  m_form.Form_Load();
  m_form.chkZoom().Click();
  m_log.FailOn("Settings.WriteAll", 75, "disk full");
  m_form.cmdAct(0).Press();
  EXPECT_TRUE(m_backend.values.empty());
  EXPECT_FALSE(m_windowing.Ended());
  EXPECT_FALSE(m_log.Contains("Windowing.Unload(frmSetting)"));
  ASSERT_EQ(m_windowing.MessageBoxes().size(), 1U);
  EXPECT_EQ(m_windowing.MessageBoxes().front().text,
            "Err.Number:\t75\rErr.Description:\tdisk full\r\r設定を保存できませんでした。");
  EXPECT_EQ(m_windowing.MessageBoxes().front().buttons, MsgBoxButtons::Ok);
  EXPECT_EQ(m_form.chkZoom().Value(), 1);
}

}  // namespace
}  // namespace mirablot
