// SPDX-License-Identifier: MIT
// The number conversions and checked arithmetic, as tables: a result, or the error number.
// The control model: which values each control accepts, and that events fire synchronously,
// only on real changes, nested for a text box that changes itself. And the image holder.
#include <cmath>
#include <cstdint>
#include <functional>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Bitmap.h"
#include "core/Conversions.h"
#include "core/Error.h"
#include "fakes/Fakes.h"
#include "forms/Controls.h"
#include "forms/Form.h"
#include "forms/PictureHolder.h"

namespace mirablot {
namespace {

constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();

// The call's result as text, or "!" and the number of the error it raised.
template <typename Call>
std::string Outcome(Call call) {
  std::ostringstream out;
  try {
    out << std::setprecision(17) << call();
  } catch (const Error& error) {
    out << '!' << error.Number();
  }
  return out.str();
}

// Each row is "input=outcome".
template <typename Convert>
void Check(Convert convert, std::initializer_list<std::string_view> rows) {
  for (const std::string_view row : rows) {
    const std::size_t equals = row.rfind('=');
    EXPECT_EQ(Outcome([&] { return convert(std::string(row.substr(0, equals))); }),
              row.substr(equals + 1))
        << row;
  }
}

TEST(Conversions, TextToNumbersRoundsHalfToEvenWithinTheirRange) {
  Check(ToInt16, {"0=0", "007=7", " 12\t=12", "+5=5", "-7=-7", "-0=0",
                  "000000000000000000000000000042=42", "2.5=2", "3.5=4", "0.5=0", "1.5=2"});
  Check(ToInt16,
        {"-2.5=-2", "-3.5=-4", "2.50000000000000000001=3", "2.49999999999999999999=2", ".5=0",
         ".6=1", "7.=7", "32767=32767", "-32768=-32768", "32767.4=32767", "-32768.5=-32768"});
  Check(ToInt16, {"32767.5=!6", "32768=!6", "-32769=!6", "40000=!6", "99999999999999999999999=!6"});
  Check(ToInt16,
        {"=!13", " =!13", "-=!13", "+=!13", ".=!13", "-.=!13", "5a=!13", "a5=!13", "1 2=!13",
         "1,000=!13", "1e3=!13", "0x10=!13", "--1=!13", "+-1=!13", "1.2.3=!13", "１２=!13"});
  // Four fractional digits kept: the value times 10 000.
  Check([](const std::string& text) { return ToFixed4(text).scaled; },
        {"2.5=25000", "-15=-150000", "0.00005=0", "0.00015=2", "0.000051=1",
         "922337203685477.5807=9223372036854775807", "-922337203685477.5808=-9223372036854775808",
         "922337203685477.5808=!6", "922337203685477.58075=!6", "abc=!13", "1e308=!13", "NaN=!13",
         "２０=!13"});
}

TEST(Conversions, RoundingAndCheckedArithmeticOverflowAtTheirEdges) {
  Check([](const std::string& text) { return RoundToInt32(std::stod(text)); },
        {"850.5=850", "283.5=284", "141.75=142", "-0.5=0", "-1.5=-2", "-2.5=-2", "-2.6=-3",
         "0.49999999999999994=0", "2147483647.4=2147483647", "-2147483648.5=-2147483648",
         "2147483647.5=!6", "-2147483649=!6", "nan=!6", "inf=!6"});
  Check([](const std::string& text) { return ToSingle(std::stod(text)); },
        {"9078.75=9078.75", "1e39=!6", "nan=!6"});
  EXPECT_EQ(Outcome([] { return CheckedAdd(kMax - 1, 1); }), "2147483647");
  EXPECT_EQ(Outcome([] { return CheckedSubtract(kMin + 1, 1); }), "-2147483648");
  EXPECT_EQ(Outcome([] { return CheckedSubtract(-1, kMax); }), "-2147483648");
  EXPECT_EQ(Outcome([] { return CheckedAdd(kMax, 1); }), "!6");
  EXPECT_EQ(Outcome([] { return CheckedAdd(kMin, -1); }), "!6");
  EXPECT_EQ(Outcome([] { return CheckedSubtract(kMin, 1); }), "!6");
  EXPECT_EQ(Outcome([] { return CheckedSubtract(0, kMin); }), "!6");
  EXPECT_EQ(Outcome([] { return CheckedDivide(1, 4); }), "0.25");
  EXPECT_EQ(Outcome([] { return CheckedDivide(5, 0); }), "!11");
  EXPECT_EQ(Outcome([] { return CheckedDivide(0, 0); }), "!11");
  EXPECT_EQ(Outcome([] { return CheckedDivide(1e308, 1e-308); }), "!6");
}

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
  b.Click();  // a click on the selected one keeps it selected, silently
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
  fake::FakeScreen screen;
  screen.twipsPerPixel = 7.5;  // a 200 % screen
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
