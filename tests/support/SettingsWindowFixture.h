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
  /// Every key as OK would have stored it: Orientation, Zoom, PositionH, PositionV, Space0,
  /// Space1, SpaceMM.
  void StoreAll(const std::array<const char*, 7>& values) {
    const char* keys[] = {"Orientation", "Zoom",   "PositionH", "PositionV",
                          "Space0",      "Space1", "SpaceMM"};
    for (std::size_t i = 0; i < values.size(); ++i) {
      m_backend.Put(keys[i], values[i]);
    }
  }

  fake::CallLog m_log;
  fake::FakeSettingsBackend m_backend{m_log};
  SettingsStore m_store{m_backend};
  fake::FakePrinter m_printer{m_log, 11900, 16840};
  fake::FakeWindowing m_windowing{m_log};
  frmSetting m_form{m_store, m_printer, m_windowing};
};

}  // namespace mirablot::testing
