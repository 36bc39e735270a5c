// SPDX-License-Identifier: MIT
// The CUPS printer without a scheduler, and what its jobs tell CUPS: the destination's device
// choices, and never a layout default.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "platform/cups/CupsPrinter.h"
#include "platform/cups/JobOptions.h"

namespace mirablot::cups {
namespace {

// Options written "name=value name=value".
std::vector<JobOption> Options(const std::string& text) {
  std::istringstream words(text);
  std::vector<JobOption> options;
  for (std::string word; words >> word;) {
    options.push_back({word.substr(0, word.find('=')), word.substr(word.find('=') + 1)});
  }
  return options;
}

std::string Text(const std::vector<JobOption>& options) {
  std::string text;
  for (const auto& [name, value] : options) {
    text.append(text.empty() ? "" : " ").append(name).append("=").append(value);
  }
  return text;
}

TEST(JobOptions, DeviceChoicesTravelTheLayoutIsOurOwnAndTheRunsChoicesStandInstead) {
  // What cupsGetNamedDest gave for a queue with layout defaults and a user's lpoptions.
  const std::vector<JobOption> destination = Options(
      "copies=1 print-color-mode=monochrome print-quality=5 media-source=tray-2 "
      "media-type=photographic-glossy sides=two-sided-long-edge printer-resolution=600dpi "
      "finishings=3 number-up=2 orientation-requested=4 page-border=double fit-to-page=true "
      "print-scaling=fit media=na_letter_8.5x11in PageSize=Letter Landscape=true "
      "position=center page-ranges=2");
  EXPECT_EQ(Text(JobOptions(destination, "iso_a4_210x297mm", false)),
            "copies=1 print-color-mode=monochrome print-quality=5 media-source=tray-2 "
            "media-type=photographic-glossy sides=two-sided-long-edge printer-resolution=600dpi "
            "finishings=3 media=iso_a4_210x297mm print-scaling=none fit-to-page=false "
            "number-up=1 page-border=none orientation-requested=3");
  EXPECT_EQ(Text(JobOptions(Options("copies=2 print-color-mode=color ColorModel=RGB "
                                    "sides=one-sided orientation-requested=3"),
                            "iso_a5_148x210mm", true, {"", 3, true})),
            "sides=one-sided media=iso_a5_148x210mm print-scaling=none fit-to-page=false "
            "number-up=1 page-border=none orientation-requested=4 copies=3 "
            "print-color-mode=monochrome");
}

TEST(JobOptions, ThePaperChosenIsFoundInEveryFormLpTakes) {
  for (const auto& [options, chosen] : {
           std::pair{"media=A5", "iso_a5_148x210mm (A5)"},
           {"media=Letter", "na_letter_8.5x11in (Letter)"},
           {"media=A5,Tray2", "iso_a5_148x210mm (A5,Tray2)"},
           {"media=tray-2,iso_a5_148x210mm,photographic",
            "iso_a5_148x210mm (tray-2,iso_a5_148x210mm,photographic)"},
           {"media=iso-a5", "iso_a5_148x210mm (iso-a5)"},
           {"PageSize=A5", "iso_a5_148x210mm ()"},
           {"PageRegion=Letter copies=2", "na_letter_8.5x11in ()"},
           {"media=Tray2 PageSize=A5", "iso_a5_148x210mm (Tray2)"},
           {"media=Tray2", " (Tray2)"},
           {"copies=2", " ()"},
       }) {
    const ChosenMedia media = ChooseMedia(Options(options));
    EXPECT_EQ(media.size + " (" + media.media + ")", chosen) << options;
  }
}

TEST(CupsPrinter, NoSchedulerIsNoPrinterAndNothingToAbort) {
  // A scheduler's socket that does not exist: CUPS has no destination to offer.
  ::setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);
  CupsPrinter printer;
  try {
    (void)printer.PageWidth();
    ADD_FAILURE() << "a page width without a printer";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), static_cast<int>(ErrorNumber::NoPrinter));
    EXPECT_THAT(error.Description(), ::testing::HasSubstr("既定のプリンターがありません"));
  }
  EXPECT_EQ(testing::ErrorOf([&] { printer.NewPage(); }), 484);
  EXPECT_EQ(testing::ErrorOf([&] { printer.AbortDocument(); }), 482);  // nothing open
  ::unsetenv("CUPS_SERVER");
}

TEST(CupsPrinter, LandscapeMarginsTurnWithThePage) {
  // Sheet margins left 1, top 2, right 3, bottom 4: the landscape page's left edge is the
  // sheet's bottom edge, its top edge the sheet's left edge.
  EXPECT_EQ(LandscapeMargins({1, 2, 3, 4}), (Margins{4, 1, 2, 3}));
}

}  // namespace
}  // namespace mirablot::cups
