// SPDX-License-Identifier: MIT
#include "frmSetting.h"

#include <optional>

#include "PreviewPictures.h"
#include "ProgramIcon.h"
#include "core/Conversions.h"
#include "core/Error.h"
#include "forms/ErrorHandling.h"
#include "ports/PrinterDevice.h"
#include "ports/Windowing.h"
#include "settings/SettingsStore.h"

namespace mirablot {
namespace {

template <typename Control, std::size_t N>
Control& Element(std::array<Control, N>& controls, std::int16_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) {
    throw Error(ErrorNumber::NoSuchControl);
  }
  return controls[static_cast<std::size_t>(index)];
}

// The preview sheet, by the orientation shown.
struct SheetPlace {
  float height;
  float width;
  float top;
  float left;
};
constexpr SheetPlace kLandscapeSheet{700, 1000, 600, 480};
constexpr SheetPlace kPortraitSheet{1000, 700, 480, 600};
// The printed area is this much narrower and shorter than the sheet ...
constexpr double kBlockInset = 180;
// ... and sits this far in from the sheet's left (top) edge for list index 0, 1 and 2.
constexpr std::array<double, 3> kBlockOffsets = {20, 90, 160};
// The preview draws a millimetre of margin as two twips.
constexpr double kPreviewTwipsPerMillimetre = 2;

constexpr std::string_view kSaveFailure = "設定を保存できませんでした。";

}  // namespace

// One direction of the preview: the extent and position of an image along it.
struct frmSetting::Axis {
  float (Control::*extent)() const;
  float (Control::*position)() const;
  void (ImageBox::*setExtent)(float);
  void (ImageBox::*setPosition)(float);
};

frmSetting::frmSetting(SettingsStore& settings, PrinterDevice& printer, Windowing& windowing)
    : Form({"Quillery", 4680, 2805, &ProgramIcon()}),
      m_settings(settings),
      m_printer(printer),
      m_windowing(windowing),
      m_frames{{
          GroupBox(*this, ControlDesign{.name = "Frame",
                                        .index = 0,
                                        .caption = "印刷方向",
                                        .left = 120,
                                        .top = 120,
                                        .width = 2535,
                                        .height = 615,
                                        .tabIndex = 11}),
          GroupBox(*this, ControlDesign{.name = "Frame",
                                        .index = 1,
                                        .caption = "印刷位置",
                                        .left = 120,
                                        .top = 960,
                                        .width = 2535,
                                        .height = 735,
                                        .tabIndex = 12}),
          GroupBox(*this, ControlDesign{.name = "Frame",
                                        .index = 2,
                                        .caption = "綴じ代",
                                        .left = 2880,
                                        .top = 120,
                                        .width = 1695,
                                        .height = 1575,
                                        .tabIndex = 13}),
      }},
      m_optOrientation{{
          OptionButton(*this, m_orientationGroup,
                       ControlDesign{.name = "optOrientation",
                                     .index = 0,
                                     .container = &m_frames[0],
                                     .caption = "縦",
                                     .left = 240,
                                     .top = 240,
                                     .width = 495,
                                     .height = 255,
                                     .tabIndex = 0}),
          OptionButton(*this, m_orientationGroup,
                       ControlDesign{.name = "optOrientation",
                                     .index = 1,
                                     .container = &m_frames[0],
                                     .caption = "横",
                                     .left = 960,
                                     .top = 240,
                                     .width = 495,
                                     .height = 255,
                                     .tabIndex = 1}),
          OptionButton(*this, m_orientationGroup,
                       ControlDesign{.name = "optOrientation",
                                     .index = 2,
                                     .container = &m_frames[0],
                                     .caption = "自動",
                                     .left = 1680,
                                     .top = 240,
                                     .width = 735,
                                     .height = 255,
                                     .tabIndex = 2}),
      }},
      m_cmbH(*this,
             ControlDesign{.name = "cmbH",
                           .container = &m_frames[1],
                           .left = 240,
                           .top = 240,
                           .width = 975,
                           .height = 300,
                           .tabIndex = 3},
             {"左 詰", "中 央", "右 詰"}),
      m_cmbV(*this,
             ControlDesign{.name = "cmbV",
                           .container = &m_frames[1],
                           .left = 1440,
                           .top = 240,
                           .width = 975,
                           .height = 300,
                           .tabIndex = 4},
             {"上 詰", "中 央", "下 詰"}),
      m_chkSpace{{
          CheckBox(*this, ControlDesign{.name = "chkSpace",
                                        .index = 0,
                                        .container = &m_frames[2],
                                        .caption = "Check1",
                                        .left = 120,
                                        .top = 840,
                                        .width = 255,
                                        .height = 300,
                                        .tabIndex = 5}),
          CheckBox(*this, ControlDesign{.name = "chkSpace",
                                        .index = 1,
                                        .container = &m_frames[2],
                                        .caption = "Check1",
                                        .left = 840,
                                        .top = 120,
                                        .width = 255,
                                        .height = 300,
                                        .tabIndex = 6}),
      }},
      // Up to five characters hold every margin the box keeps (0 to 32767). Disabled until a
      // margin box is checked; whole millimetres only, so no input method.
      m_txtSpace(*this,
                 ControlDesign{.name = "txtSpace",
                               .container = &m_frames[2],
                               .caption = "20",
                               .left = 200,
                               .top = 240,
                               .width = 320,
                               .height = 270,
                               .tabIndex = 7},
                 TextBoxStyle{.maxLength = 5,
                              .alignment = TextAlignment::Right,
                              .enabled = false,
                              .inputMethod = false}),
      m_chkZoom(*this, ControlDesign{.name = "chkZoom",
                                     .caption = "用紙に合わせて拡大・縮小",
                                     .left = 240,
                                     .top = 1920,
                                     .width = 2415,
                                     .height = 255,
                                     .tabIndex = 8}),
      m_cmdAct{{
          CommandButton(*this,
                        ControlDesign{.name = "cmdAct",
                                      .index = 0,
                                      .caption = "OK",
                                      .left = 1560,
                                      .top = 2400,
                                      .width = 735,
                                      .height = 255,
                                      .tabIndex = 9},
                        ButtonRole::Default),
          CommandButton(*this,
                        ControlDesign{.name = "cmdAct",
                                      .index = 1,
                                      .caption = "Cancel",
                                      .left = 2400,
                                      .top = 2400,
                                      .width = 735,
                                      .height = 255,
                                      .tabIndex = 10},
                        ButtonRole::Cancel),
      }},
      m_imgp{{
          ImageBox(*this,
                   ControlDesign{.name = "Imgp",
                                 .index = 0,
                                 .container = &m_frames[2],
                                 .left = 600,
                                 .top = 480,
                                 .width = 1230,
                                 .height = 1230},
                   SheetPicture()),
          ImageBox(*this,
                   ControlDesign{.name = "Imgp",
                                 .index = 1,
                                 .container = &m_frames[2],
                                 .left = 840,
                                 .top = 600,
                                 .width = 1230,
                                 .height = 1230},
                   LinesOfPrintPicture()),
      }} {
  for (std::int16_t i = 0; i < 3; ++i) {
    optOrientation(i).OnClick([this, i] { optOrientation_Click(i); });
  }
  m_cmbH.OnClick([this] { cmbH_Click(); });
  m_cmbV.OnClick([this] { cmbV_Click(); });
  for (std::int16_t i = 0; i < 2; ++i) {
    chkSpace(i).OnClick([this, i] { chkSpace_Click(i); });
    cmdAct(i).OnClick([this, i] { cmdAct_Click(i); });
  }
  m_txtSpace.OnChange([this] { txtSpace_Change(); });
}

GroupBox& frmSetting::Frame(std::int16_t index) {
  return Element(m_frames, index);
}
OptionButton& frmSetting::optOrientation(std::int16_t index) {
  return Element(m_optOrientation, index);
}
CheckBox& frmSetting::chkSpace(std::int16_t index) {
  return Element(m_chkSpace, index);
}
CommandButton& frmSetting::cmdAct(std::int16_t index) {
  return Element(m_cmdAct, index);
}
ImageBox& frmSetting::Imgp(std::int16_t index) {
  return Element(m_imgp, index);
}

std::string frmSetting::Setting(std::string_view key, std::string_view defaultValue) {
  return m_settings.GetSetting(key, defaultValue);
}

void frmSetting::Form_Load() {
  // Each assignment raises its control's event, whose handler keeps the enabling and the
  // preview in step with the loaded values.
  try {
    optOrientation(ToInt16(Setting(settings::kOrientation))).SetValue(true);
    m_chkZoom.SetValue(ToInt16(Setting(settings::kZoom)));
    m_cmbH.SetListIndex(ToInt16(Setting(settings::kPositionH)));
    m_cmbV.SetListIndex(ToInt16(Setting(settings::kPositionV)));
    chkSpace(0).SetValue(ToInt16(Setting(settings::kSpace0)));
    chkSpace(1).SetValue(ToInt16(Setting(settings::kSpace1)));
    m_txtSpace.SetText(ToText(ToInt16(Setting(settings::kSpaceMM, "0"))));
  } catch (const Error&) {
    // First use (nothing stored) lands here too: the window opens on defaults, silently.
    LoadFallback();
  }
}

void frmSetting::LoadFallback() {
  IgnoringErrors([this] {
    bool portrait = true;  // also when the printer cannot be asked
    try {
      portrait = m_printer.GetOrientation() == Orientation::Portrait;
    } catch (const Error&) {
    }
    if (portrait) {
      optOrientation(0).SetValue(true);
    }
  });
  IgnoringErrors([this] { m_cmbH.SetListIndex(0); });
  IgnoringErrors([this] { m_cmbV.SetListIndex(0); });
}

void frmSetting::Form_Unload(std::int16_t& cancel) {
  static_cast<void>(cancel);
  m_windowing.End();
}

void frmSetting::RefreshPreview() {
  static constexpr Axis kHorizontal{&Control::Width, &Control::Left, &ImageBox::SetWidth,
                                    &ImageBox::SetLeft};
  static constexpr Axis kVertical{&Control::Height, &Control::Top, &ImageBox::SetHeight,
                                  &ImageBox::SetTop};
  // Every assignment is a step of its own: a refused one is skipped and the next one runs.
  ImageBox& sheet = Imgp(0);
  const SheetPlace& place = optOrientation(1).Value() ? kLandscapeSheet : kPortraitSheet;
  IgnoringErrors([&] { sheet.SetHeight(place.height); });
  IgnoringErrors([&] { sheet.SetWidth(place.width); });
  IgnoringErrors([&] { sheet.SetTop(place.top); });
  IgnoringErrors([&] { sheet.SetLeft(place.left); });

  AlignBlock(kHorizontal, m_cmbH.ListIndex());
  AlignBlock(kVertical, m_cmbV.ListIndex());

  // The horizontal margin wins when both boxes are checked.
  if (chkSpace(0).Value() == CheckBox::kChecked) {
    ApplyMargin(kHorizontal);
  } else if (chkSpace(1).Value() == CheckBox::kChecked) {
    ApplyMargin(kVertical);
  }
}

void frmSetting::AlignBlock(const Axis& axis, std::int16_t listIndex) {
  if (listIndex < 0 || static_cast<std::size_t>(listIndex) >= kBlockOffsets.size()) {
    return;  // nothing selected: the block stays where it was
  }
  ImageBox& sheet = Imgp(0);
  ImageBox& block = Imgp(1);
  IgnoringErrors([&] { (block.*axis.setExtent)(ToSingle((sheet.*axis.extent)() - kBlockInset)); });
  IgnoringErrors([&] {
    (block.*axis.setPosition)(
        ToSingle((sheet.*axis.position)() + kBlockOffsets[static_cast<std::size_t>(listIndex)]));
  });
}

void frmSetting::ApplyMargin(const Axis& axis) {
  // The margin eats into the block from its left (top) edge; its far edge stays put. A margin
  // too wide for the block is refused as a size yet still moves the edge.
  ImageBox& block = Imgp(1);
  IgnoringErrors([&] {
    const double margin = LeadingNumber(m_txtSpace.Text()) * kPreviewTwipsPerMillimetre;
    (block.*axis.setExtent)(ToSingle((block.*axis.extent)() - margin));
  });
  IgnoringErrors([&] {
    const double margin = LeadingNumber(m_txtSpace.Text()) * kPreviewTwipsPerMillimetre;
    (block.*axis.setPosition)(ToSingle((block.*axis.position)() + margin));
  });
}

void frmSetting::optOrientation_Click(std::int16_t index) {
  static_cast<void>(index);
  RefreshPreview();
}

void frmSetting::cmbH_Click() {
  RefreshPreview();
}

void frmSetting::cmbV_Click() {
  RefreshPreview();
}

void frmSetting::chkSpace_Click(std::int16_t index) {
  static_cast<void>(index);
  // At most one margin box can be checked; the millimetres matter only while one is.
  chkSpace(0).SetEnabled(chkSpace(1).Value() == CheckBox::kUnchecked);
  chkSpace(1).SetEnabled(chkSpace(0).Value() == CheckBox::kUnchecked);
  m_txtSpace.SetEnabled(chkSpace(0).Value() == CheckBox::kChecked ||
                        chkSpace(1).Value() == CheckBox::kChecked);
  RefreshPreview();
}

void frmSetting::txtSpace_Change() {
  // Keeps the text a whole, non-negative number. Each text assignment that changes the text
  // runs this handler again, nested; normalised text is left alone, so it stops there.
  try {
    m_txtSpace.SetText(ToText(ToInt16(m_txtSpace.Text())));
    const std::int16_t millimetres = ToInt16(m_txtSpace.Text());
    if (millimetres < 0) {
      // -32768 has no positive counterpart: the overflow sends it to "0" like 40000.
      m_txtSpace.SetText(ToText(CheckedNegate(millimetres)));
    }
    m_txtSpace.SetSelStart(static_cast<int>(m_txtSpace.Text().size()));
    RefreshPreview();
  } catch (const Error&) {
    m_txtSpace.SetText("0");
    RefreshPreview();
  }
}

void frmSetting::cmdAct_Click(std::int16_t index) {
  if (index == 0) {
    try {
      m_settings.SaveSettings(EditedSettings());
    } catch (const Error& error) {
      // Nothing was stored: keep the window and the user's edits for another OK or Cancel.
      IgnoringErrors([&] {
        static_cast<void>(m_windowing.MsgBox(
            {std::string(kErrorBoxTitle),
             ErrorReport(error.Number(), error.Description()) + "\r\r" + std::string(kSaveFailure),
             MsgBoxButtons::Ok, MsgBoxDefault::First}));
      });
      return;
    }
  }
  m_windowing.Unload(*this);
}

SettingEntries frmSetting::EditedSettings() {
  std::string orientation;
  for (std::int16_t i = 0; i < 3 && orientation.empty(); ++i) {
    if (optOrientation(i).Value()) {
      orientation = ToText(i);
    }
  }
  return {
      {std::string(settings::kOrientation), orientation},
      {std::string(settings::kZoom), ToText(m_chkZoom.Value())},
      {std::string(settings::kPositionH), ToText(m_cmbH.ListIndex())},
      {std::string(settings::kPositionV), ToText(m_cmbV.ListIndex())},
      {std::string(settings::kSpace0), ToText(chkSpace(0).Value())},
      {std::string(settings::kSpace1), ToText(chkSpace(1).Value())},
      {std::string(settings::kSpaceMM), m_txtSpace.Text()},
  };
}

}  // namespace mirablot
