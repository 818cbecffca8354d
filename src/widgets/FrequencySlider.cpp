#include "widgets/FrequencySlider.h"

#include "widgets/ValueText.h"

namespace gm {

FrequencySlider::FrequencySlider(BoundedValue& model, Qt::Orientation orientation, QWidget* parent)
    : ValueSlider(model, &value_text::frequency, Scale::Logarithmic, orientation, parent) {}

}  // namespace gm
