// SPDX-License-Identifier: MIT
#pragma once

// The controls a window is built from, independent of any toolkit. A control holds its design
// values and its state, refuses values it does not accept with an Error, and raises its event
// synchronously inside an assignment, only when the value really changes. A view (the Qt
// renderer, say) watches each control through one observer and forwards the user's input
// through the methods marked "user".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace mirablot {

class Form;
class GroupBox;
struct Bitmap;

enum class ControlKind {
  GroupBox,
  OptionButton,
  CheckBox,
  ComboBox,
  TextBox,
  CommandButton,
  Image
};

/// What changed in a control, for the view that mirrors it.
enum class ControlProperty { Value, Caret, Enabled, Geometry };

/// Design values every control has. Lengths are twips from the container's top-left corner.
struct ControlDesign {
  std::string name;
  /// The element's index in a control array such as optOrientation(0 to 2).
  std::optional<std::int16_t> index{};
  /// The group box the control sits in; nullptr for the window's client area.
  const GroupBox* container = nullptr;
  /// Caption, or a text box's initial text.
  std::string caption{};
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  /// Position in the tab order; nothing for a control that takes no focus.
  std::optional<int> tabIndex{};
};

class Control {
 public:
  using Observer = std::function<void(ControlProperty)>;

  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  [[nodiscard]] ControlKind Kind() const { return m_kind; }
  [[nodiscard]] const ControlDesign& Design() const { return m_design; }
  [[nodiscard]] float Left() const { return m_left; }
  [[nodiscard]] float Top() const { return m_top; }
  [[nodiscard]] float Width() const { return m_width; }
  [[nodiscard]] float Height() const { return m_height; }

  /// A disabled control takes no clicks and no typing.
  [[nodiscard]] bool Enabled() const { return m_enabled; }
  void SetEnabled(bool enabled);

  /// The one view that mirrors this control; an empty function detaches it.
  void SetObserver(Observer observer) { m_observer = std::move(observer); }

 protected:
  Control(Form& form, ControlKind kind, ControlDesign design);

  void Notify(ControlProperty property) const;
  void SetGeometry(float left, float top, float width, float height);

 private:
  ControlKind m_kind;
  ControlDesign m_design;
  float m_left;
  float m_top;
  float m_width;
  float m_height;
  bool m_enabled = true;
  Observer m_observer;
};

/// A handler for a control's Click or Change event.
using EventHandler = std::function<void()>;

/// A captioned frame that holds other controls.
class GroupBox final : public Control {
 public:
  GroupBox(Form& form, ControlDesign design);
};

class OptionButton;

/// The option buttons of which at most one is selected.
class OptionGroup {
 public:
  OptionGroup() = default;
  OptionGroup(const OptionGroup&) = delete;
  OptionGroup& operator=(const OptionGroup&) = delete;

 private:
  friend class OptionButton;
  std::vector<OptionButton*> m_members;
};

class OptionButton final : public Control {
 public:
  OptionButton(Form& form, OptionGroup& group, ControlDesign design);

  [[nodiscard]] bool Value() const { return m_value; }
  /// True selects this button and clears the others of its group, raising Click when it was
  /// not selected; false just clears it.
  void SetValue(bool value);
  /// User: a click selects the button.
  void Click();
  void OnClick(EventHandler handler) { m_onClick = std::move(handler); }

 private:
  void Store(bool value);

  OptionGroup& m_group;
  bool m_value = false;
  EventHandler m_onClick;
};

class CheckBox final : public Control {
 public:
  static constexpr std::int16_t kUnchecked = 0;
  static constexpr std::int16_t kChecked = 1;
  static constexpr std::int16_t kGrayed = 2;

  CheckBox(Form& form, ControlDesign design);

  [[nodiscard]] std::int16_t Value() const { return m_value; }
  /// 0, 1 or 2; anything else is refused. Raises Click on a change.
  void SetValue(std::int16_t value);
  /// User: a click checks an unchecked or greyed box and unchecks a checked one.
  void Click();
  void OnClick(EventHandler handler) { m_onClick = std::move(handler); }

 private:
  std::int16_t m_value = kUnchecked;
  EventHandler m_onClick;
};

/// A drop-down list the user can only choose from.
class ComboBox final : public Control {
 public:
  ComboBox(Form& form, ControlDesign design, std::vector<std::string> items);

  [[nodiscard]] const std::vector<std::string>& Items() const { return m_items; }
  /// -1 when nothing is selected.
  [[nodiscard]] std::int16_t ListIndex() const { return m_listIndex; }
  /// -1 to the item count less one; anything else is refused. Raises Click on a change.
  void SetListIndex(std::int16_t index);
  /// User: chooses an item.
  void Choose(std::int16_t index);
  void OnClick(EventHandler handler) { m_onClick = std::move(handler); }

 private:
  std::vector<std::string> m_items;
  std::int16_t m_listIndex = -1;
  EventHandler m_onClick;
};

enum class TextAlignment { Left, Right, Center };

/// Design settings of a text box beyond those of every control.
struct TextBoxStyle {
  /// The most characters the user can enter; 0 for no limit.
  int maxLength = 0;
  TextAlignment alignment = TextAlignment::Left;
  bool enabled = true;
  /// Whether an input method may compose text in the box.
  bool inputMethod = true;
};

/// A single-line text box. Text is UTF-8; the caret counts characters from the start.
class TextBox final : public Control {
 public:
  TextBox(Form& form, ControlDesign design, TextBoxStyle style);

  [[nodiscard]] const std::string& Text() const { return m_text; }
  /// Raises Change when the text differs, even from inside its own Change handler (the
  /// handler then runs nested). The caret moves to the start.
  void SetText(std::string text);
  [[nodiscard]] int SelStart() const { return m_selStart; }
  /// Moves the caret, clearing any selection; past the end means at the end.
  void SetSelStart(int position);
  [[nodiscard]] const TextBoxStyle& Style() const { return m_style; }
  /// User: typing or pasting left this text with the caret here.
  void Edit(std::string text, int caret);
  void OnChange(EventHandler handler) { m_onChange = std::move(handler); }

 private:
  std::string m_text;
  int m_selStart = 0;
  TextBoxStyle m_style;
  EventHandler m_onChange;
};

enum class ButtonRole { Plain, Default, Cancel };

class CommandButton final : public Control {
 public:
  /// The Default button is pressed by Enter, the Cancel button by Escape.
  CommandButton(Form& form, ControlDesign design, ButtonRole role);

  [[nodiscard]] ButtonRole Role() const { return m_role; }
  /// User: presses the button.
  void Press();
  void OnClick(EventHandler handler) { m_onClick = std::move(handler); }

 private:
  ButtonRole m_role;
  EventHandler m_onClick;
};

/// The form's button with this role (the one Enter or Escape presses), or nullptr.
[[nodiscard]] CommandButton* ButtonWithRole(const Form& form, ButtonRole role);

/// A windowless picture with a thin border. It draws its picture at natural size from its
/// top-left corner, cut off at its own edges; only its position and size change.
class ImageBox final : public Control {
 public:
  ImageBox(Form& form, ControlDesign design, const Bitmap& picture);

  [[nodiscard]] const Bitmap& Picture() const { return m_picture; }
  void SetLeft(float left);
  void SetTop(float top);
  /// Refuses a negative or invalid width; the old value stays.
  void SetWidth(float width);
  /// Refuses a negative or invalid height; the old value stays.
  void SetHeight(float height);

 private:
  const Bitmap& m_picture;
};

/// A visitor made of lambdas, one for each kind it cares about: Overloaded{[](TextBox&) {...},
/// [](Control&) {}}, the last for the rest.
template <typename... Lambdas>
struct Overloaded : Lambdas... {
  using Lambdas::operator()...;
};
// Spelled out for compilers without class template argument deduction for aggregates (clang 14).
template <typename... Lambdas>
Overloaded(Lambdas...) -> Overloaded<Lambdas...>;

// The control as the kind it is; VisitControl knows which.
template <typename Kind, typename ControlType>
auto& AsKind(ControlType& control) {
  if constexpr (std::is_const_v<ControlType>) {
    return static_cast<const Kind&>(control);
  } else {
    return static_cast<Kind&>(control);
  }
}

/// Calls the visitor with the control as what it is (GroupBox, OptionButton, CheckBox,
/// ComboBox, TextBox, CommandButton or ImageBox; const when the control is): the one place a
/// view turns a Control into its kind.
template <typename ControlType, typename Visitor>
void VisitControl(ControlType& control, Visitor&& visit) {
  switch (control.Kind()) {
    case ControlKind::GroupBox:
      visit(AsKind<GroupBox>(control));
      return;
    case ControlKind::OptionButton:
      visit(AsKind<OptionButton>(control));
      return;
    case ControlKind::CheckBox:
      visit(AsKind<CheckBox>(control));
      return;
    case ControlKind::ComboBox:
      visit(AsKind<ComboBox>(control));
      return;
    case ControlKind::TextBox:
      visit(AsKind<TextBox>(control));
      return;
    case ControlKind::CommandButton:
      visit(AsKind<CommandButton>(control));
      return;
    case ControlKind::Image:
      visit(AsKind<ImageBox>(control));
      return;
  }
}

}  // namespace mirablot
