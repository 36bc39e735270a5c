// SPDX-License-Identifier: MIT
#include "ToolkitModule.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#include <utility>

#include "forms/Form.h"
#include "forms/WindowingLayer.h"
#include "ports/ScreenMetrics.h"

namespace mirablot::posix {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The folder of the running program.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) {
    return ".";
  }
  const std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.rfind('/'));
}

[[noreturn]] void ExitUnloadable(const std::string& why) {
  std::fprintf(stderr, "mirablot: cannot load its window module: %s\n", why.c_str());
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace

void ExitNoDisplay(const std::string& reason, int status) {
  std::string why = reason;
  if (why.empty()) {
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    const std::string x11 = Environment("DISPLAY");
    if (!wayland.empty()) {
      why = "cannot connect to Wayland display \"" + wayland + "\"";
    }
    if (!x11.empty()) {
      why += (why.empty() ? "" : " or ");
      why += "cannot connect to X display \"" + x11 + "\"";
    }
    if (why.empty()) {
      why = "neither WAYLAND_DISPLAY nor DISPLAY is set";
    }
  }
  std::fprintf(stderr, "mirablot: no display: %s; start Mirablot from a desktop session\n",
               why.c_str());
  std::fflush(nullptr);
  std::_Exit(status);
}

ToolkitModule::ToolkitModule(qt::Toolkit::Options options) : m_options(std::move(options)) {}

// The module stays mapped to the end: Qt does not unload.
ToolkitModule::~ToolkitModule() = default;

qt::Toolkit& ToolkitModule::Get() {
  if (m_toolkit) {
    return *m_toolkit;
  }
  // Beside the program in the build tree; in its library folder once installed.
  const std::string folder = ProgramFolder();
  void* handle = nullptr;
  std::string why;
  for (const std::string& path : {folder + "/" MIRABLOT_MODULE_NAME,
                                  folder + "/" MIRABLOT_MODULE_FOLDER "/" MIRABLOT_MODULE_NAME}) {
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle != nullptr) {
      break;
    }
    why += (why.empty() ? "" : "; ") + std::string(::dlerror());
  }
  if (handle == nullptr) {
    ExitUnloadable(why);
  }
  const auto entry = reinterpret_cast<qt::ToolkitEntry>(::dlsym(handle, qt::kToolkitEntry));
  if (entry == nullptr) {
    ExitUnloadable(::dlerror());
  }
  m_toolkit.reset(entry(m_options));
  return *m_toolkit;
}

int ToolkitModule::Finish(int status) {
  return m_toolkit ? m_toolkit->Finish(status) : status;
}

MsgBoxResult ModuleWindowing::MsgBox(const MessageBoxRequest& request) {
  return m_module.Get().Windowing().MsgBox(request);
}

void ModuleWindowing::Show(Form& form) {
  m_module.Get().Windowing().Show(form);
}

void ModuleWindowing::Unload(Form& form) {
  if (m_module.Loaded()) {
    m_module.Get().Windowing().Unload(form);
    return;
  }
  // Never shown, so no window to take down: only its handler runs.
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
}

void ModuleWindowing::End() {
  m_module.Get().Windowing().End();
}

bool ModuleWindowing::HasLoadedWindows() const {
  return m_module.Loaded() && m_module.Get().Windowing().HasLoadedWindows();
}

double ModuleScreen::Width() {
  return m_module.Get().Screen().Width();
}

double ModuleScreen::Height() {
  return m_module.Get().Screen().Height();
}

double ModuleScreen::TwipsPerPixelX() {
  return m_module.Get().Screen().TwipsPerPixelX();
}

double ModuleScreen::TwipsPerPixelY() {
  return m_module.Get().Screen().TwipsPerPixelY();
}

Picture ModuleClipboard::FetchBitmap() {
  return m_module.Get().Clipboard().FetchBitmap();
}

}  // namespace mirablot::posix
