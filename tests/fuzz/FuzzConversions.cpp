// SPDX-License-Identifier: MIT
// The number conversions over any text: the 16-bit and the decimal conversion give a number
// that survives a round trip through its text, or refuse cleanly; the preview's leading-number
// parse never fails nor gives NaN; and on text that is wholly a number all three agree.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzCheck.h"
#include "core/Conversions.h"
#include "core/Error.h"

using mirablot::fuzz::Check;

namespace {

// The conversion's result, or nothing when it refused the text as it may: as not a number or
// an overflow.
template <typename Convert>
auto Converted(Convert convert) -> std::optional<decltype(convert())> {
  try {
    return convert();
  } catch (const mirablot::Error& error) {
    Check(error.Number() == static_cast<int>(mirablot::ErrorNumber::TypeMismatch) ||
              error.Number() == static_cast<int>(mirablot::ErrorNumber::Overflow),
          "a conversion failed with an unexpected error number");
    return std::nullopt;
  }
}

// The decimal's text with its four fractional digits.
std::string FixedText(std::int64_t scaled) {
  std::string text = std::to_string(scaled);
  const std::size_t sign = scaled < 0 ? 1 : 0;
  text.insert(sign, text.size() - sign < 5 ? 5 - (text.size() - sign) : 0, '0');
  return text.insert(text.size() - 4, 1, '.');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mirablot;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int16_t> whole = Converted([&] { return ToInt16(text); });
  const std::optional<Fixed4> decimal = Converted([&] { return ToFixed4(text); });
  const double leading = LeadingNumber(text);  // an exception here ends the run as a crash
  Check(!std::isnan(leading), "the leading-number parse gave NaN");
  if (whole) {
    Check(Converted([&] { return ToInt16(ToText(*whole)); }) == whole, "16-bit round trip");
  }
  if (decimal) {
    Check(Converted([&] { return ToFixed4(FixedText(decimal->scaled)).scaled; }) == decimal->scaled,
          "decimal round trip");
    // The decimal is rounded to four places; allow that and the double's own precision.
    const double value = decimal->ToDouble();
    Check(std::fabs(value - leading) <= 0.00005 + std::fabs(value) * 1e-12,
          "the leading number disagrees with the decimal conversion");
    Check(!whole || std::fabs(value - *whole) <= 0.5001, "16-bit result far from the decimal");
  }
  return 0;
}
