#include "widgets/BpmSlider.h"

#include "widgets/ValueText.h"

namespace gm {

BpmSlider::BpmSlider(BoundedValue& model, Qt::Orientation orientation, QWidget* parent)
    : ValueSlider(model, &value_text::bpm, Scale::Linear, orientation, parent) {}

}  // namespace gm
