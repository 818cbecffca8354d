#include "widgets/PanSlider.h"

#include "widgets/ValueText.h"

namespace gm {

PanSlider::PanSlider(BoundedValue& model, Qt::Orientation orientation, QWidget* parent)
    : ValueSlider(model, &value_text::pan, Scale::Linear, orientation, parent) {}

}  // namespace gm
