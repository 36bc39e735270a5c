// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "ports/PrinterDevice.h"

namespace mirablot {

/// What a start of the program was asked to do.
enum class Command {
  /// Print the clipboard's picture, or the file's or standard input's.
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
  /// --settings, --help (-h), --version, --printer NAME (-d NAME), --copies N (-n N), --grey
  /// (--gray), --long, --light, --stamp; a value may also follow its option after "=".
  Unix,
  /// The same, and Windows' own /settings, /help, /?, /version, /printer:NAME, /copies:N,
  /// /grey, /long, /light, /stamp, in any case.
  Windows,
};

/// What the command line asks for.
struct CommandLine {
  Command command = Command::Print;
  /// The picture to print: empty for the clipboard's, "-" for standard input's, else a file.
  std::string picture;
  PrintChoices choices;
  /// --long: the picture across as many pages as its height needs.
  bool acrossPages = false;
  /// --light: a dark picture printed light.
  bool light = false;
  /// --stamp: the time of printing at the foot of every page.
  bool stamp = false;
  /// Why it is a misuse.
  std::string problem;
};

/// What the arguments (without the program's name) ask for. An option may be repeated (a
/// choice's last value counts); --help wins over the rest; a picture or a print choice with
/// --settings or --version, two pictures, an unknown option, or a choice without its value
/// are a misuse. "--" ends the options, so that a file's name may start with a dash.
[[nodiscard]] CommandLine ParseCommandLine(std::span<const std::string_view> arguments,
                                           OptionStyle style);

/// The usage text for --help and a misuse, for the platform the options are written for.
[[nodiscard]] std::string UsageText(OptionStyle style);

}  // namespace mirablot
