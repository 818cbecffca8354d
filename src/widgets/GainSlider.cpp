#include "widgets/GainSlider.h"

#include "widgets/ValueText.h"

namespace gm {

GainSlider::GainSlider(BoundedValue& model, Qt::Orientation orientation, QWidget* parent)
    : ValueSlider(model, &value_text::gain, Scale::Linear, orientation, parent) {}

}  // namespace gm
