// SPDX-License-Identifier: MIT
// The 16-bit conversion: any text is a number that survives a round trip, or a clean refusal.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Conversions.h"

using mirablot::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = mirablot::fuzz::AsText(data, size);
  std::int16_t value = 0;
  try {
    value = mirablot::ToInt16(text);
  } catch (const mirablot::Error& error) {
    mirablot::fuzz::CheckConversionError(error);
    return 0;
  }
  Check(mirablot::ToInt16(mirablot::ToText(value)) == value, "16-bit round trip");
  // The same text read as a decimal lies within half a unit (plus its own rounding).
  try {
    const double decimal = mirablot::ToFixed4(text).ToDouble();
    Check(std::fabs(decimal - value) <= 0.5001, "16-bit result far from the decimal value");
  } catch (const mirablot::Error& error) {
    mirablot::fuzz::CheckConversionError(error);
  }
  return 0;
}
