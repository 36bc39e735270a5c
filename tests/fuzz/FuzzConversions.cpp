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

using mirablot::fuzz::Check;

namespace {

// The conversion's result, or nothing when it refused the text as it may.
template <typename Convert>
auto Converted(Convert convert) -> std::optional<decltype(convert())> {
  try {
    return convert();
  } catch (const mirablot::Error& error) {
    mirablot::fuzz::CheckConversionError(error);
    return std::nullopt;
  }
}

std::string FixedText(std::int64_t scaled) {
  // Unsigned, so the most negative value has a magnitude too.
  const std::uint64_t magnitude =
      scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  std::string text(scaled < 0 ? "-" : "");
  text += std::to_string(magnitude / 10000);
  text += '.';
  text += fraction;
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mirablot;
  const std::string_view text = fuzz::AsText(data, size);
  const std::optional<std::int16_t> whole = Converted([&] { return ToInt16(text); });
  const std::optional<Fixed4> decimal = Converted([&] { return ToFixed4(text); });
  double leading = 0;
  try {
    leading = LeadingNumber(text);
  } catch (...) {
    Check(false, "the leading-number parse threw");
  }
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
