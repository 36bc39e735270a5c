// SPDX-License-Identifier: MIT
#include "Error.h"

#include <utility>

namespace mirablot {

std::string_view StandardDescription(ErrorNumber number) noexcept {
  switch (number) {
    case ErrorNumber::InvalidCall:
      return "呼び出しまたは引数が正しくありません。";
    case ErrorNumber::Overflow:
      return "数値が扱える範囲を超えました (オーバーフロー)。";
    case ErrorNumber::OutOfMemory:
      return "メモリが足りません。";
    case ErrorNumber::DivisionByZero:
      return "0 で割り算をしようとしました。";
    case ErrorNumber::InternalError:
      return "内部エラーが発生しました。";
    case ErrorNumber::TypeMismatch:
      return "数値として読めない値です。";
    case ErrorNumber::FileNotFound:
      return "ファイルが見つかりません。";
    case ErrorNumber::FileAccess:
      return "設定ファイルを読み書きできません。";
    case ErrorNumber::NoSuchControl:
      return "その番号のコントロールはありません。";
    case ErrorNumber::InvalidPropertyValue:
      return "設定できない値です。";
    case ErrorNumber::InvalidPicture:
      return "印刷する画像がありません。";
    case ErrorNumber::PrinterError:
      return "プリンターでエラーが発生しました。";
    case ErrorNumber::NoPrinter:
      return "既定のプリンターがありません。";
    case ErrorNumber::ClipboardUnavailable:
      return "クリップボードを読み取れません。";
  }
  return "不明なエラーです。";
}

Error::Error(std::int32_t number, std::string description)
    : m_number(number), m_description(std::move(description)) {}

Error::Error(ErrorNumber number, std::string description)
    : Error(static_cast<std::int32_t>(number), std::move(description)) {}

Error::Error(ErrorNumber number) : Error(number, std::string(StandardDescription(number))) {}

std::string ErrorReport(std::int32_t number, std::string_view description) {
  std::string text = "Err.Number:\t" + std::to_string(number) + "\rErr.Description:\t";
  text += description;
  return text;
}

}  // namespace mirablot
