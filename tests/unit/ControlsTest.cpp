// SPDX-License-Identifier: MIT
// The control model: which values each control accepts, and that events fire synchronously,
// only on real changes, nested for a text box that changes itself. And the image holder.
#include <cmath>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Bitmap.h"
#include "core/Error.h"
#include "fakes/Fakes.h"
#include "forms/Controls.h"
#include "forms/Form.h"
#include "forms/PictureHolder.h"

namespace mirablot {
namespace {

using testing::ErrorOf;

using ::testing::ElementsAre;

class TestForm final : public Form {
 public:
  TestForm() : Form({"Test", 1000, 1000, nullptr}) {}
  [[nodiscard]] std::string_view Name() const override { return "TestForm"; }
};

ControlDesign Named(std::string name) {
  ControlDesign design;
  design.name = std::move(name);
  design.width = 100;
  design.height = 100;
  return design;
}

constexpr int kInvalidValue = static_cast<int>(ErrorNumber::InvalidPropertyValue);

class ControlsTest : public ::testing::Test {
 protected:
  TestForm m_form;
  std::vector<std::string> m_events;
};

TEST_F(ControlsTest, OptionButtonsOfAGroupExcludeEachOtherAndClickOnlyWhenSelected) {
  OptionGroup group;
  OptionButton a(m_form, group, Named("a"));
  OptionButton b(m_form, group, Named("b"));
  a.OnClick([this] { m_events.push_back("a"); });
  b.OnClick([this] { m_events.push_back("b"); });
  std::vector<ControlProperty> seenByA;
  a.SetObserver([&](ControlProperty property) { seenByA.push_back(property); });

  a.SetValue(true);
  a.SetValue(true);  // already selected: no event
  b.Click();
  EXPECT_TRUE(b.Value());
  EXPECT_FALSE(a.Value());
  EXPECT_THAT(m_events, ElementsAre("a", "b"));
  EXPECT_THAT(seenByA, ElementsAre(ControlProperty::Value, ControlProperty::Value));

  b.SetValue(false);  // clearing is silent and leaves nothing selected
  EXPECT_FALSE(a.Value() || b.Value());
  EXPECT_THAT(m_events, ElementsAre("a", "b"));
}

TEST_F(ControlsTest, CheckBoxTakesThreeStatesAndClicksBetweenTwo) {
  CheckBox box(m_form, Named("chk"));
  box.OnClick([&] { m_events.push_back(std::to_string(box.Value())); });

  EXPECT_EQ(ErrorOf([&] { box.SetValue(3); }), kInvalidValue);
  EXPECT_EQ(ErrorOf([&] { box.SetValue(-1); }), kInvalidValue);
  box.SetValue(2);
  box.SetValue(2);
  box.Click();  // greyed becomes checked
  box.Click();
  EXPECT_THAT(m_events, ElementsAre("2", "1", "0"));

  box.SetEnabled(false);
  box.Click();
  EXPECT_EQ(box.Value(), 0);
  box.SetValue(1);  // the program may still set it
  EXPECT_EQ(box.Value(), 1);
}

TEST_F(ControlsTest, ComboBoxIndexRunsFromMinusOneToTheLastItem) {
  ComboBox list(m_form, Named("cmb"), {"a", "b", "c"});
  list.OnClick([&] { m_events.push_back(std::to_string(list.ListIndex())); });
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
  ControlDesign design = Named("txt");
  design.caption = "start";
  TextBox box(m_form, design, TextBoxStyle{});
  int depth = 0;
  box.OnChange([&] {
    ++depth;
    m_events.push_back("enter " + box.Text() + " at depth " + std::to_string(depth));
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
  TextBox box(m_form, Named("txt"), TextBoxStyle{5, TextAlignment::Right, true, false});
  box.OnChange([this] { m_events.push_back("change"); });

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
  EXPECT_FLOAT_EQ(img.Width(), 1000);
  EXPECT_FLOAT_EQ(img.Height(), 0);
  for (const float bad : {-1.0F, -0.001F, std::nanf("")}) {
    EXPECT_EQ(ErrorOf([&] { img.SetWidth(bad); }), kInvalidValue) << bad;
    EXPECT_EQ(ErrorOf([&] { img.SetHeight(bad); }), kInvalidValue) << bad;
  }
  EXPECT_FLOAT_EQ(img.Width(), 1000);
  img.SetStretch(false);
  EXPECT_FLOAT_EQ(img.Width(), 225);
  EXPECT_FLOAT_EQ(img.Height(), 150);
}

TEST_F(ControlsTest, ImageBoxRefusesNegativeSizesButMovesAnywhere) {
  const Bitmap picture{1, 1, {0xFFFFFFFF}, {0}};
  ImageBox image(m_form, Named("Img"), picture);
  image.SetWidth(50);
  EXPECT_EQ(ErrorOf([&] { image.SetWidth(-1); }), kInvalidValue);
  EXPECT_EQ(ErrorOf([&] { image.SetHeight(-0.5F); }), kInvalidValue);
  EXPECT_FLOAT_EQ(image.Width(), 50);
  EXPECT_FLOAT_EQ(image.Height(), 100);
  image.SetLeft(-300);
  EXPECT_FLOAT_EQ(image.Left(), -300);
}

TEST_F(ControlsTest, DisabledButtonIgnoresPresses) {
  CommandButton button(m_form, Named("cmd"), ButtonRole::Default);
  button.OnClick([this] { m_events.push_back("click"); });
  button.Press();
  button.SetEnabled(false);
  button.Press();
  EXPECT_THAT(m_events, ElementsAre("click"));
}

}  // namespace
}  // namespace mirablot
