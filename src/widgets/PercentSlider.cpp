#include "widgets/PercentSlider.h"

#include "widgets/ValueText.h"

namespace gm {

PercentSlider::PercentSlider(BoundedValue& model, Qt::Orientation orientation, QWidget* parent)
    : ValueSlider(model, &value_text::percent, Scale::Linear, orientation, parent) {}

}  // namespace gm
