// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "core/Error.h"

namespace mirablot::win32 {

/// UTF-8, as the core speaks, to UTF-16, as Windows does, and back. Invalid sequences become
/// U+FFFD.
[[nodiscard]] std::wstring Wide(std::string_view text);
[[nodiscard]] std::string Utf8(std::wstring_view text);

/// A wide string's UTF-16 units, as the core's caret mapping reads them.
[[nodiscard]] inline std::u16string_view Utf16(std::wstring_view text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

/// Windows' own description of a system error code, in the user's language, without the
/// trailing line break.
[[nodiscard]] std::string SystemMessage(unsigned long code);

/// Throws the calling thread's last system error as an Error: its code as the number and
/// Windows' description after what failed. A call that failed without setting a code gives
/// the fallback number instead.
[[noreturn]] void ThrowLastError(std::string_view what, ErrorNumber fallback);

}  // namespace mirablot::win32
