// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "ports/PrinterDevice.h"

namespace mirablot::cups {

/// One option of a print job, by its CUPS name (as in lpoptions and `lp -o`).
struct JobOption {
  std::string name;
  std::string value;

  friend bool operator==(const JobOption&, const JobOption&) = default;
};

/// The paper the user chose among the destination's options (their lpoptions), as lp takes it:
/// the size `media` names (its value may also name a source and a type, comma-separated), else
/// the one PageSize or PageRegion names. Names may be PWG's (iso_a5_148x210mm), a PPD's (A5)
/// or IPP's older ones (iso-a5).
struct ChosenMedia {
  /// The PWG name of the chosen size; empty when the user chose none.
  std::string size;
  /// The user's `media` value, to travel with the job as it is; empty when they gave none.
  std::string media;
};
[[nodiscard]] ChosenMedia ChooseMedia(const std::vector<JobOption>& destination);

/// True for an option that changes where a page lands or how large it prints: scaling and
/// fitting, pages per sheet, borders, turning, position, mirroring, page selection, the paper
/// size. Mirablot's page is final, so none of these may come from a default.
[[nodiscard]] bool IsLayoutOption(const std::string& name);

/// The options a job of Mirablot carries. `destination` holds the destination's options as
/// libcups gives them (the user's lpoptions and the server's defaults, as `lp` sends them):
/// they travel on, so the user's device choices apply (colour mode, quality, paper source and
/// type, sides, resolution, finishing…), less every layout option. Then the job's own layout:
/// `media` (the medium the page was made for, with the source and type the user chose), no
/// scaling, one page a sheet, no border, and the page's own orientation (no turning by a
/// landscape default). The run's choices come last: its copies, and grey
/// (print-color-mode=monochrome), in place of the destination's.
[[nodiscard]] std::vector<JobOption> JobOptions(const std::vector<JobOption>& destination,
                                                const std::string& media, bool landscapePage,
                                                const PrintChoices& choices = {});

}  // namespace mirablot::cups
