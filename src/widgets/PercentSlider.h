#pragma once
// A share in hundredths of a percent, shown as "1.25%".

#include "widgets/ValueSlider.h"

namespace gm {

class PercentSlider : public ValueSlider {
  Q_OBJECT
 public:
  explicit PercentSlider(BoundedValue& model, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

}  // namespace gm
