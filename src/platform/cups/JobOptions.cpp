// SPDX-License-Identifier: MIT
#include "JobOptions.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string_view>

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

}  // namespace

bool IsLayoutOption(const std::string& name) {
  return std::any_of(std::begin(kLayoutOptions), std::end(kLayoutOptions),
                     [&name](std::string_view layout) { return SameName(name, layout); });
}

std::vector<JobOption> JobOptions(const std::vector<JobOption>& destination,
                                  const std::string& media, bool landscapePage) {
  std::vector<JobOption> options;
  std::copy_if(destination.begin(), destination.end(), std::back_inserter(options),
               [](const JobOption& option) { return !IsLayoutOption(option.name); });
  // print-scaling=none is what pdftopdf takes as "the page as it stands"; fit-to-page is its
  // older name, which other filters read. IPP orientation-requested 3 is portrait, 4 landscape.
  options.insert(options.end(), {{"media", media},
                                 {"print-scaling", "none"},
                                 {"fit-to-page", "false"},
                                 {"number-up", "1"},
                                 {"page-border", "none"},
                                 {"orientation-requested", landscapePage ? "4" : "3"}});
  return options;
}

}  // namespace mirablot::cups
