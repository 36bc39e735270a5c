// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace mirablot {

/// Numbers of the errors the program raises itself. Adapters may raise other numbers too,
/// for example the status code of a print job that CUPS refused.
enum class ErrorNumber : std::int32_t {
  InvalidCall = 5,
  Overflow = 6,
  OutOfMemory = 7,
  DivisionByZero = 11,
  InternalError = 51,
  TypeMismatch = 13,
  FileNotFound = 53,
  FileAccess = 75,
  NoSuchControl = 340,
  InvalidPropertyValue = 380,
  InvalidPicture = 481,
  PrinterError = 482,
  NoPrinter = 484,
  ClipboardUnavailable = 521,
};

/// The description shown for an error number when the raiser has nothing more specific to say.
[[nodiscard]] std::string_view StandardDescription(ErrorNumber number) noexcept;

/// A failure with a number and a description. Thrown, and caught only where a handler is armed.
class Error : public std::exception {
 public:
  Error(std::int32_t number, std::string description);
  Error(ErrorNumber number, std::string description);
  explicit Error(ErrorNumber number);

  [[nodiscard]] std::int32_t Number() const noexcept { return m_number; }
  [[nodiscard]] const std::string& Description() const noexcept { return m_description; }
  [[nodiscard]] const char* what() const noexcept override { return m_description.c_str(); }

 private:
  std::int32_t m_number;
  std::string m_description;
};

/// Title of every box that reports an error.
inline constexpr std::string_view kErrorBoxTitle = "Mirablot Error";

/// The error as the program reports it: "Err.Number:", a tab, the number, a carriage return,
/// "Err.Description:", a tab, the description.
[[nodiscard]] std::string ErrorReport(std::int32_t number, std::string_view description);

}  // namespace mirablot
