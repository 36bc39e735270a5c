// SPDX-License-Identifier: MIT
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Conversions.h"
#include "core/Error.h"

namespace mirablot {
namespace {

using testing::ErrorOf;

constexpr int kTypeMismatch = static_cast<int>(ErrorNumber::TypeMismatch);
constexpr int kOverflow = static_cast<int>(ErrorNumber::Overflow);
constexpr int kDivisionByZero = static_cast<int>(ErrorNumber::DivisionByZero);

TEST(ToInt16, AcceptsWholeNumbersWithBlanksAndSign) {
  EXPECT_EQ(ToInt16("0"), 0);
  EXPECT_EQ(ToInt16("007"), 7);
  EXPECT_EQ(ToInt16(" 12\t"), 12);
  EXPECT_EQ(ToInt16("+5"), 5);
  EXPECT_EQ(ToInt16("-7"), -7);
  EXPECT_EQ(ToInt16("-0"), 0);
  EXPECT_EQ(ToInt16("000000000000000000000000000042"), 42);
}

TEST(ToInt16, RoundsFractionsHalfToEven) {
  EXPECT_EQ(ToInt16("2.5"), 2);
  EXPECT_EQ(ToInt16("3.5"), 4);
  EXPECT_EQ(ToInt16("0.5"), 0);
  EXPECT_EQ(ToInt16("1.5"), 2);
  EXPECT_EQ(ToInt16("-2.5"), -2);
  EXPECT_EQ(ToInt16("-3.5"), -4);
  EXPECT_EQ(ToInt16("2.50000000000000000001"), 3);
  EXPECT_EQ(ToInt16("2.49999999999999999999"), 2);
  EXPECT_EQ(ToInt16(".5"), 0);
  EXPECT_EQ(ToInt16(".6"), 1);
  EXPECT_EQ(ToInt16("7."), 7);
}

TEST(ToInt16, LimitsAreTheSixteenBitRangeAfterRounding) {
  EXPECT_EQ(ToInt16("32767"), 32767);
  EXPECT_EQ(ToInt16("-32768"), -32768);
  EXPECT_EQ(ToInt16("32767.4"), 32767);
  EXPECT_EQ(ToInt16("-32768.5"), -32768);  // the tie goes to the even -32768
  EXPECT_EQ(ErrorOf([] { (void)ToInt16("32767.5"); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)ToInt16("32768"); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)ToInt16("-32769"); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)ToInt16("40000"); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)ToInt16("99999999999999999999999"); }), kOverflow);
}

TEST(ToInt16, RefusesTextThatIsNotANumber) {
  for (const char* text : {"", " ", "-", "+", ".", "-.", "5a", "a5", "1 2", "1,000", "1e3", "0x10",
                           "--1", "+-1", "1.2.3", "１２"}) {
    EXPECT_EQ(ErrorOf([text] { (void)ToInt16(text); }), kTypeMismatch) << '"' << text << '"';
  }
}

TEST(ToText, IsTheShortestDecimalText) {
  EXPECT_EQ(ToText(0), "0");
  EXPECT_EQ(ToText(7), "7");
  EXPECT_EQ(ToText(-7), "-7");
  EXPECT_EQ(ToText(-32768), "-32768");
}

TEST(ToFixed4, KeepsFourFractionalDigitsRoundingTiesToEven) {
  EXPECT_EQ(ToFixed4("2.5").scaled, 25000);
  EXPECT_EQ(ToFixed4("-15").scaled, -150000);
  EXPECT_EQ(ToFixed4("0.00005").scaled, 0);
  EXPECT_EQ(ToFixed4("0.00015").scaled, 2);
  EXPECT_EQ(ToFixed4("0.000051").scaled, 1);
  EXPECT_DOUBLE_EQ(ToFixed4("141.75").ToDouble(), 141.75);
}

TEST(ToFixed4, RangeIsTheScaledSixtyFourBitInteger) {
  EXPECT_EQ(ToFixed4("922337203685477.5807").scaled, std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(ToFixed4("-922337203685477.5808").scaled, std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(ErrorOf([] { (void)ToFixed4("922337203685477.5808"); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)ToFixed4("922337203685477.58075"); }), kOverflow);  // rounds up
  EXPECT_EQ(ErrorOf([] { (void)ToFixed4("abc"); }), kTypeMismatch);
}

TEST(RoundToInt32, TakesTheNearestIntegerTiesToEven) {
  EXPECT_EQ(RoundToInt32(850.5), 850);
  EXPECT_EQ(RoundToInt32(283.5), 284);
  EXPECT_EQ(RoundToInt32(141.75), 142);
  EXPECT_EQ(RoundToInt32(50.5), 50);
  EXPECT_EQ(RoundToInt32(51.5), 52);
  EXPECT_EQ(RoundToInt32(-0.5), 0);
  EXPECT_EQ(RoundToInt32(-1.5), -2);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt32(-2.6), -3);
  EXPECT_EQ(RoundToInt32(0.49999999999999994), 0);
}

TEST(RoundToInt32, OverflowsOutsideTheRangeAndOnInvalidValues) {
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(RoundToInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ErrorOf([] { (void)RoundToInt32(2147483647.5); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)RoundToInt32(-2147483649.0); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)RoundToInt32(std::nan("")); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)RoundToInt32(HUGE_VAL); }), kOverflow);
}

TEST(CheckedArithmetic, OverflowsAtTheThirtyTwoBitEdges) {
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(CheckedAdd(kMax - 1, 1), kMax);
  EXPECT_EQ(CheckedSubtract(kMin + 1, 1), kMin);
  EXPECT_EQ(CheckedSubtract(-1, kMax), kMin);
  EXPECT_EQ(ErrorOf([] { (void)CheckedAdd(kMax, 1); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)CheckedAdd(kMin, -1); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)CheckedSubtract(kMin, 1); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)CheckedSubtract(0, kMin); }), kOverflow);
}

TEST(CheckedArithmetic, DivisionAndSinglePrecisionFailures) {
  EXPECT_DOUBLE_EQ(CheckedDivide(11200, 13500), 11200.0 / 13500.0);
  EXPECT_EQ(ErrorOf([] { (void)CheckedDivide(5, 0); }), kDivisionByZero);
  EXPECT_EQ(ErrorOf([] { (void)CheckedDivide(0, 0); }), kDivisionByZero);
  EXPECT_EQ(ErrorOf([] { (void)CheckedDivide(1e308, 1e-308); }), kOverflow);
  EXPECT_FLOAT_EQ(ToSingle(9078.75), 9078.75F);
  EXPECT_EQ(ErrorOf([] { (void)ToSingle(1e39); }), kOverflow);
  EXPECT_EQ(ErrorOf([] { (void)ToSingle(std::nan("")); }), kOverflow);
}

TEST(ErrorText, EveryOwnNumberHasADescription) {
  EXPECT_EQ(Error(ErrorNumber::Overflow).Number(), 6);
  EXPECT_EQ(Error(ErrorNumber::InvalidPicture).Description(), "印刷する画像がありません。");
  EXPECT_EQ(Error(-1, "x").Number(), -1);
}

}  // namespace
}  // namespace mirablot
