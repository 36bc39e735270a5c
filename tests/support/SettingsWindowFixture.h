// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

#include <gtest/gtest.h>

#include "fakes/FakePrinter.h"
#include "fakes/FakeSettingsBackend.h"
#include "fakes/FakeWindowing.h"
#include "settings/SettingsStore.h"
#include "ui/frmSetting.h"

namespace mirablot::testing {

/// A settings window on fakes: an in-memory store, a portrait A4 printer and a windowing layer
/// that records what it was asked, all logging to one CallLog.
class SettingsWindowFixture : public ::testing::Test {
 protected:
  void Store(std::string_view key, std::string_view value) {
    m_backend.Put("Quillery", "Startup", key, value);
  }

  // Every key as OK would have stored it.
  void StoreAll(const char* orientation, const char* zoom, const char* h, const char* v,
                const char* space0, const char* space1, const char* millimetres) {
    Store("Orientation", orientation);
    Store("Zoom", zoom);
    Store("PositionH", h);
    Store("PositionV", v);
    Store("Space0", space0);
    Store("Space1", space1);
    Store("SpaceMM", millimetres);
  }

  fake::CallLog m_log;
  fake::FakeSettingsBackend m_backend{m_log};
  SettingsStore m_store{m_backend};
  fake::FakePrinter m_printer{m_log, 11900, 16840};
  fake::FakeWindowing m_windowing{m_log};
  frmSetting m_form{m_store, m_printer, m_windowing};
};

}  // namespace mirablot::testing
