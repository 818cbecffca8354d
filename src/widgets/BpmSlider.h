#pragma once
// A tempo in hundredths of a beat per minute, shown as "128.45 BPM".

#include "widgets/ValueSlider.h"

namespace gm {

class BpmSlider : public ValueSlider {
  Q_OBJECT
 public:
  explicit BpmSlider(BoundedValue& model, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

}  // namespace gm
