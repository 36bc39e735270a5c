// SPDX-License-Identifier: MIT
#include "Controls.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Form.h"
#include "core/Conversions.h"
#include "core/Error.h"

namespace mirablot {
namespace {

void Raise(const EventHandler& handler) {
  if (handler) {
    handler();
  }
}

float CheckedPosition(float position) {
  if (!std::isfinite(position)) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  return position;
}

// Characters, not bytes: the caret and the length limit count what the user sees. A UTF-8
// character starts at every byte that is not a continuation byte (10xxxxxx).
bool StartsCharacter(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0U) != 0x80U;
}

int CharacterCount(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

std::string FirstCharacters(const std::string& text, int count) {
  int seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (StartsCharacter(text[i]) && seen++ == count) {
      return text.substr(0, i);
    }
  }
  return text;
}

}  // namespace

Control::Control(Form& form, ControlKind kind, ControlDesign design)
    : m_kind(kind),
      m_design(std::move(design)),
      m_left(m_design.left),
      m_top(m_design.top),
      m_width(m_design.width),
      m_height(m_design.height) {
  form.Register(*this);
}

void Control::SetEnabled(bool enabled) {
  if (m_enabled != enabled) {
    m_enabled = enabled;
    Notify(ControlProperty::Enabled);
  }
}

void Control::Notify(ControlProperty property) const {
  if (m_observer) {
    m_observer(property);
  }
}

void Control::SetGeometry(float left, float top, float width, float height) {
  if (left != m_left || top != m_top || width != m_width || height != m_height) {
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    Notify(ControlProperty::Geometry);
  }
}

GroupBox::GroupBox(Form& form, ControlDesign design)
    : Control(form, ControlKind::GroupBox, std::move(design)) {}

OptionButton::OptionButton(Form& form, OptionGroup& group, ControlDesign design)
    : Control(form, ControlKind::OptionButton, std::move(design)), m_group(group) {
  m_group.m_members.push_back(this);
}

void OptionButton::Store(bool value) {
  if (m_value != value) {
    m_value = value;
    Notify(ControlProperty::Value);
  }
}

void OptionButton::SetValue(bool value) {
  if (!value) {
    Store(false);
    return;
  }
  if (m_value) {
    return;
  }
  for (OptionButton* member : m_group.m_members) {
    if (member != this) {
      member->Store(false);
    }
  }
  Store(true);
  Raise(m_onClick);
}

void OptionButton::Click() {
  if (Enabled()) {
    SetValue(true);
  }
}

CheckBox::CheckBox(Form& form, ControlDesign design)
    : Control(form, ControlKind::CheckBox, std::move(design)) {}

void CheckBox::SetValue(std::int16_t value) {
  if (value < kUnchecked || value > kGrayed) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  if (value == m_value) {
    return;
  }
  m_value = value;
  Notify(ControlProperty::Value);
  Raise(m_onClick);
}

void CheckBox::Click() {
  if (Enabled()) {
    SetValue(m_value == kChecked ? kUnchecked : kChecked);
  }
}

ComboBox::ComboBox(Form& form, ControlDesign design, std::vector<std::string> items)
    : Control(form, ControlKind::ComboBox, std::move(design)), m_items(std::move(items)) {}

void ComboBox::SetListIndex(std::int16_t index) {
  if (index < -1 || index >= static_cast<int>(m_items.size())) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  if (index == m_listIndex) {
    return;
  }
  m_listIndex = index;
  Notify(ControlProperty::Value);
  Raise(m_onClick);
}

void ComboBox::Choose(std::int16_t index) {
  if (Enabled()) {
    SetListIndex(index);
  }
}

TextBox::TextBox(Form& form, ControlDesign design, TextBoxStyle style)
    : Control(form, ControlKind::TextBox, std::move(design)), m_style(style) {
  m_text = Design().caption;
  SetEnabled(m_style.enabled);
}

void TextBox::SetText(std::string text) {
  if (text == m_text) {
    return;
  }
  m_text = std::move(text);
  m_selStart = 0;
  Notify(ControlProperty::Value);
  Raise(m_onChange);
}

void TextBox::SetSelStart(int position) {
  if (position < 0) {
    throw Error(ErrorNumber::InvalidPropertyValue);
  }
  m_selStart = std::min(position, CharacterCount(m_text));
  Notify(ControlProperty::Caret);
}

void TextBox::Edit(std::string text, int caret) {
  if (!Enabled()) {
    return;
  }
  if (m_style.maxLength > 0 && CharacterCount(text) > m_style.maxLength) {
    text = FirstCharacters(text, m_style.maxLength);
  }
  const int length = CharacterCount(text);
  m_selStart = std::clamp(caret, 0, length);
  if (text == m_text) {
    Notify(ControlProperty::Caret);
    return;
  }
  m_text = std::move(text);
  Notify(ControlProperty::Value);
  Raise(m_onChange);
}

CommandButton::CommandButton(Form& form, ControlDesign design, ButtonRole role)
    : Control(form, ControlKind::CommandButton, std::move(design)), m_role(role) {}

void CommandButton::Press() {
  if (Enabled()) {
    Raise(m_onClick);
  }
}

ImageBox::ImageBox(Form& form, ControlDesign design, const Bitmap& picture)
    : Control(form, ControlKind::Image, std::move(design)), m_picture(picture) {}

void ImageBox::SetLeft(float left) {
  SetGeometry(CheckedPosition(left), Top(), Width(), Height());
}

void ImageBox::SetTop(float top) {
  SetGeometry(Left(), CheckedPosition(top), Width(), Height());
}

void ImageBox::SetWidth(float width) {
  SetGeometry(Left(), Top(), CheckedExtent(width), Height());
}

void ImageBox::SetHeight(float height) {
  SetGeometry(Left(), Top(), Width(), CheckedExtent(height));
}

CommandButton* ButtonWithRole(const Form& form, ButtonRole role) {
  for (Control* control : form.Controls()) {
    if (control->Kind() == ControlKind::CommandButton &&
        static_cast<CommandButton*>(control)->Role() == role) {
      return static_cast<CommandButton*>(control);
    }
  }
  return nullptr;
}

}  // namespace mirablot
