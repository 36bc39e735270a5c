// SPDX-License-Identifier: MIT
#pragma once

#include "CallLog.h"
#include "forms/PictureHolder.h"

namespace mirablot::fake {

/// The real image holder, with every call recorded.
class FakeImageHolder final : public PictureHolder {
 public:
  FakeImageHolder(CallLog& log, ScreenMetrics& screen, float width, float height)
      : PictureHolder(screen, width, height), m_log(log) {}

  void SetPicture(Picture picture) override;
  [[nodiscard]] const Picture& GetPicture() override;
  [[nodiscard]] float Width() override;
  [[nodiscard]] float Height() override;
  void SetWidth(float width) override;
  void SetHeight(float height) override;
  void SetStretch(bool stretch) override;

 private:
  CallLog& m_log;
};

}  // namespace mirablot::fake
