#pragma once
// A slider that mirrors a BoundedValue and shows the value as text on its handle, in the unit of
// the quantity. The family (BPM, percent, pitch, pan, gain, frequency) differs only in the text
// and, for frequencies, in a logarithmic scale; the model always holds the integer value.

#include <QSlider>

namespace gm {

class BoundedValue;
class ValueSliderStyle;

class ValueSlider : public QSlider {
  Q_OBJECT
 public:
  using TextFormat = QString (*)(int value);
  enum class Scale { Linear, Logarithmic };

  BoundedValue& model() const { return model_; }
  Scale scale() const { return scale_; }
  // The text on the handle: the model's value in the quantity's unit, or kNoValueText.
  QString valueText() const;
  // [main-thread] Whether there is a value to show (a deck without a tempo has none): without one
  // the handle reads kNoValueText and the model's value only keeps the handle's place.
  void setValueShown(bool shown);
  static constexpr const char* kNoValueText = "---";

  // Slider position <-> model value; the identity on a linear scale.
  int positionForValue(int value) const;
  int valueForPosition(int position) const;

  // Positions of a logarithmic slider: fine enough for 1 Hz steps at the low end of the
  // equaliser's bands, coarse enough that a wheel notch still moves audibly.
  static constexpr int kLogPositions = 1000;

 protected:
  // `model` must outlive the slider.
  ValueSlider(BoundedValue& model, TextFormat format, Scale scale, Qt::Orientation orientation, QWidget* parent);

  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void showModelValue(int value);
  void fitHandleToText();

  BoundedValue& model_;
  const TextFormat format_;
  const Scale scale_;
  bool valueShown_ = true;
  ValueSliderStyle* handleStyle_;  // owned as a child object
};

}  // namespace gm
