#pragma once
// A frequency in Hz on a logarithmic scale, so each octave gets the same travel.

#include "widgets/ValueSlider.h"

namespace gm {

class FrequencySlider : public ValueSlider {
  Q_OBJECT
 public:
  explicit FrequencySlider(BoundedValue& model, Qt::Orientation orientation = Qt::Horizontal,
                           QWidget* parent = nullptr);
};

}  // namespace gm
