// The knob as a DJ handles it: drags that sweep the range at the chosen sensitivity, fractional
// steps that carry over, right-click cancel, double-click reset, the size table and its drawing.

#include <QGuiApplication>
#include <QImage>
#include <QSignalSpy>
#include <QStyleHints>
#include <QWheelEvent>
#include <QtTest>

#include "core/BoundedValue.h"
#include "widgets/Knob.h"
#include "widgets/KnobRenderer.h"

using namespace gm;

namespace {

const QPoint kInside(20, 20);

// Presses the left button inside the knob and moves the pointer horizontally by each offset in turn.
void dragBy(Knob& knob, std::initializer_list<int> stepsPixels) {
  QTest::mousePress(&knob, Qt::LeftButton, {}, kInside);
  int x = kInside.x();
  for (int step : stepsPixels) {
    x += step;
    QTest::mouseMove(&knob, QPoint(x, kInside.y()));
  }
}

void release(Knob& knob) { QTest::mouseRelease(&knob, Qt::LeftButton, {}, kInside); }

// A press or release with a chosen time stamp, for double-click timing (QTest spaces its own clicks
// apart on purpose so that they never pair up).
void sendButton(Knob& knob, QEvent::Type type, Qt::MouseButtons held, std::uint64_t timestampMs) {
  QMouseEvent event(type, kInside, knob.mapToGlobal(kInside), Qt::LeftButton, held, Qt::NoModifier);
  event.setTimestamp(timestampMs);
  QApplication::sendEvent(&knob, &event);
}

void sendMove(Knob& knob, int x, Qt::MouseButtons held) {
  const QPoint position(x, kInside.y());
  QMouseEvent event(QEvent::MouseMove, position, knob.mapToGlobal(position), Qt::NoButton, held, Qt::NoModifier);
  QApplication::sendEvent(&knob, &event);
}

void clickAt(Knob& knob, std::uint64_t timestampMs) {
  sendButton(knob, QEvent::MouseButtonPress, Qt::LeftButton, timestampMs);
  sendButton(knob, QEvent::MouseButtonRelease, Qt::NoButton, timestampMs + 1);
}

int doubleClickIntervalMs() { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }

// Pixels that carry colour (not the dark grey ring, white indicator or grey text).
int colouredPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() > 200 && c.red() - c.blue() > 60) ++count;
    }
  }
  return count;
}

}  // namespace

class KnobTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void defaultsFollowTheModel();
  void fullSensitivityDragSpansTheRange();
  void fractionalStepsCarryOverUntilRelease();
  void rightClickRestoresTheDragStartValue();
  void doubleClickResetsToTheCreationValue();
  void resetNotifiesLikeAnyChange();
  void sizeIndexTable();
  void wheelStepsAndClamps();
  void drawingShowsValueColourAndState();
  void indicatorRotatesClockwiseFromLowerLeft();
};

void KnobTest::defaultsFollowTheModel() {
  BoundedValue model(0, 60, 42);
  model.setValue(10);
  Knob knob(model, "GAIN");
  QCOMPARE(knob.colourRgb(), 0xE66800u);
  QCOMPARE(knob.sensitivityPixels(), 256);
  QCOMPARE(knob.sizeIndex(), 2);
  QCOMPARE(knob.defaultValue(), 42);  // the creation value, not the current one
  QCOMPARE(knob.label(), QString("GAIN"));
  QVERIFY(knob.isEnabled());
  model.setEnabled(false);
  QVERIFY(!knob.isEnabled());
  knob.setSensitivityPixels(0);  // a zero travel would divide by zero
  QCOMPARE(knob.sensitivityPixels(), 1);
}

void KnobTest::fullSensitivityDragSpansTheRange() {
  BoundedValue model(0, 60, 0);
  Knob knob(model);
  dragBy(knob, {256});
  QCOMPARE(model.value(), 60);
  release(knob);

  // The same travel in single pixels lands exactly on the end as well: nothing is lost on the way.
  model.setValue(0);
  QTest::mousePress(&knob, Qt::LeftButton, {}, kInside);
  for (int x = 1; x <= 256; ++x) QTest::mouseMove(&knob, kInside + QPoint(x, 0));
  QCOMPARE(model.value(), 60);
  release(knob);

  // Left sweeps down; the user's sensitivity setting shortens the travel; beyond the end clamps.
  knob.setSensitivityPixels(128);
  dragBy(knob, {-64});
  QCOMPARE(model.value(), 30);
  QTest::mouseMove(&knob, kInside + QPoint(-64 - 500, 0));
  QCOMPARE(model.value(), 0);
  release(knob);
  QVERIFY(!knob.isDragging());
}

void KnobTest::fractionalStepsCarryOverUntilRelease() {
  BoundedValue model(0, 60, 30);
  Knob knob(model);  // 60 / 256 = 0.234375 of a step per pixel
  dragBy(knob, {1, 1, 1, 1});
  QCOMPARE(model.value(), 30);
  QTest::mouseMove(&knob, kInside + QPoint(5, 0));
  QCOMPARE(model.value(), 31);
  for (int x = 6; x <= 10; ++x) QTest::mouseMove(&knob, kInside + QPoint(x, 0));
  QCOMPARE(model.value(), 32);  // the remainder of the fifth pixel counted towards this step
  QTest::mouseMove(&knob, kInside + QPoint(10, 70));
  QCOMPARE(model.value(), 32);  // vertical travel is ignored
  release(knob);

  // Release drops the fraction: four pixels, release, one pixel is still no step.
  dragBy(knob, {1, 1, 1, 1});
  release(knob);
  dragBy(knob, {1});
  QCOMPARE(model.value(), 32);
  release(knob);
}

void KnobTest::rightClickRestoresTheDragStartValue() {
  BoundedValue model(0, 60, 50);
  Knob knob(model);
  QSignalSpy changes(&model, &BoundedValue::valueChanged);
  dragBy(knob, {100, 200, 300, -20});  // clamped at 60 twice, then back down
  QCOMPARE(model.value(), 56);
  QTest::mousePress(&knob, Qt::RightButton, {}, kInside);
  QCOMPARE(model.value(), 50);
  QVERIFY(!knob.isDragging());
  QCOMPARE(changes.last().at(0).toInt(), 50);
  // Further moves with the left button still down no longer turn the knob.
  QTest::mouseMove(&knob, kInside + QPoint(-200, 0));
  QCOMPARE(model.value(), 50);
  QTest::mouseRelease(&knob, Qt::RightButton, {}, kInside);
  release(knob);

  // A right click outside a drag changes nothing.
  QTest::mouseClick(&knob, Qt::RightButton, {}, kInside);
  QCOMPARE(model.value(), 50);
}

void KnobTest::doubleClickResetsToTheCreationValue() {
  BoundedValue model(0, 60, 30);
  model.setValue(10);
  Knob knob(model);
  const std::uint64_t t = 100000;
  const int interval = doubleClickIntervalMs();

  clickAt(knob, t);
  QCOMPARE(model.value(), 10);
  clickAt(knob, t + interval - 1);
  QCOMPARE(model.value(), 30);  // the creation value, not 10 from before the first click

  // Two presses further apart than the interval are two single clicks.
  model.setValue(12);
  clickAt(knob, t + 10 * interval);
  clickAt(knob, t + 11 * interval + 1);
  QCOMPARE(model.value(), 12);

  // A first press that starts a drag still pairs with the next press.
  const std::uint64_t u = t + 20 * interval;
  sendButton(knob, QEvent::MouseButtonPress, Qt::LeftButton, u);
  sendMove(knob, kInside.x() + 100, Qt::LeftButton);
  QCOMPARE(model.value(), 35);
  sendButton(knob, QEvent::MouseButtonRelease, Qt::NoButton, u + 2);
  sendButton(knob, QEvent::MouseButtonPress, Qt::LeftButton, u + interval / 2);
  QCOMPARE(model.value(), 30);
  QVERIFY(knob.isDragging());  // the second press starts a drag from the restored value
  sendMove(knob, kInside.x() - 256, Qt::LeftButton);
  QCOMPARE(model.value(), 0);
  sendButton(knob, QEvent::MouseButtonRelease, Qt::NoButton, u + interval);
}

void KnobTest::resetNotifiesLikeAnyChange() {
  BoundedValue model(-12, 12, 0);
  Knob knob(model);
  model.setValue(-7);
  QSignalSpy changes(&model, &BoundedValue::valueChanged);
  knob.reset();
  QCOMPARE(model.value(), 0);
  QCOMPARE(changes.count(), 1);
}

void KnobTest::sizeIndexTable() {
  BoundedValue model(0, 10, 5);
  Knob knob(model);
  const int expected[] = {24, 32, 40, 48};
  for (int index = 0; index < 4; ++index) {
    knob.setSizeIndex(index);
    QCOMPARE(knob.sizeIndex(), index);
    QCOMPARE(knob.edgePixels(), expected[index]);
    QCOMPARE(knob.minimumSize(), QSize(expected[index], expected[index]));
    QCOMPARE(knob.maximumSize(), QSize(expected[index], expected[index]));
  }
  knob.setSizeIndex(7);
  QCOMPARE(knob.sizeIndex(), 2);
  QCOMPARE(knob.edgePixels(), 40);
  QCOMPARE(knob.sizeHint(), QSize(40, 40));
  knob.setSizeIndex(-1);
  QCOMPARE(knob.sizeIndex(), 2);

  knob.setSizeIndex(4);
  QCOMPARE(knob.edgePixels(), 0);
  QCOMPARE(knob.minimumSize(), QSize(24, 24));
  QCOMPARE(knob.sizeHint(), QSize(32, 32));
  QCOMPARE(knob.maximumSize(), QSize(48, 48));

  // A caption adds the font height less two pixels.
  Knob labelled(model, "MID");
  const int labelPixels = labelled.fontMetrics().height() - 2;
  QCOMPARE(labelled.sizeHint(), QSize(40, 40 + labelPixels));
  labelled.setSizeIndex(4);
  QCOMPARE(labelled.maximumSize(), QSize(48, 48 + labelPixels));
}

void KnobTest::wheelStepsAndClamps() {
  BoundedValue model(0, 1000, 500);
  Knob knob(model);
  auto wheel = [&knob](int angle) {
    QWheelEvent event(QPointF(kInside), knob.mapToGlobal(QPointF(kInside)), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&knob, &event);
  };
  wheel(120);
  QCOMPARE(model.value(), 520);  // 2 % of the range a notch
  wheel(60);
  QCOMPARE(model.value(), 520);  // half a notch waits for the other half
  wheel(60);
  QCOMPARE(model.value(), 540);
  wheel(-120 * 100);
  QCOMPARE(model.value(), 0);
}

void KnobTest::drawingShowsValueColourAndState() {
  BoundedValue model(0, 60, 0);
  Knob knob(model, "GAIN");
  const QImage atMinimum = knob.grab().toImage();
  QVERIFY(!atMinimum.isNull());
  QVERIFY(colouredPixels(atMinimum) > knob.edgePixels() * knob.edgePixels() / 5);
  model.setValue(60);
  const QImage atMaximum = knob.grab().toImage();
  QCOMPARE(atMaximum.size(), atMinimum.size());
  QVERIFY(atMaximum != atMinimum);

  // Greyed out with its model: no colour left.
  model.setEnabled(false);
  QCOMPARE(colouredPixels(knob.grab().toImage()), 0);

  // Another colour is another picture; a sharp screen gets twice the pixels.
  model.setEnabled(true);
  knob.setColourRgb(0x2080FF);
  QVERIFY(knob.grab().toImage() != atMaximum);
  KnobRenderer::Look look;
  const QImage sharp = KnobRenderer::render(look, QSize(40, 40), 2.0);
  QCOMPARE(sharp.size(), QSize(80, 80));
  QCOMPARE(sharp.devicePixelRatio(), 2.0);
  QVERIFY(KnobRenderer::render(look, QSize(0, 40), 1.0).isNull());
}

void KnobTest::indicatorRotatesClockwiseFromLowerLeft() {
  const int edge = 48;
  const double centre = edge / 2.0;
  // A point on the indicator's line for a value at `fraction`, and whether the near-white line is there.
  auto spot = [&](double fraction) {
    const double angle = KnobRenderer::angleForFraction(fraction);
    return QPointF(centre + std::cos(angle) * edge * 0.2, centre + std::sin(angle) * edge * 0.2);
  };
  auto whiteNear = [](const QImage& image, QPointF point) {
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const QColor c = image.pixelColor(static_cast<int>(point.x()) + dx, static_cast<int>(point.y()) + dy);
        if (std::min({c.red(), c.green(), c.blue()}) > 200) return true;
      }
    }
    return false;
  };
  KnobRenderer::Look look;
  for (double fraction : {0.0, 0.5, 1.0}) {
    look.valueFraction = fraction;
    const QImage image = KnobRenderer::render(look, QSize(edge, edge), 1.0);
    QVERIFY2(whiteNear(image, spot(fraction)), qPrintable(QString::number(fraction)));
    QVERIFY(!whiteNear(image, spot(fraction < 0.5 ? 1.0 : 0.0)));
  }
  // The minimum points to the lower left, the middle straight up, the maximum to the lower right.
  QVERIFY(spot(0.0).x() < centre && spot(0.0).y() > centre);
  QVERIFY(std::abs(spot(0.5).x() - centre) < 1e-9 && spot(0.5).y() < centre);
  QVERIFY(spot(1.0).x() > centre && spot(1.0).y() > centre);
}

QTEST_MAIN(KnobTest)
#include "KnobTest.moc"
