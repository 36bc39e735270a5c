// SPDX-License-Identifier: MIT
// The number conversions and checked arithmetic, as tables: a result, or the error number.
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <variant>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Conversions.h"

namespace mirablot {
namespace {

constexpr int kTypeMismatch = 13;
constexpr int kOverflow = 6;
constexpr int kDivisionByZero = 11;
constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin = std::numeric_limits<std::int32_t>::min();

// A value the call must give, or the number of the error it must raise.
struct Fails {
  int number;
};
using Expected = std::variant<double, Fails>;

struct Case {
  const char* call;
  std::function<double()> run;
  Expected expected;
};

void Check(const Case& c) {
  if (const auto* error = std::get_if<Fails>(&c.expected)) {
    EXPECT_EQ(testing::ErrorOf([&] { (void)c.run(); }), error->number) << c.call;
  } else {
    double got = 0;
    EXPECT_EQ(testing::ErrorOf([&] { got = c.run(); }), 0) << c.call;
    EXPECT_EQ(got, std::get<double>(c.expected)) << c.call;
  }
}

#define CASE(call, expected)                                  \
  Case {                                                      \
#call, [] { return static_cast<double>(call); }, expected \
  }

TEST(Conversions, ToInt16ReadsWholeNumbersRoundingHalfToEvenWithinSixteenBits) {
  for (const Case& c : {
           CASE(ToInt16("0"), 0.0),
           CASE(ToInt16("007"), 7.0),
           CASE(ToInt16(" 12\t"), 12.0),
           CASE(ToInt16("+5"), 5.0),
           CASE(ToInt16("-7"), -7.0),
           CASE(ToInt16("-0"), 0.0),
           CASE(ToInt16("000000000000000000000000000042"), 42.0),
           CASE(ToInt16("2.5"), 2.0),
           CASE(ToInt16("3.5"), 4.0),
           CASE(ToInt16("0.5"), 0.0),
           CASE(ToInt16("1.5"), 2.0),
           CASE(ToInt16("-2.5"), -2.0),
           CASE(ToInt16("-3.5"), -4.0),
           CASE(ToInt16("2.50000000000000000001"), 3.0),
           CASE(ToInt16("2.49999999999999999999"), 2.0),
           CASE(ToInt16(".5"), 0.0),
           CASE(ToInt16(".6"), 1.0),
           CASE(ToInt16("7."), 7.0),
           CASE(ToInt16("32767"), 32767.0),
           CASE(ToInt16("-32768"), -32768.0),
           CASE(ToInt16("32767.4"), 32767.0),
           CASE(ToInt16("-32768.5"), -32768.0),  // the tie goes to the even -32768
           CASE(ToInt16("32767.5"), Fails{kOverflow}),
           CASE(ToInt16("32768"), Fails{kOverflow}),
           CASE(ToInt16("-32769"), Fails{kOverflow}),
           CASE(ToInt16("40000"), Fails{kOverflow}),
           CASE(ToInt16("99999999999999999999999"), Fails{kOverflow}),
       }) {
    Check(c);
  }
  for (const char* text : {"", " ", "-", "+", ".", "-.", "5a", "a5", "1 2", "1,000", "1e3", "0x10",
                           "--1", "+-1", "1.2.3", "１２"}) {
    EXPECT_EQ(testing::ErrorOf([text] { (void)ToInt16(text); }), kTypeMismatch) << text;
  }
  EXPECT_EQ(ToText(-32768), "-32768");
  EXPECT_EQ(ToText(0), "0");
}

TEST(Conversions, ToFixed4KeepsFourFractionalDigitsRoundingTiesToEven) {
  for (const Case& c : {
           CASE(ToFixed4("2.5").scaled, 25000.0), CASE(ToFixed4("-15").scaled, -150000.0),
           CASE(ToFixed4("0.00005").scaled, 0.0), CASE(ToFixed4("0.00015").scaled, 2.0),
           CASE(ToFixed4("0.000051").scaled, 1.0), CASE(ToFixed4("141.75").ToDouble(), 141.75),
           CASE(ToFixed4("922337203685477.5807").scaled == std::numeric_limits<std::int64_t>::max(),
                1.0),
           CASE(
               ToFixed4("-922337203685477.5808").scaled == std::numeric_limits<std::int64_t>::min(),
               1.0),
           CASE(ToFixed4("922337203685477.5808").scaled, Fails{kOverflow}),
           CASE(ToFixed4("922337203685477.58075").scaled, Fails{kOverflow}),  // rounds up
           CASE(ToFixed4("abc").scaled, Fails{kTypeMismatch}),
           CASE(ToFixed4("1e308").scaled, Fails{kTypeMismatch}),
           CASE(ToFixed4("NaN").scaled, Fails{kTypeMismatch}),
           CASE(ToFixed4("２０").scaled, Fails{kTypeMismatch}),  // full-width digits
       }) {
    Check(c);
  }
}

TEST(Conversions, RoundingAndCheckedArithmeticOverflowAtTheirEdges) {
  for (const Case& c : {
           CASE(RoundToInt32(850.5), 850.0),
           CASE(RoundToInt32(283.5), 284.0),
           CASE(RoundToInt32(141.75), 142.0),
           CASE(RoundToInt32(50.5), 50.0),
           CASE(RoundToInt32(51.5), 52.0),
           CASE(RoundToInt32(-0.5), 0.0),
           CASE(RoundToInt32(-1.5), -2.0),
           CASE(RoundToInt32(-2.5), -2.0),
           CASE(RoundToInt32(-2.6), -3.0),
           CASE(RoundToInt32(0.49999999999999994), 0.0),
           CASE(RoundToInt32(2147483647.4), 2147483647.0),
           CASE(RoundToInt32(-2147483648.5), -2147483648.0),
           CASE(RoundToInt32(2147483647.5), Fails{kOverflow}),
           CASE(RoundToInt32(-2147483649.0), Fails{kOverflow}),
           CASE(RoundToInt32(std::nan("")), Fails{kOverflow}),
           CASE(RoundToInt32(HUGE_VAL), Fails{kOverflow}),
           CASE(CheckedAdd(kMax - 1, 1), double{kMax}),
           CASE(CheckedSubtract(kMin + 1, 1), double{kMin}),
           CASE(CheckedSubtract(-1, kMax), double{kMin}),
           CASE(CheckedAdd(kMax, 1), Fails{kOverflow}),
           CASE(CheckedAdd(kMin, -1), Fails{kOverflow}),
           CASE(CheckedSubtract(kMin, 1), Fails{kOverflow}),
           CASE(CheckedSubtract(0, kMin), Fails{kOverflow}),
           CASE(CheckedDivide(11200, 13500), 11200.0 / 13500.0),
           CASE(CheckedDivide(5, 0), Fails{kDivisionByZero}),
           CASE(CheckedDivide(0, 0), Fails{kDivisionByZero}),
           CASE(CheckedDivide(1e308, 1e-308), Fails{kOverflow}),
           CASE(ToSingle(9078.75), 9078.75),
           CASE(ToSingle(1e39), Fails{kOverflow}),
           CASE(ToSingle(std::nan("")), Fails{kOverflow}),
       }) {
    Check(c);
  }
}

}  // namespace
}  // namespace mirablot
