// SPDX-License-Identifier: MIT
#include "Conversions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "Error.h"

namespace mirablot {
namespace {

struct DecimalText {
  bool negative = false;
  std::string_view integer;
  std::string_view fraction;
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t LeadingDigits(std::string_view text) {
  return static_cast<std::size_t>(std::find_if_not(text.begin(), text.end(), IsDigit) -
                                  text.begin());
}

std::optional<DecimalText> ParseDecimal(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  DecimalText result;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    result.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  result.integer = text.substr(0, LeadingDigits(text));
  text.remove_prefix(result.integer.size());
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    result.fraction = text.substr(0, LeadingDigits(text));
    text.remove_prefix(result.fraction.size());
  }
  if (!text.empty() || (result.integer.empty() && result.fraction.empty())) {
    return std::nullopt;
  }
  return result;
}

// The magnitude times 10^scale, rounded half to even; nothing when it exceeds 64 bits.
std::optional<std::uint64_t> ScaledMagnitude(const DecimalText& number, std::size_t scale) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t magnitude = 0;
  const auto append = [&magnitude](char digit) {
    const auto value = static_cast<std::uint64_t>(digit - '0');
    if (magnitude > (kMax - value) / 10) {
      return false;
    }
    magnitude = magnitude * 10 + value;
    return true;
  };
  for (const char digit : number.integer) {
    if (!append(digit)) {
      return std::nullopt;
    }
  }
  for (std::size_t i = 0; i < scale; ++i) {
    if (!append(i < number.fraction.size() ? number.fraction[i] : '0')) {
      return std::nullopt;
    }
  }
  if (number.fraction.size() > scale) {
    const std::string_view rest = number.fraction.substr(scale);
    const bool aboveHalf =
        rest.front() > '5' ||
        (rest.front() == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
    const bool exactlyHalf = rest.front() == '5' && !aboveHalf;
    if (aboveHalf || (exactlyHalf && magnitude % 2 == 1)) {
      if (magnitude == kMax) {
        return std::nullopt;
      }
      ++magnitude;
    }
  }
  return magnitude;
}

template <typename Integer>
Integer ParseScaled(std::string_view text, std::size_t scale) {
  const std::optional<DecimalText> number = ParseDecimal(text);
  if (!number) {
    throw Error(ErrorNumber::TypeMismatch);
  }
  const std::optional<std::uint64_t> magnitude = ScaledMagnitude(*number, scale);
  constexpr auto kMaxPositive = static_cast<std::uint64_t>(std::numeric_limits<Integer>::max());
  const std::uint64_t limit = number->negative ? kMaxPositive + 1 : kMaxPositive;
  if (!magnitude || *magnitude > limit) {
    throw Error(ErrorNumber::Overflow);
  }
  // Modular conversion (well defined since C++20) also yields the most negative value.
  return static_cast<Integer>(number->negative ? 0 - *magnitude : *magnitude);
}

}  // namespace

std::int16_t ToInt16(std::string_view text) {
  return ParseScaled<std::int16_t>(text, 0);
}

std::string ToText(std::int64_t value) {
  return std::to_string(value);
}

Fixed4 ToFixed4(std::string_view text) {
  return Fixed4{ParseScaled<std::int64_t>(text, 4)};
}

std::int32_t RoundToInt32(double value) {
  if (!std::isfinite(value)) {
    throw Error(ErrorNumber::Overflow);
  }
  // Explicit ties-to-even, so the result never depends on the floating-point environment.
  const double below = std::floor(value);
  const double excess = value - below;
  double rounded = below;
  if (excess > 0.5 || (excess == 0.5 && std::fmod(below, 2.0) != 0.0)) {
    rounded = below + 1.0;
  }
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    throw Error(ErrorNumber::Overflow);
  }
  return static_cast<std::int32_t>(rounded);
}

float ToSingle(double value) {
  if (!std::isfinite(value) ||
      std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    throw Error(ErrorNumber::Overflow);
  }
  return static_cast<float>(value);
}

namespace {
std::int32_t Narrow(std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    throw Error(ErrorNumber::Overflow);
  }
  return static_cast<std::int32_t>(value);
}
}  // namespace

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
  return Narrow(std::int64_t{a} + std::int64_t{b});
}

std::int32_t CheckedSubtract(std::int32_t a, std::int32_t b) {
  return Narrow(std::int64_t{a} - std::int64_t{b});
}

double CheckedDivide(double numerator, double denominator) {
  if (denominator == 0.0) {
    throw Error(ErrorNumber::DivisionByZero);
  }
  const double quotient = numerator / denominator;
  if (!std::isfinite(quotient)) {
    throw Error(ErrorNumber::Overflow);
  }
  return quotient;
}

std::int16_t CheckedNegate(std::int16_t value) {
  if (value == std::numeric_limits<std::int16_t>::min()) {
    throw Error(ErrorNumber::Overflow);
  }
  return static_cast<std::int16_t>(-value);
}

double LeadingNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  std::size_t length = 0;
  if (length < text.size() && (text[length] == '+' || text[length] == '-')) {
    ++length;
  }
  const std::size_t integerDigits = LeadingDigits(text.substr(length));
  length += integerDigits;
  std::size_t fractionDigits = 0;
  if (length < text.size() && text[length] == '.') {
    fractionDigits = LeadingDigits(text.substr(length + 1));
    if (fractionDigits > 0 || integerDigits > 0) {
      length += 1 + fractionDigits;
    }
  }
  if (integerDigits == 0 && fractionDigits == 0) {
    return 0.0;
  }
  // from_chars, unlike strtod, ignores the user's locale (Qt sets it from the environment).
  std::string_view number = text.substr(0, length);
  const bool negative = number.front() == '-';
  if (number.front() == '+' || number.front() == '-') {
    number.remove_prefix(1);
  }
  double value = 0.0;
  std::from_chars(number.data(), number.data() + number.size(), value);
  return negative ? -value : value;
}

float CheckedExtent(float extent) {
  if (!(extent >= 0.0F) || !std::isfinite(extent)) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  return extent;
}

}  // namespace mirablot
