#pragma once
// Gain in steps of the dB table (60 = unity), shown as "-6dB", "0dB" or "--" for silence.

#include "widgets/ValueSlider.h"

namespace gm {

class GainSlider : public ValueSlider {
  Q_OBJECT
 public:
  explicit GainSlider(BoundedValue& model, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

}  // namespace gm
