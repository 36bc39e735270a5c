// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace mirablot {
namespace {

struct Option {
  std::string_view unix;
  std::string_view windows;
  Command command;
};

constexpr Option kOptions[] = {
    {"--settings", "/settings", Command::Settings},
    {"--help", "/help", Command::Help},
    {"-h", "/?", Command::Help},
    {"--version", "/version", Command::Version},
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::optional<Command> Recognise(std::string_view argument, OptionStyle style) {
  for (const Option& option : kOptions) {
    if (argument == option.unix ||
        (style == OptionStyle::Windows && SameIgnoringCase(argument, option.windows))) {
      return option.command;
    }
  }
  return std::nullopt;
}

}  // namespace

Command ParseCommandLine(std::span<const std::string_view> arguments, OptionStyle style,
                         std::string* problem) {
  const auto misuse = [problem](std::string why) {
    if (problem != nullptr) {
      *problem = std::move(why);
    }
    return Command::Misuse;
  };
  std::optional<Command> chosen;
  std::string_view chosenBy;
  bool help = false;
  for (const std::string_view argument : arguments) {
    const std::optional<Command> command = Recognise(argument, style);
    if (!command) {
      return misuse("unknown option \"" + std::string(argument) + "\"");
    }
    if (*command == Command::Help) {
      help = true;
    } else if (chosen && *chosen != *command) {
      return misuse(std::string(chosenBy) + " and " + std::string(argument) +
                    " cannot go together");
    } else {
      chosen = command;
      chosenBy = argument;
    }
  }
  if (help) {
    return Command::Help;
  }
  return chosen.value_or(Command::Print);
}

std::string UsageText(OptionStyle style) {
  const bool windows = style == OptionStyle::Windows;
  std::string text = windows ? "Usage: mirablot.exe [--settings | --help | --version]\n"
                             : "Usage: mirablot [--settings | --help | --version]\n";
  text +=
      "Prints the picture on the clipboard on the default printer, without showing a window.\n"
      "When that fails (text on the clipboard, say), it asks whether to open its settings.\n"
      "\n"
      "  --settings  open the settings window at once: the clipboard is not read, nothing is\n"
      "              printed\n"
      "  --help      show this text\n"
      "  --version   show the version\n";
  if (windows) {
    text += "  (also /settings, /help, /? and /version)\n";
  }
  text +=
      "\n"
      "Exit status: 0 printed, or the settings window closed after --settings; 1 not printed\n"
      "(a failure, or the settings window opened after one);";
  text +=
      windows ? " 64 a misuse of the options.\n" : " 2 no display; 64 a misuse of the options.\n";
  if (windows) {
    text +=
        "Settings: HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Quillery\\Startup\n"
        "Printer: the Windows default printer.\n";
  } else {
    text +=
        "Settings: $XDG_CONFIG_HOME/Quillery/Quillery.conf (normally "
        "~/.config/Quillery/Quillery.conf)\n"
        "Printer: the default CUPS destination; PRINTER or LPDEST choose another for one run,\n"
        "as with lp: env PRINTER=Photo mirablot\n";
  }
  return text;
}

}  // namespace mirablot
