#pragma once
// The application's style with a slider handle large enough to carry the value text, so the text
// rides on the handle where the eye already is, and the handle the style hit-tests is the one drawn.

#include <QProxyStyle>

namespace gm {

class ValueSliderStyle : public QProxyStyle {
  Q_OBJECT
 public:
  ValueSliderStyle();

  // Handle length along the groove and thickness across it, in device-independent pixels.
  void setHandleExtent(int lengthPixels, int thicknessPixels);

  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;

 private:
  int handleLengthPixels_ = 0;
  int handleThicknessPixels_ = 0;
};

}  // namespace gm
