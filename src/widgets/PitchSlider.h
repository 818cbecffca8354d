#pragma once
// Playback speed x 10000, shown as the deviation from the track's own speed ("-1.25%").

#include "widgets/ValueSlider.h"

namespace gm {

class PitchSlider : public ValueSlider {
  Q_OBJECT
 public:
  explicit PitchSlider(BoundedValue& model, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

}  // namespace gm
