// SPDX-License-Identifier: MIT
// The decimal conversion with four fractional digits: a result written back as text reads as
// the same number.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "core/Conversions.h"

using mirablot::fuzz::Check;

namespace {

std::string FixedText(std::int64_t scaled) {
  const bool negative = scaled < 0;
  // Unsigned, so the most negative value has a magnitude too.
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  std::string text(negative ? "-" : "");
  text += std::to_string(magnitude / 10000);
  text += '.';
  text += fraction;
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mirablot::Fixed4 value;
  try {
    value = mirablot::ToFixed4(mirablot::fuzz::AsText(data, size));
  } catch (const mirablot::Error& error) {
    mirablot::fuzz::CheckConversionError(error);
    return 0;
  }
  const std::string text = FixedText(value.scaled);
  try {
    Check(mirablot::ToFixed4(text).scaled == value.scaled, "decimal round trip");
  } catch (const mirablot::Error&) {
    Check(false, "a decimal result does not read back");
  }
  return 0;
}
