// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "settings/SettingsStore.h"
#include "ui/frmSetting.h"

namespace mirablot::testing {

/// A settings window on fakes: an in-memory store, a portrait A4 printer and a windowing layer
/// that records what it was asked, all logging to one CallLog.
class SettingsWindowFixture : public ::testing::Test {
 protected:
  /// The keys in the order OK stores them.
  static constexpr const char* kKeys[] = {"Orientation", "Zoom",   "PositionH", "PositionV",
                                          "Space0",      "Space1", "SpaceMM"};

  /// Every key as OK would have stored it.
  void StoreAll(const std::array<const char*, 7>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      m_backend.values[kKeys[i]] = values[i];
    }
  }

  fake::CallLog m_log;
  fake::FakeSettingsBackend m_backend{m_log};
  SettingsStore m_store{m_backend};
  fake::FakePrinter m_printer{m_log};
  fake::FakeWindowing m_windowing{m_log};
  frmSetting m_form{m_store, m_printer, m_windowing};
};

}  // namespace mirablot::testing
