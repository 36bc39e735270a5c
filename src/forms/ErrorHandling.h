// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

#include "core/Error.h"
#include "ports/Windowing.h"

namespace mirablot {

/// Runs one step of a handler that goes on whatever its steps run into: an Error the step
/// raises is dropped and the caller carries on with its next step.
template <typename Step>
void IgnoringErrors(Step&& step) {
  try {
    std::forward<Step>(step)();
  } catch (const Error&) {
    // Skipped on purpose; see the caller.
  }
}

/// The exception being handled, as an Error: the program's own as it is, running out of memory
/// as error 7, anything else as error 51 with what it says. Only for use inside a catch block.
[[nodiscard]] Error CurrentError();

/// What the windowing layer does with an error no handler caught: it says so in a box.
inline void ReportUnhandledError(Windowing& windowing, const Error& error) {
  IgnoringErrors([&] {
    static_cast<void>(windowing.MsgBox({std::string(kErrorBoxTitle),
                                        ErrorReport(error.Number(), error.Description()),
                                        MsgBoxButtons::Ok, MsgBoxDefault::First}));
  });
}

/// Runs a step of the user's input in a window: an error no handler caught is reported in a box
/// and ends the program. Nothing is let through to the toolkit that called: an exception
/// crossing Qt's or Windows' own code would be undefined behaviour.
template <typename Input>
void HandleUserInput(Windowing& windowing, Input&& input) noexcept {
  try {
    std::forward<Input>(input)();
  } catch (...) {
    ReportUnhandledError(windowing, CurrentError());
    IgnoringErrors([&windowing] { windowing.End(); });
  }
}

}  // namespace mirablot
