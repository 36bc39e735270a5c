// SPDX-License-Identifier: MIT
// The preview's leading-number parse never fails, never gives NaN, and agrees with the decimal
// conversion on text that is wholly a number.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Conversions.h"

using mirablot::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = mirablot::fuzz::AsText(data, size);
  double leading = 0;
  try {
    leading = mirablot::LeadingNumber(text);
  } catch (...) {
    Check(false, "the leading-number parse threw");
  }
  Check(!std::isnan(leading), "the leading-number parse gave NaN");
  try {
    const double decimal = mirablot::ToFixed4(text).ToDouble();
    // The decimal is rounded to four places; allow that and the double's own precision.
    Check(std::fabs(decimal - leading) <= 0.00005 + std::fabs(decimal) * 1e-12,
          "leading number disagrees with the decimal conversion");
  } catch (const mirablot::Error& error) {
    mirablot::fuzz::CheckConversionError(error);
  }
  return 0;
}
