// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

namespace mirablot {

/// A window of the program: the windowing layer loads it, may show it, and unloads it.
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

  /// Position of the window's top-left corner on the screen, in twips.
  [[nodiscard]] float Left() const { return m_left; }
  [[nodiscard]] float Top() const { return m_top; }
  void SetLeft(float left) { m_left = left; }
  void SetTop(float top) { m_top = top; }

 protected:
  Form() = default;

 private:
  float m_left = 0;
  float m_top = 0;
};

}  // namespace mirablot
