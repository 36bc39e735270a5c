// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <utility>

namespace mirablot {
namespace {

// The options and what each takes: a command, or a print choice with or without a value.
enum class Takes { Command, Printer, Copies, Grey, Long, Light, Stamp };

struct Option {
  std::string_view unix;
  std::string_view windows;
  Takes takes;
  Command command = Command::Print;
};

constexpr Option kOptions[] = {
    {"--settings", "/settings", Takes::Command, Command::Settings},
    {"--help", "/help", Takes::Command, Command::Help},
    {"-h", "/?", Takes::Command, Command::Help},
    {"--version", "/version", Takes::Command, Command::Version},
    {"--printer", "/printer", Takes::Printer},
    {"-d", "", Takes::Printer},
    {"--copies", "/copies", Takes::Copies},
    {"-n", "", Takes::Copies},
    {"--grey", "/grey", Takes::Grey},
    {"--gray", "/gray", Takes::Grey},
    {"--long", "/long", Takes::Long},
    {"--light", "/light", Takes::Light},
    {"--stamp", "/stamp", Takes::Stamp},
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The option an argument names, and the value it carries itself ("--copies=2", "/copies:2").
std::optional<std::pair<const Option*, std::optional<std::string_view>>> Recognise(
    std::string_view argument, OptionStyle style) {
  for (const Option& option : kOptions) {
    const bool windows = style == OptionStyle::Windows && !option.windows.empty();
    for (const auto& [name, separator] :
         {std::pair{option.unix, '='}, std::pair{windows ? option.windows : "", ':'}}) {
      if (name.empty()) {
        continue;
      }
      const bool exact = separator == '=' ? argument == name : SameIgnoringCase(argument, name);
      const std::string_view head = argument.substr(0, name.size());
      if (exact) {
        return std::pair{&option, std::nullopt};
      }
      if ((option.takes == Takes::Printer || option.takes == Takes::Copies) &&
          argument.size() > name.size() && argument[name.size()] == separator &&
          (separator == '=' ? head == name : SameIgnoringCase(head, name))) {
        return std::pair{&option, argument.substr(name.size() + 1)};
      }
    }
  }
  return std::nullopt;
}

// 1 to 999, written as plain digits.
std::optional<int> Copies(std::string_view text) {
  int copies = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), copies);
  if (error != std::errc() || end != text.data() + text.size() || text.front() == '+' ||
      copies < 1 || copies > 999) {
    return std::nullopt;
  }
  return copies;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> arguments, OptionStyle style) {
  CommandLine line;
  const auto misuse = [&line](std::string why) {
    line.command = Command::Misuse;
    line.problem = std::move(why);
    return line;
  };
  std::optional<Command> chosen;  // --settings or --version
  std::string_view chosenBy;
  std::string_view printBy;  // the first argument that makes this a print of a picture or choice
  bool help = false;
  bool options = true;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (options && argument == "--") {
      options = false;
      continue;
    }
    const auto option = options ? Recognise(argument, style) : std::nullopt;
    if (!option) {
      const bool file = !options || argument == "-" ||
                        (!argument.empty() && argument.front() != '-' &&
                         !(style == OptionStyle::Windows && argument.front() == '/'));
      if (!file) {
        return misuse("unknown option \"" + std::string(argument) + "\"");
      }
      if (!line.picture.empty()) {
        return misuse("one picture at a time: \"" + line.picture + "\" and \"" +
                      std::string(argument) + "\"");
      }
      line.picture = argument;
      printBy = printBy.empty() ? argument : printBy;
      continue;
    }
    const auto& [known, attached] = *option;
    std::optional<std::string_view> value = attached;
    if (known->takes == Takes::Printer || known->takes == Takes::Copies) {
      if (!value && i + 1 < arguments.size()) {
        value = arguments[++i];
      }
      if (!value || value->empty()) {
        return misuse(std::string(argument) + " needs a value");
      }
    }
    switch (known->takes) {
      case Takes::Command:
        if (known->command == Command::Help) {
          help = true;
        } else if (chosen && *chosen != known->command) {
          return misuse(std::string(chosenBy) + " and " + std::string(argument) +
                        " cannot go together");
        } else {
          chosen = known->command;
          chosenBy = argument;
        }
        continue;
      case Takes::Printer:
        line.choices.printer = *value;
        break;
      case Takes::Copies:
        if (const std::optional<int> copies = Copies(*value)) {
          line.choices.copies = *copies;
        } else {
          return misuse("copies are a number from 1 to 999, not \"" + std::string(*value) + "\"");
        }
        break;
      case Takes::Grey:
        line.choices.monochrome = true;
        break;
      case Takes::Long:
        line.acrossPages = true;
        break;
      case Takes::Light:
        line.light = true;
        break;
      case Takes::Stamp:
        line.stamp = true;
        break;
    }
    printBy = printBy.empty() ? argument : printBy;
  }
  if (help) {
    line.command = Command::Help;
  } else if (chosen && !printBy.empty()) {
    return misuse(std::string(chosenBy) + " and " + std::string(printBy) + " cannot go together");
  } else {
    line.command = chosen.value_or(Command::Print);
  }
  return line;
}

std::string UsageText(OptionStyle style) {
  const bool windows = style == OptionStyle::Windows;
  std::string text = std::string("Usage: ") + (windows ? "mirablot.exe" : "mirablot") +
                     " [--printer NAME] [--copies N] [--grey] [--long] [--light]\n"
                     "       [--stamp] [FILE | -]\n"
                     "       " +
                     (windows ? "mirablot.exe" : "mirablot") + " --settings | --help | --version\n";
  text +=
      "Prints the picture on the clipboard, or in FILE, or arriving on standard input (-), on\n"
      "the default printer, without showing a window. When that fails (text on the clipboard,\n"
      "say), it asks whether to open its settings.\n"
      "\n"
      "  -d, --printer NAME  print on this printer for this run\n"
      "  -n, --copies N      N copies, 1 to 999\n"
      "  --grey, --gray      grey instead of colour\n"
      "  --long              a picture taller than a page (a scrolling capture) at the width\n"
      "                      the settings give it, across as many pages as it needs\n"
      "  --light             a dark picture (more than half its pixels darker than mid\n"
      "                      lightness) printed light: its background as white paper, light\n"
      "                      text dark, colours keeping their hue; any other as it is\n"
      "  --stamp             the date and time of printing at the foot of every page (and\n"
      "                      with --long, the page's number), below the picture\n"
      "  --                  the options end; a file's name may start with a dash\n"
      "  --settings          open the settings window at once: nothing is read or printed\n"
      "  -h, --help          show this text\n"
      "  --version           show the version\n";
  if (windows) {
    text +=
        "  (also /printer:NAME, /copies:N, /grey, /long, /light, /stamp, /settings, /help, /?\n"
        "  and /version)\n";
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
        "Printer: the Windows default printer, unless --printer names another.\n";
  } else {
    text +=
        "Settings: $XDG_CONFIG_HOME/Quillery/Quillery.conf (normally "
        "~/.config/Quillery/Quillery.conf)\n"
        "Printer: the default CUPS destination; --printer, or PRINTER or LPDEST as with lp,\n"
        "choose another for one run (an lpoptions instance too: --printer Photo/grey)\n";
  }
  return text;
}

}  // namespace mirablot
