// The value sliders mirror their model both ways, show its value in the quantity's unit on a handle
// wide enough for the text, grey out with it, and the frequency slider moves on a logarithmic scale.

#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QtTest>

#include "core/BoundedValue.h"
#include "widgets/BpmSlider.h"
#include "widgets/FrequencySlider.h"
#include "widgets/GainSlider.h"
#include "widgets/PanSlider.h"
#include "widgets/PercentSlider.h"
#include "widgets/PitchSlider.h"

using namespace gm;

class ValueSliderTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void panAndGainTextsFollowTheModel();
  void userMovesReachTheModelOnce();
  void handleFitsTheWidestText();
  void enabledStateFollowsTheModel();
  void frequencySliderIsLogarithmic();
};

void ValueSliderTest::panAndGainTextsFollowTheModel() {
  BoundedValue pan(-60, 60, 0);
  PanSlider panSlider(pan);
  QCOMPARE(panSlider.valueText(), QString("--"));
  pan.setValue(-30);
  QCOMPARE(panSlider.value(), -30);
  QCOMPARE(panSlider.valueText(), QString("L  50%"));
  pan.setValue(1);
  QCOMPARE(panSlider.valueText(), QString("R   1%"));

  BoundedValue gain(0, 60, 60);
  GainSlider gainSlider(gain, Qt::Vertical);
  QCOMPARE(gainSlider.valueText(), QString("0dB"));
  gain.setValue(59);
  QCOMPARE(gainSlider.valueText(), QString("-1dB"));
  gain.setValue(0);
  QCOMPARE(gainSlider.valueText(), QString("--"));

  BoundedValue pitch(9000, 11000, 10000);
  PitchSlider pitchSlider(pitch, Qt::Vertical);
  pitch.setValue(9875);
  QCOMPARE(pitchSlider.valueText(), QString("-1.25%"));
}

void ValueSliderTest::userMovesReachTheModelOnce() {
  BoundedValue tempo(6000, 24000, 12000);
  BpmSlider slider(tempo);
  QSignalSpy changes(&tempo, &BoundedValue::valueChanged);
  slider.setValue(12845);  // what a drag or key press does
  QCOMPARE(tempo.value(), 12845);
  QCOMPARE(changes.count(), 1);  // the model's echo does not bounce back into a second change
  QCOMPARE(slider.valueText(), QString("128.45 BPM"));
  tempo.setValue(99999);  // the model clamps, the slider follows
  QCOMPARE(slider.value(), 24000);
}

void ValueSliderTest::handleFitsTheWidestText() {
  BoundedValue share(-10000, 10000, 0);
  PercentSlider horizontal(share);
  BoundedValue gain(0, 60, 60);
  GainSlider vertical(gain, Qt::Vertical);
  for (ValueSlider* slider : {static_cast<ValueSlider*>(&horizontal), static_cast<ValueSlider*>(&vertical)}) {
    slider->resize(slider->sizeHint().expandedTo(QSize(200, 200)));
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    const QFontMetrics metrics(slider->font());
    for (int value : {slider->model().minimum(), slider->model().minimum() + 1, slider->model().maximum()}) {
      slider->model().setValue(value);
      QVERIFY2(metrics.horizontalAdvance(slider->valueText()) <= handle.width(), qPrintable(slider->valueText()));
    }
    QVERIFY(metrics.height() <= handle.height());
  }
}

void ValueSliderTest::enabledStateFollowsTheModel() {
  BoundedValue pan(-60, 60, 0);
  pan.setEnabled(false);
  PanSlider slider(pan);
  QVERIFY(!slider.isEnabled());
  pan.setEnabled(true);
  QVERIFY(slider.isEnabled());
}

void ValueSliderTest::frequencySliderIsLogarithmic() {
  BoundedValue low(40, 400, 80);
  FrequencySlider slider(low);
  QCOMPARE(slider.minimum(), 0);
  QCOMPARE(slider.maximum(), ValueSlider::kLogPositions);
  QCOMPARE(slider.value(), 301);  // ln 2 / ln 10 of the travel
  QCOMPARE(slider.valueText(), QString("80"));

  slider.setValue(0);
  QCOMPARE(low.value(), 40);
  slider.setValue(ValueSlider::kLogPositions);
  QCOMPARE(low.value(), 400);
  slider.setValue(ValueSlider::kLogPositions / 2);
  QCOMPARE(low.value(), 126);  // the geometric mean, sqrt(40 * 400)
  QCOMPARE(slider.value(), ValueSlider::kLogPositions / 2);

  // Several positions share a value at the low end: the handle stays where the user put it.
  slider.setValue(1);
  QCOMPARE(low.value(), 40);
  QCOMPARE(slider.value(), 1);

  low.setValue(200);
  QCOMPARE(slider.value(), 699);
  QCOMPARE(slider.valueText(), QString("200"));
}

QTEST_MAIN(ValueSliderTest)
#include "ValueSliderTest.moc"
