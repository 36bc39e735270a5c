// SPDX-License-Identifier: MIT
#include "Utf16Caret.h"

namespace mirablot {
namespace {

bool IsHigh(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLow(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::size_t CharactersBefore(std::u16string_view text, std::size_t units) {
  std::size_t characters = 0;
  for (std::size_t unit = 0; unit < units && unit < text.size(); ++unit) {
    if (!IsLow(text[unit])) {
      ++characters;
    }
  }
  return characters;
}

std::size_t UnitsBefore(std::u16string_view text, std::size_t characters) {
  std::size_t units = 0;
  for (std::size_t seen = 0; seen < characters && units < text.size(); ++seen) {
    units += IsHigh(text[units]) ? 2 : 1;
  }
  return units < text.size() ? units : text.size();
}

bool HasLoneSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      return true;
    }
  }
  return false;
}

}  // namespace mirablot
