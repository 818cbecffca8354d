#include "widgets/PitchSlider.h"

#include "widgets/ValueText.h"

namespace gm {

PitchSlider::PitchSlider(BoundedValue& model, Qt::Orientation orientation, QWidget* parent)
    : ValueSlider(model, &value_text::pitch, Scale::Linear, orientation, parent) {}

}  // namespace gm
