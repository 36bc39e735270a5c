// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>

#include "CallLog.h"
#include "ports/ClipboardSource.h"

namespace mirablot::fake {

/// A clipboard holding one picture, or the empty picture when it holds text.
class FakeClipboard final : public ClipboardSource {
 public:
  explicit FakeClipboard(CallLog& log) : m_log(log) {}

  void Hold(Picture picture) { m_picture = std::move(picture); }

  [[nodiscard]] Picture FetchBitmap() override {
    m_log.Add("Clipboard.FetchBitmap");
    return m_picture;
  }

 private:
  CallLog& m_log;
  Picture m_picture;
};

}  // namespace mirablot::fake
