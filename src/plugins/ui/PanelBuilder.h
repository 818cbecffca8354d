#pragma once
// Turns a plug-in's declarative panel into widgets: spacers, centred texts, sliders (showing their
// value through the row's format) and check marks. Every control is bound to its value in the
// PanelModel, which sets the plug-in's attribute.

#include <QString>

class QWidget;

namespace gm {

class PanelModel;

class PanelBuilder {
 public:
  enum class Arrangement {
    // A two-column group of right-aligned labels beside their controls (a settings page).
    Columns,
    // Each slider under a line with its label and its value: narrow enough for a deck's filter rack.
    Stacked,
  };

  // The narrowest a slider is laid out: the travel that still sets a value by hand.
  static constexpr int kMinimumSliderPixels = 120;

  // [main-thread] A new widget showing `panel`; it must not outlive the model.
  static QWidget* build(PanelModel& panel, QWidget* parent = nullptr, Arrangement arrangement = Arrangement::Columns);
  // The slider's text: the first "%ld" (or "%d") of `format` replaced by the value, every other
  // character literal ("%%" gives "%"); the plain number when `format` is null.
  static QString formatValue(const char* format, int value);
};

}  // namespace gm
