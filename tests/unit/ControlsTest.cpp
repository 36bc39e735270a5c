// SPDX-License-Identifier: MIT
// The control model: which values each control accepts, and that events fire synchronously,
// only on real changes, nested for a text box that changes itself. And the image holder.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Bitmap.h"
#include "fakes/Fakes.h"
#include "forms/Controls.h"
#include "forms/Form.h"
#include "forms/PictureHolder.h"

namespace mirablot {
namespace {

using ::testing::ElementsAre;
using testing::ErrorOf;

constexpr int kInvalidValue = static_cast<int>(ErrorNumber::InvalidPropertyValue);
const ControlDesign kDesign{"control", {}, nullptr, "", 0, 0, 100, 100, {}};

class ControlsTest : public ::testing::Test, public Form {
 protected:
  ControlsTest() : Form({"Test", 1000, 1000, nullptr}) {}
  [[nodiscard]] std::string_view Name() const override { return "TestForm"; }
  // A handler that records the text it is given.
  auto Record(std::function<std::string()> what) {
    return [this, what] { m_events.push_back(what()); };
  }
  std::vector<std::string> m_events;
};

TEST_F(ControlsTest, OptionButtonsOfAGroupExcludeEachOtherAndClickOnlyWhenSelected) {
  OptionGroup group;
  OptionButton a(*this, group, kDesign);
  OptionButton b(*this, group, kDesign);
  a.OnClick(Record([] { return "a"; }));
  b.OnClick(Record([] { return "b"; }));
  int seenByA = 0;
  a.SetObserver([&](ControlProperty property) { seenByA += property == ControlProperty::Value; });
  a.SetValue(true);
  a.SetValue(true);  // already selected: no event
  b.Click();
  EXPECT_TRUE(b.Value() && !a.Value());
  EXPECT_EQ(seenByA, 2);
  b.SetValue(false);  // clearing is silent and leaves nothing selected
  EXPECT_FALSE(a.Value() || b.Value());
  EXPECT_THAT(m_events, ElementsAre("a", "b"));
}

TEST_F(ControlsTest, CheckBoxTakesThreeStatesAndClicksBetweenTwo) {
  CheckBox box(*this, kDesign);
  box.OnClick(Record([&] { return std::to_string(box.Value()); }));
  EXPECT_EQ(ErrorOf([&] { box.SetValue(3); }), kInvalidValue);
  EXPECT_EQ(ErrorOf([&] { box.SetValue(-1); }), kInvalidValue);
  box.SetValue(2);
  box.SetValue(2);
  box.Click();  // greyed becomes checked
  box.Click();
  box.SetEnabled(false);
  box.Click();
  EXPECT_EQ(box.Value(), 0);
  box.SetValue(1);  // the program may still set it
  EXPECT_THAT(m_events, ElementsAre("2", "1", "0", "1"));
}

TEST_F(ControlsTest, ComboBoxIndexRunsFromMinusOneToTheLastItem) {
  ComboBox list(*this, kDesign, {"a", "b", "c"});
  list.OnClick(Record([&] { return std::to_string(list.ListIndex()); }));
  EXPECT_EQ(list.ListIndex(), -1);
  list.SetListIndex(2);
  list.Choose(2);
  list.SetListIndex(-1);
  EXPECT_EQ(ErrorOf([&] { list.SetListIndex(3); }), kInvalidValue);
  EXPECT_EQ(ErrorOf([&] { list.SetListIndex(-2); }), kInvalidValue);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_THAT(m_events, ElementsAre("2", "-1"));
}

TEST_F(ControlsTest, TextBoxChangeRunsNestedInsideItsOwnHandler) {
  ControlDesign design = kDesign;
  design.caption = "start";
  TextBox box(*this, design, TextBoxStyle{});
  int depth = 0;
  box.OnChange([&] {
    m_events.push_back("enter " + box.Text() + " at depth " + std::to_string(++depth));
    if (box.Text() == "raw") {
      box.SetText("clean");  // runs the handler again before returning
    }
    m_events.push_back("leave " + box.Text());
    --depth;
  });
  box.SetText("start");  // unchanged: no event
  box.SetText("raw");
  EXPECT_THAT(m_events, ElementsAre("enter raw at depth 1", "enter clean at depth 2", "leave clean",
                                    "leave clean"));
}

TEST_F(ControlsTest, TextBoxCaretAndUserEditing) {
  TextBox box(*this, kDesign, TextBoxStyle{5, TextAlignment::Right, true, false});
  box.OnChange(Record([] { return "change"; }));
  box.Edit("12", 1);
  EXPECT_EQ(box.SelStart(), 1);
  box.SetText("abc");
  EXPECT_EQ(box.SelStart(), 0);  // a new text puts the caret at the start
  box.SetSelStart(99);
  EXPECT_EQ(box.SelStart(), 3);
  EXPECT_EQ(ErrorOf([&] { box.SetSelStart(-1); }), kInvalidValue);
  box.Edit("ab\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86xyz", 9);         // ab + three kana + xyz
  EXPECT_EQ(box.Text(), "ab\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86");  // five characters kept
  EXPECT_EQ(box.SelStart(), 5);
  box.SetEnabled(false);
  box.Edit("typed", 5);
  EXPECT_EQ(box.Text(), "ab\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86");
  EXPECT_THAT(m_events, ElementsAre("change", "change", "change"));
}

TEST_F(ControlsTest, ImagesRefuseNegativeSizesButMoveAnywhereAndButtonsIgnorePressesDisabled) {
  const Bitmap picture{1, 1, {0xFFFFFFFF}, {0}};
  ImageBox image(*this, kDesign, picture);
  image.SetWidth(50);
  EXPECT_EQ(ErrorOf([&] { image.SetWidth(-1); }), kInvalidValue);
  EXPECT_EQ(ErrorOf([&] { image.SetHeight(-0.5F); }), kInvalidValue);
  image.SetLeft(-300);
  EXPECT_EQ(std::vector({image.Left(), image.Width(), image.Height()}),
            std::vector({-300.0F, 50.0F, 100.0F}));
  CommandButton button(*this, kDesign, ButtonRole::Default);
  button.OnClick(Record([] { return "click"; }));
  button.Press();
  button.SetEnabled(false);
  button.Press();
  EXPECT_THAT(m_events, ElementsAre("click"));
}

TEST(PictureHolder, TakesItsPicturesNaturalSizeFromTheScreenUnlessStretching) {
  fake::FakeScreen screen(28800, 16200, 7.5);  // a 200 % screen: 7.5 twips per pixel
  PictureHolder img(screen, 15, 15);
  img.SetPicture(Picture());  // no natural size: the size stays
  EXPECT_FLOAT_EQ(img.Width(), 15);
  img.SetPicture(fake::MakePicture(300, 200));
  EXPECT_FLOAT_EQ(img.Width(), 2250);
  EXPECT_FLOAT_EQ(img.Height(), 1500);
  img.SetStretch(true);
  img.SetWidth(1000);
  img.SetHeight(0);
  img.SetPicture(fake::MakePicture(30, 20));
  for (const float bad : {-1.0F, -0.001F, std::nanf("")}) {
    EXPECT_EQ(ErrorOf([&] { img.SetWidth(bad); }), kInvalidValue) << bad;
    EXPECT_EQ(ErrorOf([&] { img.SetHeight(bad); }), kInvalidValue) << bad;
  }
  EXPECT_FLOAT_EQ(img.Width(), 1000);
  EXPECT_FLOAT_EQ(img.Height(), 0);
  img.SetStretch(false);
  EXPECT_FLOAT_EQ(img.Width(), 225);
  EXPECT_FLOAT_EQ(img.Height(), 150);
}

}  // namespace
}  // namespace mirablot
