#pragma once
// Turns a plug-in's declarative panel into widgets: spacers, centred texts, and a two-column group
// of right-aligned labels with sliders (showing their value through the row's format) and of check
// marks. Every control is bound to its value in the PanelModel, which sets the plug-in's attribute.

#include <QString>

class QWidget;

namespace gm {

class PanelModel;

class PanelBuilder {
 public:
  // [main-thread] A new widget showing `panel`; it must not outlive the model.
  static QWidget* build(PanelModel& panel, QWidget* parent = nullptr);
  // The slider's text: the first "%ld" (or "%d") of `format` replaced by the value, every other
  // character literal ("%%" gives "%"); the plain number when `format` is null.
  static QString formatValue(const char* format, int value);
};

}  // namespace gm
