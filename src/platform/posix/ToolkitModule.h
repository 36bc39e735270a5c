// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "platform/qt/Toolkit.h"
#include "ports/ClipboardSource.h"
#include "ports/ScreenMetrics.h"
#include "ports/Windowing.h"

namespace mirablot::posix {

/// Exit status when there is no display to run on.
inline constexpr int kExitNoDisplay = 2;
/// Exit status when the display that was there at the start went away: the run failed, as a
/// failed print does.
inline constexpr int kExitDisplayLost = 1;

/// Says in one line on stderr why there is no display to show a window on (`why`, else what
/// WAYLAND_DISPLAY and DISPLAY name) and exits with the status.
[[noreturn]] void ExitNoDisplay(const std::string& why = {}, int status = kExitNoDisplay);

/// The Qt module, loaded on first need from beside the program (the build tree) or from its
/// library folder (installed), and its toolkit.
class ToolkitModule {
 public:
  explicit ToolkitModule(qt::Toolkit::Options options);
  ToolkitModule(const ToolkitModule&) = delete;
  ToolkitModule& operator=(const ToolkitModule&) = delete;
  ~ToolkitModule();

  /// The toolkit, the module loaded first. A module that cannot be loaded ends the run with
  /// status 1, saying why on stderr: nothing else can show the user a thing.
  [[nodiscard]] qt::Toolkit& Get();
  [[nodiscard]] bool Loaded() const { return m_toolkit != nullptr; }
  /// Ends the run with the status, through the toolkit when it was loaded.
  [[nodiscard]] int Finish(int status);

 private:
  qt::Toolkit::Options m_options;
  std::unique_ptr<qt::Toolkit> m_toolkit;
};

/// Boxes and windows through the module, loaded when the first one shows. A form that never
/// showed unloads without it.
class ModuleWindowing final : public Windowing {
 public:
  explicit ModuleWindowing(ToolkitModule& module) : m_module(module) {}

  [[nodiscard]] MsgBoxResult MsgBox(const MessageBoxRequest& request) override;
  void Show(Form& form) override;
  void Unload(Form& form) override;
  void End() override;
  /// True while some form is loaded, so that the event loop has to run.
  [[nodiscard]] bool HasLoadedWindows() const;

 private:
  ToolkitModule& m_module;
};

/// Qt's screen, through the module.
class ModuleScreen final : public ScreenMetrics {
 public:
  explicit ModuleScreen(ToolkitModule& module) : m_module(module) {}

  [[nodiscard]] double Width() override;
  [[nodiscard]] double Height() override;
  [[nodiscard]] double TwipsPerPixelX() override;
  [[nodiscard]] double TwipsPerPixelY() override;

 private:
  ToolkitModule& m_module;
};

/// Qt's own clipboard, through the module.
class ModuleClipboard final : public ClipboardSource {
 public:
  explicit ModuleClipboard(ToolkitModule& module) : m_module(module) {}

  [[nodiscard]] Picture FetchBitmap() override;

 private:
  ToolkitModule& m_module;
};

}  // namespace mirablot::posix
