// SPDX-License-Identifier: MIT
#pragma once

// Number conversions and overflow-checked arithmetic shared by the print job and the settings
// window. Every failure is an Error: TypeMismatch for text that is not a number, Overflow for a
// value outside the target type, DivisionByZero for a zero divisor.
//
// Numeric text is: optional blanks, an optional sign, decimal digits with an optional fraction
// after a full stop, optional blanks ("12", " -3 ", "2.5", ".5", "7."). No digit grouping, no
// exponent, independent of the user's locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace mirablot {

/// The core measures lengths in twips; adapters turn them into pixels and printer dots.
inline constexpr double kTwipsPerInch = 1440.0;

/// Text to a 16-bit integer; a fractional part is rounded to the nearest integer, ties to even.
[[nodiscard]] std::int16_t ToInt16(std::string_view text);

/// The shortest decimal text of a number, with a leading minus sign when negative.
[[nodiscard]] std::string ToText(std::int64_t value);

/// A decimal fixed-point number with four fractional digits: the value times 10 000.
struct Fixed4 {
  std::int64_t scaled = 0;

  [[nodiscard]] double ToDouble() const noexcept { return static_cast<double>(scaled) / 10000.0; }
};

/// Text to a fixed-point number; digits beyond the fourth fractional one are rounded, ties to
/// even. The range is that of the scaled 64-bit integer (about ±922 337 203 685 477.5807).
[[nodiscard]] Fixed4 ToFixed4(std::string_view text);

/// Nearest 32-bit integer, ties to even. Infinite, invalid or out-of-range values overflow.
[[nodiscard]] std::int32_t RoundToInt32(double value);

/// Double to single precision. Infinite, invalid or out-of-range values overflow.
[[nodiscard]] float ToSingle(double value);

[[nodiscard]] std::int32_t CheckedAdd(std::int32_t a, std::int32_t b);
[[nodiscard]] std::int32_t CheckedSubtract(std::int32_t a, std::int32_t b);

/// Double-precision quotient; a zero divisor and an infinite or invalid quotient are errors.
[[nodiscard]] double CheckedDivide(double numerator, double denominator);

/// The negated value; the negation of -32768 does not fit and overflows.
[[nodiscard]] std::int16_t CheckedNegate(std::int16_t value);

/// The number at the start of the text, or 0 when it does not start with one: blanks, an
/// optional sign, digits with an optional fraction ("12mm" gives 12, "abc" gives 0). Never fails.
[[nodiscard]] double LeadingNumber(std::string_view text);

/// A width or height for an image: refuses negative and invalid values with
/// InvalidPropertyValue, since they would draw mirrored or meaningless pictures.
[[nodiscard]] float CheckedExtent(float extent);

}  // namespace mirablot
