// SPDX-License-Identifier: MIT
// The CUPS printer without a scheduler, and what its jobs tell CUPS: the destination's device
// choices, and never a layout default.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "platform/cups/CupsPrinter.h"
#include "platform/cups/JobOptions.h"

namespace mirablot::cups {
namespace {

using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

// The options cupsGetNamedDest gave for a queue with layout defaults and a user's lpoptions.
const std::vector<JobOption> kDestination{
    {"copies", "1"},
    {"print-color-mode", "monochrome"},
    {"print-quality", "5"},
    {"media-source", "tray-2"},
    {"media-type", "photographic-glossy"},
    {"sides", "two-sided-long-edge"},
    {"printer-resolution", "600dpi"},
    {"finishings", "3"},
    {"number-up", "2"},
    {"orientation-requested", "4"},
    {"page-border", "double"},
    {"fit-to-page", "true"},
    {"print-scaling", "fit"},
    {"media", "na_letter_8.5x11in"},
    {"PageSize", "Letter"},
    {"Landscape", "true"},
    {"position", "center"},
    {"page-ranges", "2"},
};

TEST(JobOptions, DeviceChoicesTravelAndTheLayoutIsOurOwn) {
  EXPECT_THAT(
      JobOptions(kDestination, "iso_a4_210x297mm", false),
      ElementsAre(JobOption{"copies", "1"}, JobOption{"print-color-mode", "monochrome"},
                  JobOption{"print-quality", "5"}, JobOption{"media-source", "tray-2"},
                  JobOption{"media-type", "photographic-glossy"},
                  JobOption{"sides", "two-sided-long-edge"},
                  JobOption{"printer-resolution", "600dpi"}, JobOption{"finishings", "3"},
                  JobOption{"media", "iso_a4_210x297mm"}, JobOption{"print-scaling", "none"},
                  JobOption{"fit-to-page", "false"}, JobOption{"number-up", "1"},
                  JobOption{"page-border", "none"}, JobOption{"orientation-requested", "3"}));
}

TEST(JobOptions, TheRunsCopiesAndGreyStandInsteadOfTheDestinations) {
  EXPECT_THAT(JobOptions({{"copies", "2"},
                          {"print-color-mode", "color"},
                          {"ColorModel", "RGB"},
                          {"sides", "two-sided-long-edge"}},
                         "iso_a4_210x297mm", false, {"", 3, true}),
              ::testing::AllOf(
                  ::testing::Contains(JobOption{"copies", "3"}),
                  ::testing::Contains(JobOption{"print-color-mode", "monochrome"}),
                  ::testing::Contains(JobOption{"sides", "two-sided-long-edge"}),
                  ::testing::Not(::testing::Contains(JobOption{"copies", "2"})),
                  ::testing::Not(::testing::Contains(JobOption{"ColorModel", "RGB"})),
                  ::testing::Not(::testing::Contains(JobOption{"print-color-mode", "color"}))));
}

TEST(JobOptions, ALandscapePageSaysLandscapeWhateverTheDefault) {
  EXPECT_THAT(JobOptions({{"orientation-requested", "3"}}, "iso_a4_210x297mm", true),
              IsSupersetOf({JobOption{"orientation-requested", "4"}}));
  EXPECT_THAT(JobOptions({{"orientation-requested", "4"}}, "iso_a4_210x297mm", true),
              ::testing::Not(::testing::Contains(JobOption{"orientation-requested", "3"})));
}

TEST(JobOptions, ThePaperChosenIsFoundInEveryFormLpTakes) {
  for (const auto& [options, size] :
       std::initializer_list<std::pair<std::vector<JobOption>, const char*>>{
           {{{"media", "A5"}}, "iso_a5_148x210mm"},
           {{{"media", "Letter"}}, "na_letter_8.5x11in"},
           {{{"media", "A5,Tray2"}}, "iso_a5_148x210mm"},
           {{{"media", "tray-2,iso_a5_148x210mm,photographic"}}, "iso_a5_148x210mm"},
           {{{"media", "iso-a5"}}, "iso_a5_148x210mm"},
           {{{"PageSize", "A5"}}, "iso_a5_148x210mm"},
           {{{"PageRegion", "Letter"}, {"copies", "2"}}, "na_letter_8.5x11in"},
           {{{"media", "Tray2"}, {"PageSize", "A5"}}, "iso_a5_148x210mm"},
           {{{"media", "Tray2"}}, ""},
           {{{"copies", "2"}}, ""},
       }) {
    const ChosenMedia chosen = ChooseMedia(options);
    EXPECT_EQ(chosen.size, size) << options.front().value;
    EXPECT_EQ(chosen.media, options.front().name == "media" ? options.front().value : "");
  }
}

TEST(CupsPrinter, NoSchedulerIsNoPrinterAndNothingToAbort) {
  // A port of our own that nobody listens on: CUPS has no destination to offer.
  const int held = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(held, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::getsockname(held, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ::setenv("CUPS_SERVER", ("localhost:" + std::to_string(ntohs(address.sin_port))).c_str(), 1);
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
  ::close(held);
}

TEST(CupsPrinter, LandscapeMarginsTurnWithThePage) {
  // Sheet margins left 1, top 2, right 3, bottom 4: the landscape page's left edge is the
  // sheet's bottom edge, its top edge the sheet's left edge.
  EXPECT_EQ(LandscapeMargins({1, 2, 3, 4}), (Margins{4, 1, 2, 3}));
}

}  // namespace
}  // namespace mirablot::cups
