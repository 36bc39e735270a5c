// SPDX-License-Identifier: MIT
#include "JobOptions.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>

#include <cups/cups.h>

namespace mirablot::cups {
namespace {

// Read by cups-filters' pdftopdf (1.28 and libcupsfilters 2.x), the PostScript filters and
// IPP printers. "landscape" and "fitplot" are legacy names that pdftopdf still prefers to the
// IPP ones when given.
constexpr std::string_view kLayoutOptions[] = {
    "booklet",       "crop-to-fit",      "fill",
    "fit-to-page",   "fitplot",          "landscape",
    "media",         "media-col",        "media-size",
    "MediaSize",     "mirror",           "natural-scaling",
    "number-up",     "number-up-layout", "orientation-requested",
    "page-border",   "page-bottom",      "page-left",
    "page-ranges",   "page-right",       "page-set",
    "page-size",     "page-top",         "PageRegion",
    "PageSize",      "position",         "ppi",
    "print-scaling", "scaling"};

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The PWG name of a paper size in any of the forms lp takes, or nothing.
std::optional<std::string> SizeNamed(const std::string& name) {
  const pwg_media_t* pwg = pwgMediaForPWG(name.c_str());
  if (pwg == nullptr) {
    pwg = pwgMediaForPPD(name.c_str());
  }
  if (pwg == nullptr) {
    pwg = pwgMediaForLegacy(name.c_str());
  }
  // libcups makes a size of any name that ends like a self-describing one
  // ("iso_a5<junk>_148x210mm"), under a name it cannot read back: not a paper lp would name.
  if (pwg == nullptr || pwg->pwg == nullptr) {
    return std::nullopt;
  }
  const std::string named = pwg->pwg;
  return pwgMediaForPWG(named.c_str()) != nullptr ? std::optional<std::string>(named)
                                                  : std::nullopt;
}

const JobOption* Find(const std::vector<JobOption>& options, std::string_view name) {
  const auto found = std::find_if(options.begin(), options.end(),
                                  [name](const JobOption& option) { return option.name == name; });
  return found != options.end() ? &*found : nullptr;
}

}  // namespace

ChosenMedia ChooseMedia(const std::vector<JobOption>& destination) {
  ChosenMedia chosen;
  if (const JobOption* media = Find(destination, "media")) {
    chosen.media = media->value;
    std::istringstream parts(media->value);
    for (std::string part; chosen.size.empty() && std::getline(parts, part, ',');) {
      chosen.size = SizeNamed(part).value_or("");
    }
  }
  for (const char* name : {"PageSize", "PageRegion"}) {
    const JobOption* option = Find(destination, name);
    if (chosen.size.empty() && option != nullptr) {
      chosen.size = SizeNamed(option->value).value_or("");
    }
  }
  return chosen;
}

bool IsLayoutOption(const std::string& name) {
  return std::any_of(std::begin(kLayoutOptions), std::end(kLayoutOptions),
                     [&name](std::string_view layout) { return SameName(name, layout); });
}

std::vector<JobOption> JobOptions(const std::vector<JobOption>& destination,
                                  const std::string& media, bool landscapePage,
                                  const PrintChoices& choices) {
  // A choice of the run's stands instead of the destination's options for the same thing.
  const auto chosen = [&choices](const JobOption& option) {
    return (choices.copies > 0 && option.name == "copies") ||
           (choices.monochrome &&
            (option.name == "print-color-mode" || SameName(option.name, "ColorModel")));
  };
  std::vector<JobOption> options;
  std::copy_if(destination.begin(), destination.end(), std::back_inserter(options),
               [&chosen](const JobOption& option) {
                 return !IsLayoutOption(option.name) && !chosen(option);
               });
  // print-scaling=none is what pdftopdf takes as "the page as it stands"; fit-to-page is its
  // older name, which other filters read. IPP orientation-requested 3 is portrait, 4 landscape.
  options.insert(options.end(), {{"media", media},
                                 {"print-scaling", "none"},
                                 {"fit-to-page", "false"},
                                 {"number-up", "1"},
                                 {"page-border", "none"},
                                 {"orientation-requested", landscapePage ? "4" : "3"}});
  if (choices.copies > 0) {
    options.push_back({"copies", std::to_string(choices.copies)});
  }
  if (choices.monochrome) {
    options.push_back({"print-color-mode", "monochrome"});
  }
  return options;
}

}  // namespace mirablot::cups
