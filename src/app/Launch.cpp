// SPDX-License-Identifier: MIT
#include "Launch.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "core/Error.h"
#include "core/ProgramIdentity.h"
#include "forms/ErrorHandling.h"
#include "forms/PictureHolder.h"
#include "frmMain.h"
#include "settings/SettingsStore.h"
#include "ui/frmSetting.h"

namespace mirablot {
namespace {
// The start-up window's image holder starts at its design size.
constexpr float kImgDesignSize = 15;

}  // namespace

std::string LocalTimeStamp(std::time_t when) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return {text, length};
}

CommandLineAnswer AnswerCommandLine(int argc, char* argv[], OptionStyle style) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const CommandLine line = ParseCommandLine(arguments, style);
  switch (line.command) {
    case Command::Print:
      return {.mode = LaunchMode::Print,
              .picture = line.picture,
              .choices = line.choices,
              .acrossPages = line.acrossPages,
              .light = line.light,
              .stamp = line.stamp};
    case Command::Settings:
      return {.mode = LaunchMode::Settings};
    case Command::Help:
      std::fputs(UsageText(style).c_str(), stdout);
      return {.exitStatus = 0};
    case Command::Version:
      std::printf("%s %s\n%s\n", kProductName.data(), kProductVersion.data(),
                  kFileDescription.data());
      return {.exitStatus = 0};
    case Command::Misuse:
      break;
  }
  std::fprintf(stderr, "mirablot: %s\n\n%s", line.problem.c_str(), UsageText(style).c_str());
  return {.exitStatus = kExitUsage};
}

int Launch(const LaunchPlatform& platform, const CommandLineAnswer& answer) {
  SettingsStore settings(platform.settings);
  if (answer.mode == LaunchMode::Settings) {
    frmSetting window(settings, platform.printer, platform.windowing);
    platform.windowing.Show(window);
    // Not loaded: its window could not be made, which the windowing layer has reported.
    return platform.hasLoadedWindows() ? platform.runEventLoop() : kExitNotPrinted;
  }
  PictureHolder img(platform.screen, kImgDesignSize, kImgDesignSize);
  frmMain form(
      {platform.printer, platform.clipboard, platform.screen, settings, platform.windowing,
       answer.choices, answer.acrossPages ? print::Flow::AcrossPages : print::Flow::OnePage,
       answer.stamp ? LocalTimeStamp(std::time(nullptr)) : ""},
      img);
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
