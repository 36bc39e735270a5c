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

/// What the windowing layer does with an error no handler caught: it says so in a box.
inline void ReportUnhandledError(Windowing& windowing, const Error& error) {
  IgnoringErrors([&] {
    static_cast<void>(windowing.MsgBox({std::string(kErrorBoxTitle),
                                        ErrorReport(error.Number(), error.Description()),
                                        MsgBoxButtons::Ok, MsgBoxDefault::First}));
  });
}

/// Runs a step of the user's input in a window: an error no handler caught is reported in a box
/// and ends the program.
template <typename Input>
void HandleUserInput(Windowing& windowing, Input&& input) {
  try {
    std::forward<Input>(input)();
  } catch (const Error& error) {
    ReportUnhandledError(windowing, error);
    windowing.End();
  }
}

}  // namespace mirablot
