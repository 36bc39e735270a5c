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

/// Windows' own description of a system error code, in the user's language, without the
/// trailing line break.
[[nodiscard]] std::string SystemMessage(unsigned long code);

/// Throws the calling thread's last system error as an Error: its code as the number and
/// Windows' description after what failed. A call that failed without setting a code gives
/// the fallback number instead.
[[noreturn]] void ThrowLastError(std::string_view what, ErrorNumber fallback);

}  // namespace mirablot::win32
