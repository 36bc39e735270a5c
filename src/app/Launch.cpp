// SPDX-License-Identifier: MIT
#include "Launch.h"

#include <cstdio>
#include <string_view>

#include "app/frmMain.h"
#include "platform/Error.h"
#include "platform/ErrorHandling.h"
#include "platform/PictureHolder.h"
#include "platform/ProgramIdentity.h"
#include "settings/SettingsStore.h"

namespace mirablot {
namespace {
// The start-up window's image holder starts at its design size.
constexpr float kImgDesignSize = 15;
}  // namespace

bool AnswerVersionRequest(int argc, char* argv[]) {
  if (argc != 2 || std::string_view(argv[1]) != "--version") {
    return false;
  }
  std::printf("%s %s\n%s\n", kProductName.data(), kProductVersion.data(), kFileDescription.data());
  return true;
}

int Launch(const LaunchPlatform& platform) {
  SettingsStore settings(platform.settings);
  PictureHolder img(platform.screen, kImgDesignSize, kImgDesignSize);
  frmMain form(
      {platform.printer, platform.clipboard, platform.screen, settings, platform.windowing}, img);
  try {
    form.Form_Load();
  } catch (const Error& error) {
    // Only parking the window can get here: the print job handles its own errors.
    ReportUnhandledError(platform.windowing, error);
    return kExitNotPrinted;
  }
  if (platform.hasLoadedWindows()) {
    return platform.runEventLoop();
  }
  return form.Printed() ? kExitPrinted : kExitNotPrinted;
}

}  // namespace mirablot
