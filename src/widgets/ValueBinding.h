#pragma once
// Keeps a Qt control and the value model it shows in step: the control sets the model, the model's
// changes (from anywhere) move the control back without echoing, and its enabled state greys it out.
// A bound slider never takes the keyboard focus: keys belong to the program's shortcuts.

class QAbstractButton;
class QAbstractSlider;

namespace gm {

class BoundedValue;

class ValueBinding {
 public:
  static void bind(QAbstractSlider& control, BoundedValue& model);
  static void bind(QAbstractButton& toggle, BoundedValue& model);  // checked = 1
};

}  // namespace gm
