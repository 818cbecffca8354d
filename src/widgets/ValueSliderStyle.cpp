#include "widgets/ValueSliderStyle.h"

namespace gm {

// A proxy without a base follows the application's style (Fusion in the dark theme).
ValueSliderStyle::ValueSliderStyle() : QProxyStyle(nullptr) {}

void ValueSliderStyle::setHandleExtent(int lengthPixels, int thicknessPixels) {
  handleLengthPixels_ = lengthPixels;
  handleThicknessPixels_ = thicknessPixels;
}

int ValueSliderStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_SliderLength && handleLengthPixels_ > 0) return handleLengthPixels_;
  if ((metric == PM_SliderThickness || metric == PM_SliderControlThickness) && handleThicknessPixels_ > 0) {
    return handleThicknessPixels_;
  }
  return QProxyStyle::pixelMetric(metric, option, widget);
}

}  // namespace gm
