// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace mirablot {

/// What a start of the program was asked to do.
enum class Command {
  /// No option: print the clipboard's picture.
  Print,
  /// --settings: open the settings window at once; the clipboard is not read.
  Settings,
  /// --help: say how to use the program.
  Help,
  /// --version: say the version.
  Version,
  /// Something else: say how to use the program, on stderr, and fail.
  Misuse,
};

/// Exit status for a command line the program does not understand (sysexits' EX_USAGE).
inline constexpr int kExitUsage = 64;

/// How the options are written where the program runs.
enum class OptionStyle {
  /// --settings, --help, --version (and -h).
  Unix,
  /// The same, and Windows' own /settings, /help, /?, /version, in any case.
  Windows,
};

/// The command the arguments (without the program's name) ask for. An option may be repeated;
/// --help wins over the others; two different others, an unknown option or any other argument
/// are a misuse, which `problem` then names.
[[nodiscard]] Command ParseCommandLine(std::span<const std::string_view> arguments,
                                       OptionStyle style, std::string* problem = nullptr);

/// The usage text for --help and a misuse, for the platform the options are written for.
[[nodiscard]] std::string UsageText(OptionStyle style);

}  // namespace mirablot
