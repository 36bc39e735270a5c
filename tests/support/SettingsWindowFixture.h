// SPDX-License-Identifier: MIT
#pragma once

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "fakes/Fakes.h"
#include "settings/SettingsStore.h"
#include "ui/frmSetting.h"

namespace mirablot::testing {

/// A settings window on fakes: an in-memory store, a portrait A4 printer and a windowing layer
/// that records what it was asked, all logging to one CallLog.
class SettingsWindowFixture : public ::testing::Test {
 protected:
  /// Stores only these "Orientation,Zoom,PositionH,PositionV,Space0,Space1,SpaceMM" values (the
  /// order OK stores them in), as many as given.
  void Store(const std::string& stored) {
    m_backend.values.clear();
    std::istringstream fields(stored);
    std::string text;
    for (const char* key :
         {"Orientation", "Zoom", "PositionH", "PositionV", "Space0", "Space1", "SpaceMM"}) {
      if (std::getline(fields, text, ',')) {
        m_backend.values[key] = text;
      }
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
