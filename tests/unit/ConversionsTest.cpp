// SPDX-License-Identifier: MIT
// The number conversions and checked arithmetic, as tables: a result, or the error number.
#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "core/Conversions.h"
#include "core/Error.h"

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
  EXPECT_EQ(ToText(-32768), "-32768");
  EXPECT_EQ(ToText(0), "0");
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

}  // namespace
}  // namespace mirablot
