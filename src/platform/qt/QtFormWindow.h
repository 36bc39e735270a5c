// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <map>

#include <QDialog>

#include "forms/Controls.h"

class QCloseEvent;

namespace mirablot {
class Form;
class Windowing;
}  // namespace mirablot

namespace mirablot::qt {

/// A real window built from a form's declared controls. Twips become pixels through the
/// screen's logical DPI, so the window keeps its proportions at any scaling. The user's input
/// goes into the controls, and every change of a control shows on its widget; what the window
/// shows is never fed back. Enter presses the default button, Escape the cancel button, and the
/// close box unloads the form.
class FormWindow final : public QDialog {
 public:
  FormWindow(Form& form, Windowing& windowing);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  /// The widget showing a control of the form.
  [[nodiscard]] QWidget* WidgetOf(const Control& control) const;
  /// Stops mirroring the form, for when the form is going away.
  void Detach();
  void Hide() { hide(); }
  /// Runs a step of the user's input; an error no handler caught is reported and ends the
  /// program, as the windowing layer does for unhandled errors.
  void Forward(const std::function<void()>& input);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Build();
  void Mirror(const Control& control, ControlProperty property);
  void FitCaption(const Control& control, QWidget* widget);
  void ArrangeTabOrder();
  [[nodiscard]] int Pixels(float twips) const;
  [[nodiscard]] QRect PixelRect(const Control& control) const;

  Form& m_form;
  Windowing& m_windowing;
  double m_twipsPerPixel;
  std::map<const Control*, QWidget*> m_widgets;
  bool m_attached = true;
};

}  // namespace mirablot::qt
