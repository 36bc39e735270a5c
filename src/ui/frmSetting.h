// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "forms/Controls.h"
#include "forms/Form.h"
#include "ports/SettingsBackend.h"

namespace mirablot {

class PrinterDevice;
class SettingsStore;
class Windowing;

/// The settings window: edits the seven stored settings with a schematic preview of the
/// sheet and the printed area, stores them on OK and ends the program when it closes.
class frmSetting final : public Form {
 public:
  frmSetting(SettingsStore& settings, PrinterDevice& printer, Windowing& windowing);

  [[nodiscard]] std::string_view Name() const override { return "frmSetting"; }
  /// Loads the stored settings into the controls; falls back silently to defaults.
  void Form_Load() override;
  /// Closing the window ends the program.
  void Form_Unload(std::int16_t& cancel) override;

  // The controls under their design names; an array index out of range is an Error.
  [[nodiscard]] GroupBox& Frame(std::int16_t index);
  [[nodiscard]] OptionButton& optOrientation(std::int16_t index);
  [[nodiscard]] ComboBox& cmbH() { return m_cmbH; }
  [[nodiscard]] ComboBox& cmbV() { return m_cmbV; }
  [[nodiscard]] CheckBox& chkSpace(std::int16_t index);
  [[nodiscard]] TextBox& txtSpace() { return m_txtSpace; }
  [[nodiscard]] CheckBox& chkZoom() { return m_chkZoom; }
  [[nodiscard]] CommandButton& cmdAct(std::int16_t index);
  [[nodiscard]] ImageBox& Imgp(std::int16_t index);

  /// Places the preview's sheet and printed area for the current choices. Never fails: an
  /// assignment that is refused is skipped.
  void RefreshPreview();

 private:
  struct Axis;

  void LoadFallback();
  void optOrientation_Click(std::int16_t index);
  void cmbH_Click();
  void cmbV_Click();
  void chkSpace_Click(std::int16_t index);
  void txtSpace_Change();
  void cmdAct_Click(std::int16_t index);
  void AlignBlock(const Axis& axis, std::int16_t listIndex);
  void ApplyMargin(const Axis& axis);
  [[nodiscard]] SettingEntries EditedSettings();
  [[nodiscard]] std::string Setting(std::string_view key, std::string_view defaultValue = {});

  SettingsStore& m_settings;
  PrinterDevice& m_printer;
  Windowing& m_windowing;

  // Declared, and so built, in this order: group boxes before what they hold.
  std::array<GroupBox, 3> m_frames;
  OptionGroup m_orientationGroup;
  std::array<OptionButton, 3> m_optOrientation;
  ComboBox m_cmbH;
  ComboBox m_cmbV;
  std::array<CheckBox, 2> m_chkSpace;
  TextBox m_txtSpace;
  CheckBox m_chkZoom;
  std::array<CommandButton, 2> m_cmdAct;
  std::array<ImageBox, 2> m_imgp;
};

}  // namespace mirablot
