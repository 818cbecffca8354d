#pragma once
// Pan from -60 (left) to +60 (right), shown as the side and its share ("L  50%"), "--" at the centre.

#include "widgets/ValueSlider.h"

namespace gm {

class PanSlider : public ValueSlider {
  Q_OBJECT
 public:
  explicit PanSlider(BoundedValue& model, Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
};

}  // namespace gm
