// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

namespace mirablot {

// A text box's caret counts characters (code points); Qt's and Windows' edit controls count
// UTF-16 units, two for a character beyond 16 bits.

/// The characters in the first `units` UTF-16 units of the text.
[[nodiscard]] std::size_t CharactersBefore(std::u16string_view text, std::size_t units);

/// The UTF-16 units the first `characters` characters of the text take.
[[nodiscard]] std::size_t UnitsBefore(std::u16string_view text, std::size_t characters);

/// True while the text holds half of a character: typing one beyond 16 bits delivers its two
/// halves one at a time, and the text between them is not text yet.
[[nodiscard]] bool HasLoneSurrogate(std::u16string_view text);

}  // namespace mirablot
