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

ControlDesign Layout(std::string name, std::optional<std::int16_t> index, const GroupBox* container,
                     std::string caption, float left, float top, float width, float height,
                     std::optional<int> tabIndex) {
  return {std::move(name), index,  container, std::move(caption), left, top,
          width,           height, tabIndex};
}

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
          GroupBox(*this, Layout("Frame", 0, nullptr, "印刷方向", 120, 120, 2535, 615, 11)),
          GroupBox(*this, Layout("Frame", 1, nullptr, "印刷位置", 120, 960, 2535, 735, 12)),
          GroupBox(*this, Layout("Frame", 2, nullptr, "綴じ代", 2880, 120, 1695, 1575, 13)),
      }},
      m_optOrientation{{
          OptionButton(*this, m_orientationGroup,
                       Layout("optOrientation", 0, &m_frames[0], "縦", 240, 240, 495, 255, 0)),
          OptionButton(*this, m_orientationGroup,
                       Layout("optOrientation", 1, &m_frames[0], "横", 960, 240, 495, 255, 1)),
          OptionButton(*this, m_orientationGroup,
                       Layout("optOrientation", 2, &m_frames[0], "自動", 1680, 240, 735, 255, 2)),
      }},
      m_cmbH(*this, Layout("cmbH", std::nullopt, &m_frames[1], "", 240, 240, 975, 300, 3),
             {"左 詰", "中 央", "右 詰"}),
      m_cmbV(*this, Layout("cmbV", std::nullopt, &m_frames[1], "", 1440, 240, 975, 300, 4),
             {"上 詰", "中 央", "下 詰"}),
      m_chkSpace{{
          CheckBox(*this, Layout("chkSpace", 0, &m_frames[2], "Check1", 120, 840, 255, 300, 5)),
          CheckBox(*this, Layout("chkSpace", 1, &m_frames[2], "Check1", 840, 120, 255, 300, 6)),
      }},
      // Up to five characters hold every margin the box keeps (0 to 32767). Disabled until a
      // margin box is checked; whole millimetres only, so no input method.
      m_txtSpace(*this, Layout("txtSpace", std::nullopt, &m_frames[2], "20", 200, 240, 320, 270, 7),
                 TextBoxStyle{5, TextAlignment::Right, false, false}),
      m_chkZoom(*this, Layout("chkZoom", std::nullopt, nullptr, "用紙に合わせて拡大・縮小", 240,
                              1920, 2415, 255, 8)),
      m_cmdAct{{
          CommandButton(*this, Layout("cmdAct", 0, nullptr, "OK", 1560, 2400, 735, 255, 9),
                        ButtonRole::Default),
          CommandButton(*this, Layout("cmdAct", 1, nullptr, "Cancel", 2400, 2400, 735, 255, 10),
                        ButtonRole::Cancel),
      }},
      m_imgp{{
          ImageBox(*this, Layout("Imgp", 0, &m_frames[2], "", 600, 480, 1230, 1230, std::nullopt),
                   SheetPicture()),
          ImageBox(*this, Layout("Imgp", 1, &m_frames[2], "", 840, 600, 1230, 1230, std::nullopt),
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
