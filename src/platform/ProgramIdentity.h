// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace mirablot {

/// The program's version record, as every platform shows it.
inline constexpr std::string_view kProductName = "Mirablot";
inline constexpr std::string_view kProductVersion = "1.00";
/// What it does, in the record's own Japanese.
inline constexpr std::string_view kFileDescription = "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ上のﾋﾞｯﾄﾏｯﾌﾟ情報を印刷";

}  // namespace mirablot
