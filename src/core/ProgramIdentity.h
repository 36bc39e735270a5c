// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace mirablot {

/// The program's version record, as every platform shows it.
inline constexpr std::string_view kProductName = "Mirablot";
inline constexpr std::string_view kProductVersion = "1.00";
/// What it does, in the record's own Japanese.
inline constexpr std::string_view kFileDescription = "ｸﾘｯﾌﾟﾎﾞｰﾄﾞ上のﾋﾞｯﾄﾏｯﾌﾟ情報を印刷";
/// How to reach the settings window, and what to remove by hand after uninstalling.
inline constexpr std::string_view kComments =
    "ﾃｷｽﾄなど画像ｲﾒｰｼﾞ以外をｺﾋﾟった状態で起動させると設定画面を表示することが出来ます。  "
    "ｱﾝｲﾝｽﾄｰﾙ時は本ﾌﾟﾛｸﾞﾗﾑを削除後ﾚｼﾞｽﾄﾘｷｰSoftware内のQuillery以下を手動にて削除して下さい。";

}  // namespace mirablot
