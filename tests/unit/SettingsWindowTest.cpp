// SPDX-License-Identifier: MIT
// The settings window on fakes: loading with its fall-back, the preview's geometry, the
// editing rules, and what OK, Cancel and the close box store.
#include <optional>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SettingsWindowFixture.h"
#include "core/Error.h"

namespace mirablot {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Rect {
  float left;
  float top;
  float width;
  float height;
  bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << "(" << r.left << ", " << r.top << ") " << r.width << " x " << r.height;
}

Rect Of(const ImageBox& image) {
  return {image.Left(), image.Top(), image.Width(), image.Height()};
}

class SettingsWindowTest : public testing::SettingsWindowFixture {
 protected:
  // The selected orientation option, or -1.
  int Orientation() {
    for (std::int16_t i = 0; i < 3; ++i) {
      if (m_form.optOrientation(i).Value()) {
        return i;
      }
    }
    return -1;
  }

  // The user replaces the margin text, as by selecting it all and typing or pasting.
  void TypeMargin(const std::string& text) {
    m_form.txtSpace().Edit(text, static_cast<int>(text.size()));
  }
};

// What the window shows once loaded.
struct Loaded {
  std::optional<std::array<const char*, 7>> stored;
  int orientation;
  int zoom;
  int h;
  int v;
  int space0;
  int space1;
  const char* millimetres;
  // Enabled: the left and the top margin box, the millimetres.
  std::array<bool, 3> enabled{true, true, false};
  // The printer: its orientation, or that it cannot be asked.
  Orientation printer = Orientation::Portrait;
  bool printerFails = false;
};

std::ostream& operator<<(std::ostream& out, const Loaded& loaded) {
  for (const char* value : loaded.stored.value_or(std::array<const char*, 7>{})) {
    out << (value != nullptr ? value : "-") << ' ';
  }
  return out << (loaded.printerFails ? "no printer" : "");
}

class LoadTest : public SettingsWindowTest, public ::testing::WithParamInterface<Loaded> {};

TEST_P(LoadTest, ShowsTheStoredSettingsOrFallsBackSilently) {
  const Loaded& expected = GetParam();
  if (expected.stored) {
    StoreAll(*expected.stored);
  }
  m_printer.StartIn(expected.printer);
  if (expected.printerFails) {
    m_printer.Failures().FailOn("GetOrientation", 484);
  }
  m_form.Form_Load();
  EXPECT_EQ(Orientation(), expected.orientation);
  EXPECT_EQ(m_form.chkZoom().Value(), expected.zoom);
  EXPECT_EQ(m_form.cmbH().ListIndex(), expected.h);
  EXPECT_EQ(m_form.cmbV().ListIndex(), expected.v);
  EXPECT_EQ(m_form.chkSpace(0).Value(), expected.space0);
  EXPECT_EQ(m_form.chkSpace(1).Value(), expected.space1);
  EXPECT_EQ(m_form.txtSpace().Text(), expected.millimetres);
  EXPECT_EQ(m_form.chkSpace(0).Enabled(), expected.enabled[0]);
  EXPECT_EQ(m_form.chkSpace(1).Enabled(), expected.enabled[1]);
  EXPECT_EQ(m_form.txtSpace().Enabled(), expected.enabled[2]);
  EXPECT_THAT(m_windowing.MessageBoxes(), IsEmpty());
}

constexpr auto kLandscape = Orientation::Landscape;

INSTANTIATE_TEST_SUITE_P(
    Stored, LoadTest,
    ::testing::Values(
        // First use: portrait, left, top, no fit, the design's 20 mm.
        Loaded{std::nullopt, 0, 0, 0, 0, 0, 0, "20"},
        // A landscape printer: no orientation selected; one that cannot be asked: portrait.
        Loaded{std::nullopt, -1, 0, 0, 0, 0, 0, "20", {true, true, false}, kLandscape},
        Loaded{std::nullopt, 0, 0, 0, 0, 0, 0, "20", {true, true, false}, {}, true},
        Loaded{{{"1", "1", "2", "1", "0", "1", "007"}}, 1, 1, 2, 1, 0, 1, "7", {false, true, true}},
        // Orientations round half to even.
        Loaded{{{"1.5", "0", "0", "0", "0", "0", "0"}}, 2, 0, 0, 0, 0, 0, "0"},
        Loaded{{{"0.5", "0", "0", "0", "0", "0", "0"}}, 0, 0, 0, 0, 0, 0, "0"},
        // A value the control refuses ends the load: the fall-back for a landscape printer.
        Loaded{{{"3", "1", "2", "2", "0", "0", "5"}},
               -1,
               0,
               0,
               0,
               0,
               0,
               "20",
               {true, true, false},
               kLandscape},
        // What loaded before the bad value stays; the printer's portrait replaces landscape.
        Loaded{{{"1", "1", "2", "2", "x", "1", "15"}}, 0, 1, 0, 0, 0, 0, "20"},
        // The margin text loads as a whole number, its negation kept ("-32768" has none).
        Loaded{{{"0", "0", "0", "0", "1", "0", "2.5"}}, 0, 0, 0, 0, 1, 0, "2", {true, false, true}},
        Loaded{{{"0", "0", "0", "0", "1", "0", "-7"}}, 0, 0, 0, 0, 1, 0, "7", {true, false, true}},
        Loaded{
            {{"0", "0", "0", "0", "1", "0", "-32768"}}, 0, 0, 0, 0, 1, 0, "0", {true, false, true}},
        Loaded{
            {{"0", "0", "0", "0", "1", "0", "abc"}}, 0, 0, 0, 0, 1, 0, "20", {true, false, true}},
        // Both margins: both checked, both disabled for as long as the window is open.
        Loaded{
            {{"0", "0", "0", "0", "1", "1", "10"}}, 0, 0, 0, 0, 1, 1, "10", {false, false, true}}));

TEST_F(SettingsWindowTest, UnstoredMarginLoadsAsZeroAndControlArraysRefuseOtherIndexes) {
  for (const char* key : {"Orientation", "Zoom", "PositionH", "PositionV", "Space0", "Space1"}) {
    m_backend.Put(key, "0");
  }
  m_form.Form_Load();
  EXPECT_EQ(m_form.txtSpace().Text(), "0");
  EXPECT_THROW((void)m_form.optOrientation(3), Error);
  EXPECT_THROW((void)m_form.chkSpace(-1), Error);
}

// The preview's sheet and printed block (twips in the group box), once loaded.
struct Preview {
  std::array<const char*, 7> stored;
  std::optional<Rect> sheet;
  std::optional<Rect> block;
};

std::ostream& operator<<(std::ostream& out, const Preview& preview) {
  for (const char* value : preview.stored) {
    out << value << ' ';
  }
  return out;
}

class PreviewTest : public SettingsWindowTest, public ::testing::WithParamInterface<Preview> {};

TEST_P(PreviewTest, PlacesTheSheetAndThePrintedBlock) {
  StoreAll(GetParam().stored);
  m_form.Form_Load();
  if (GetParam().sheet) {
    EXPECT_EQ(Of(m_form.Imgp(0)), *GetParam().sheet);
  }
  if (GetParam().block) {
    EXPECT_EQ(Of(m_form.Imgp(1)), *GetParam().block);
  }
}

constexpr Rect kPortraitSheet{600, 480, 700, 1000};

INSTANTIATE_TEST_SUITE_P(
    Examples, PreviewTest,
    ::testing::Values(
        Preview{{"0", "0", "1", "1", "1", "0", "20"}, kPortraitSheet, Rect{730, 570, 480, 820}},
        Preview{{"1", "0", "2", "2", "0", "1", "15"},
                Rect{480, 600, 1000, 700},
                Rect{640, 790, 820, 490}},
        // Automatic is drawn as portrait.
        Preview{{"2", "0", "0", "0", "0", "0", "0"}, kPortraitSheet, std::nullopt},
        // No alignment selected: the block stays at its design place.
        Preview{{"1", "0", "-1", "-1", "0", "0", "0"}, std::nullopt, Rect{840, 600, 1230, 1230}},
        // A left margin shrinks the block from its left edge.
        Preview{{"0", "0", "0", "0", "1", "0", "0"}, std::nullopt, Rect{620, 500, 520, 820}}));

TEST_F(SettingsWindowTest, PreviewFollowsTheEditsAndSkipsWhatItCannotShow) {
  StoreAll({"0", "0", "0", "0", "1", "0", "0"});
  m_form.Form_Load();
  TypeMargin("99");
  EXPECT_EQ(Of(m_form.Imgp(1)), (Rect{818, 500, 322, 820}));
  // Too wide for the block: the width is refused, the left edge still moves.
  TypeMargin("300");
  EXPECT_EQ(Of(m_form.Imgp(1)), (Rect{1220, 500, 520, 820}));
  // No orientation selected is drawn as portrait too.
  m_form.optOrientation(1).Click();
  m_form.optOrientation(1).SetValue(false);
  m_form.RefreshPreview();
  EXPECT_EQ(Of(m_form.Imgp(0)), kPortraitSheet);
  // Fit to paper has no handler: the preview does not move.
  m_form.Imgp(1).SetLeft(5);
  m_form.chkZoom().Click();
  EXPECT_FLOAT_EQ(m_form.Imgp(1).Left(), 5);
}

TEST_F(SettingsWindowTest, MarginTextStaysAWholeNumberWhileTheUserTypes) {
  StoreAll({"0", "0", "0", "0", "1", "0", "0"});
  m_form.Form_Load();
  TextBox& box = m_form.txtSpace();

  box.Edit("05", 2);  // "5" typed behind "0"
  EXPECT_EQ(box.Text(), "5");
  EXPECT_EQ(box.SelStart(), 1);

  box.Edit("15", 1);  // "1" typed in front of "5": kept, caret to the end
  EXPECT_EQ(box.Text(), "15");
  EXPECT_EQ(box.SelStart(), 2);

  for (const auto& [typed, kept] : {std::pair{"", "0"},
                                    {"-", "0"},
                                    {"-7", "7"},
                                    {"2.5", "2"},
                                    {"3.5", "4"},
                                    {"5a", "0"},
                                    {"40000", "0"},
                                    {"32767", "32767"},
                                    {" 8 ", "8"}}) {
    TypeMargin(typed);
    EXPECT_EQ(box.Text(), kept) << '"' << typed << '"';
    EXPECT_EQ(box.SelStart(), static_cast<int>(box.Text().size())) << '"' << typed << '"';
  }
}

TEST_F(SettingsWindowTest, MarginBoxesExcludeEachOtherThroughEnabling) {
  m_form.Form_Load();
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
  m_form.Form_Load();
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
  m_form.Form_Load();
  m_form.cmdAct(0).Press();
  EXPECT_EQ(m_backend.Peek("Orientation"), "");
  EXPECT_EQ(m_backend.Peek("SpaceMM"), "20");
}

TEST_F(SettingsWindowTest, CancelAndTheCloseBoxStoreNothing) {
  m_form.Form_Load();
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
  m_form.Form_Load();
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
  EXPECT_EQ(m_backend.Peek("Zoom"), "1");
  EXPECT_TRUE(m_windowing.Ended());
}

}  // namespace
}  // namespace mirablot
