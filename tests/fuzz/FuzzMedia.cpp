// SPDX-License-Identifier: MIT
// A destination's options as a user's lpoptions may hold them, one "name=value" a line: the
// paper chosen is one libcups names, the user's media value travels unchanged, and the job
// carries each layout option once, its own, whatever the destination said.
#include <cstddef>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>

#include <cups/cups.h>

#include "FuzzCheck.h"
#include "platform/cups/JobOptions.h"

using mirablot::fuzz::Check;
namespace cups = mirablot::cups;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<cups::JobOption> destination;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) {
      destination.push_back({line.substr(0, equals), line.substr(equals + 1)});
    }
  }
  const cups::ChosenMedia chosen = cups::ChooseMedia(destination);
  Check(chosen.size.empty() || pwgMediaForPWG(chosen.size.c_str()) != nullptr,
        "a paper chosen that libcups does not name");
  for (const cups::JobOption& option : destination) {
    if (option.name == "media") {
      Check(chosen.media == option.value, "the user's media did not travel as it was");
      break;
    }
  }
  std::map<std::string, int> layout;
  for (const cups::JobOption& option : cups::JobOptions(
           destination, chosen.size.empty() ? "iso_a4_210x297mm" : chosen.size, size % 2 == 1)) {
    if (cups::IsLayoutOption(option.name)) {
      Check(++layout[option.name] == 1, "a layout option twice in one job");
    }
  }
  Check(layout.size() == 6, "the job does not state its own layout");
  return 0;
}
