// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirablot {

class Control;
struct Bitmap;

/// What a window looks like before anything is loaded into it. Lengths are twips.
struct FormDesign {
  std::string caption;
  float clientWidth = 0;
  float clientHeight = 0;
  /// The program's icon, or nullptr.
  const Bitmap* icon = nullptr;
};

/// A window of the program: the windowing layer loads it, may show it, and unloads it. Its
/// controls register themselves on construction, in declaration order.
class Form {
 public:
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  /// The design name, such as "frmMain".
  [[nodiscard]] virtual std::string_view Name() const = 0;
  /// Runs once while the window is being loaded, before it can become visible.
  virtual void Form_Load() {}
  /// Runs while the window is being unloaded; a handler may set cancel to keep it loaded.
  virtual void Form_Unload(std::int16_t& cancel) { static_cast<void>(cancel); }

  [[nodiscard]] const FormDesign& Design() const { return m_design; }
  [[nodiscard]] const std::vector<Control*>& Controls() const { return m_controls; }

  /// Position of the window's top-left corner on the screen, in twips.
  [[nodiscard]] float Left() const { return m_left; }
  [[nodiscard]] float Top() const { return m_top; }
  void SetLeft(float left) { m_left = left; }
  void SetTop(float top) { m_top = top; }

 protected:
  explicit Form(FormDesign design) : m_design(std::move(design)) {}

 private:
  friend class Control;
  void Register(Control& control) { m_controls.push_back(&control); }

  FormDesign m_design;
  std::vector<Control*> m_controls;
  float m_left = 0;
  float m_top = 0;
};

}  // namespace mirablot
