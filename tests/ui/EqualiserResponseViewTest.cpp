// The equaliser response graph as drawn: the frequency axis, the band segments and the scale.

#include <cmath>

#include <QImage>
#include <QtTest>

#include "audio/BiquadResponse.h"
#include "widgets/EqualiserResponseView.h"

using namespace gm;

namespace {

constexpr QRgb kYellow = 0xFFFFFF00;
constexpr QRgb kGrey = 0xFF808080;

QImage grabAt(EqualiserResponseView& view, QSize size) {
  view.resize(size);
  return view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

int countInColumn(const QImage& image, int column, QRgb colour) {
  int count = 0;
  for (int row = 0; row < image.height(); ++row) {
    count += image.pixel(column, row) == colour ? 1 : 0;
  }
  return count;
}

}  // namespace

class EqualiserResponseViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void oneKilohertzLiesOnItsTruncatedColumn();
  void bandSegmentSpansItsTwoLimitsInclusive();
  void scaleKeepsTheWholeMidPeak();
};

// At a plot 600 pixels wide 1 kHz falls at 339.79: the line belongs on column 339, not 340.
void EqualiserResponseViewTest::oneKilohertzLiesOnItsTruncatedColumn() {
  EqualiserResponseView view;
  view.resize(700, 260);
  const int plotWidth = view.plotArea().width();
  const QSize size(700 + 600 - plotWidth, 260);
  const QImage image = grabAt(view, size);
  const QRect plot = view.plotArea();
  QCOMPARE(plot.width(), 600);
  const int expected = plot.left() + static_cast<int>(std::log(1000.0 / 20.0) / std::log(1000.0) * 600.0);
  QCOMPARE(expected, plot.left() + 339);
  QCOMPARE(view.columnOf(1000.0), expected);
  QCOMPARE(view.columnOf(20.0), plot.left());
  // Drawn there, at a level between the grid lines where no band reaches at 1 kHz (+9 dB).
  const int row = view.rowOf(9.0);
  QCOMPARE(image.pixel(expected, row), kGrey);
  QVERIFY(image.pixel(expected - 1, row) != kGrey);
  QVERIFY(image.pixel(expected + 1, row) != kGrey);
}

// Near its centre the mid band stands clear of both shelves (around 0 dB there), so its pixels in
// one column are exactly its segment: both ends drawn, nothing beyond them.
void EqualiserResponseViewTest::bandSegmentSpansItsTwoLimitsInclusive() {
  EqualiserResponseView view;
  EqualiserSettings settings;
  settings.mid = {800, 200, 9, 9};
  view.setEqualiserSettings(settings);
  QImage image = grabAt(view, view.minimumSizeHint());
  const int column = view.columnOf(800.0);
  QCOMPARE(countInColumn(image, column, kYellow), 1);

  settings.mid = {800, 200, 3, 9};
  view.setEqualiserSettings(settings);
  image = grabAt(view, {700, 260});
  const QRect plot = view.plotArea();
  const int segmentColumn = view.columnOf(800.0);
  const double columnHz = 20.0 * std::exp((segmentColumn - plot.left()) * std::log(1000.0) / plot.width());
  const auto rowAtGain = [&](int gainDb) {
    return view.rowOf(20.0 * std::log10(BiquadResponse(0, 800.0, gainDb, 2.0).magnitudeAt(columnHz)));
  };
  const int span = rowAtGain(3) - rowAtGain(9);
  QVERIFY(span > 10);
  QCOMPARE(countInColumn(image, segmentColumn, kYellow), span + 1);
}

// The shelves alone would put the top at about +3 dB; a mid band allowed +18 dB sets it instead,
// and 0 dB stays inside the scale even when every limit is a cut.
void EqualiserResponseViewTest::scaleKeepsTheWholeMidPeak() {
  EqualiserResponseView view;
  EqualiserSettings settings;
  settings.high.upperLimitDb = 3;
  settings.low.upperLimitDb = 3;
  settings.mid.upperLimitDb = 18;
  view.setEqualiserSettings(settings);
  QVERIFY(std::abs(view.scaleTopDb() - 18.0) < 1e-9);
  QVERIFY(std::abs(view.scaleBottomDb() + 18.0) < 1e-9);

  settings.high = {8000, 500, -6, -3};
  settings.mid = {800, 200, -6, -3};
  settings.low = {80, 500, -6, -3};
  view.setEqualiserSettings(settings);
  QCOMPARE(view.scaleTopDb(), 0.0);
  QVERIFY(view.rowOf(0.0) == view.plotArea().top());

  // Settings no slider can give (zero frequency and resonance, gains of ±1000 dB and beyond): the
  // scale is held to ±200 dB, and drawing turns no infinity or NaN into a pixel (the sanitizer
  // build would stop on such a conversion).
  settings.high = {0, 0, -100000, 100000};
  settings.mid = {1000, 200, -1000, 1000};
  settings.low = {30000, -7, 0, 0};
  view.setEqualiserSettings(settings);
  QCOMPARE(view.scaleTopDb(), 200.0);
  QCOMPARE(view.scaleBottomDb(), -200.0);
  QVERIFY(!grabAt(view, {700, 260}).isNull());
}

QTEST_MAIN(EqualiserResponseViewTest)
#include "EqualiserResponseViewTest.moc"
