#include "widgets/EqualiserResponseView.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QColor>
#include <QFontMetrics>
#include <QPainter>

#include "audio/BiquadResponse.h"

namespace gm {

namespace {

constexpr double kLowestHz = 20.0;
constexpr double kHighestHz = 20000.0;
constexpr double kLastColumnHz = 19980.0;
// Q as drawn: resonance / 100 (the decks divide by 1000).
constexpr double kResonancePerQ = 100.0;

// A wider scale (only out-of-range settings reach one) doubles the step until at most this many
// lines remain; the scale itself stays within ±kScaleLimitDb so that labels stay printable.
constexpr double kGridStepDb = 6.0;
constexpr int kMaxGridLines = 10;
constexpr double kScaleLimitDb = 200.0;
constexpr double kMinimumSpanDb = 6.0;

const QColor kBackground(0x14, 0x14, 0x16);
const QColor kGridColour(0x80, 0x80, 0x80);
const QColor kLabelColour(0xC8, 0xC8, 0xC8);

struct BandShape {
  EqualiserBand EqualiserSettings::*band;
  BiquadType type;
  QRgb colour;
};

// Drawing order: a later band covers an earlier one where they overlap.
constexpr std::array<BandShape, 3> kBandShapes{{
    {&EqualiserSettings::high, BiquadType::HighShelf, 0xFF0000},
    {&EqualiserSettings::mid, BiquadType::MidPeak, 0xFFFF00},
    {&EqualiserSettings::low, BiquadType::LowShelf, 0x0000FF},
}};

BiquadResponse responseAt(const EqualiserBand& band, BiquadType type, int gainDb) {
  return BiquadResponse(static_cast<int>(type), band.frequencyHz, gainDb, band.resonance / kResonancePerQ);
}

// 20·log10 of a magnitude; no response at all (0, or NaN from a broken design) is −∞.
double levelDb(double magnitude) {
  if (!(magnitude > 0.0)) {
    return -HUGE_VAL;
  }
  return 20.0 * std::log10(magnitude);
}

QString levelLabel(double levelDb) { return QString::asprintf("%+lddB", std::lround(levelDb)); }

struct FrequencyLine {
  double frequencyHz;
  const char* label;  // nullptr: an unlabelled line
};

constexpr std::array<FrequencyLine, 15> kFrequencyLines{{
    {20, "20Hz"},  {40, nullptr},   {60, nullptr},    {80, nullptr},   {100, "100Hz"},
    {200, nullptr}, {400, nullptr}, {600, nullptr},   {800, nullptr},  {1000, "1KHz"},
    {2000, nullptr}, {4000, nullptr}, {6000, nullptr}, {8000, nullptr}, {10000, "10KHz"},
}};

}  // namespace

EqualiserResponseView::EqualiserResponseView(QWidget* parent) : QWidget(parent) { updateScale(); }

void EqualiserResponseView::setEqualiserSettings(const EqualiserSettings& settings) {
  settings_ = settings;
  updateScale();
  update();
}

QSize EqualiserResponseView::sizeHint() const { return {640, 220}; }

QSize EqualiserResponseView::minimumSizeHint() const { return {320, 160}; }

// The top follows each shelf at its far end of the axis and the peak both at 20 kHz and at its
// centre: a mid band allowed more boost than the shelves would otherwise be cut off at the top.
void EqualiserResponseView::updateScale() {
  const EqualiserBand& high = settings_.high;
  const EqualiserBand& mid = settings_.mid;
  const EqualiserBand& low = settings_.low;
  const std::array<double, 4> highest{
      levelDb(responseAt(high, BiquadType::HighShelf, high.upperLimitDb).magnitudeAt(kHighestHz)),
      levelDb(responseAt(mid, BiquadType::MidPeak, mid.upperLimitDb).magnitudeAt(kHighestHz)),
      levelDb(responseAt(mid, BiquadType::MidPeak, mid.upperLimitDb).magnitudeAt(mid.frequencyHz)),
      levelDb(responseAt(low, BiquadType::LowShelf, low.upperLimitDb).magnitudeAt(kLowestHz))};
  const std::array<double, 3> deepest{
      levelDb(responseAt(high, BiquadType::HighShelf, high.lowerLimitDb).magnitudeAt(kHighestHz)),
      levelDb(responseAt(mid, BiquadType::MidPeak, mid.lowerLimitDb).magnitudeAt(mid.frequencyHz)),
      levelDb(responseAt(low, BiquadType::LowShelf, low.lowerLimitDb).magnitudeAt(kLowestHz))};
  double top = 0.0;
  for (double level : highest) {
    top = std::isfinite(level) ? std::max(top, level) : top;
  }
  double bottom = 0.0;
  for (double level : deepest) {
    bottom = std::isfinite(level) ? std::min(bottom, level) : bottom;
  }
  scaleTopDb_ = std::min(kScaleLimitDb, std::max(top, bottom + kMinimumSpanDb));
  scaleBottomDb_ = std::max(-kScaleLimitDb, bottom);
  gridStepDb_ = kGridStepDb;
  while ((scaleTopDb_ - scaleBottomDb_) / gridStepDb_ > kMaxGridLines) {
    gridStepDb_ *= 2.0;
  }
}

int EqualiserResponseView::levelLabelWidth() const {
  const QFontMetrics metrics = fontMetrics();
  return std::max(metrics.horizontalAdvance(levelLabel(scaleTopDb_)),
                  metrics.horizontalAdvance(levelLabel(scaleBottomDb_)));
}

// Margins for the labels: the level labels left of the plot, centred on their lines (half a text
// height above the top row), the frequency labels in a strip below it.
QRect EqualiserResponseView::plotArea() const {
  const QRect box = contentsRect();
  const int textHeight = fontMetrics().height();
  const int left = box.left() + levelLabelWidth() + 6;
  const int top = box.top() + textHeight / 2 + 1;
  const int right = box.right() - 6;
  const int bottom = box.bottom() - textHeight - 2;
  return QRect(QPoint(left, top), QPoint(std::max(left, right), std::max(top, bottom)));
}

int EqualiserResponseView::columnOf(double frequencyHz) const {
  const QRect plot = plotArea();
  if (!(frequencyHz > 0.0)) {
    return plot.left() - 1;
  }
  const double share = (std::log(frequencyHz) - std::log(kLowestHz)) / (std::log(kHighestHz) - std::log(kLowestHz));
  // Held to a plot's width either side, which keeps the conversion to int defined.
  return plot.left() + static_cast<int>(std::floor(std::clamp(share, -1.0, 2.0) * plot.width()));
}

int EqualiserResponseView::rowOf(double levelDb) const {
  const QRect plot = plotArea();
  if (std::isnan(levelDb)) {
    return plot.bottom();
  }
  const double share = std::clamp((scaleTopDb_ - levelDb) / (scaleTopDb_ - scaleBottomDb_), 0.0, 1.0);
  return plot.top() + static_cast<int>(std::lround(share * (plot.height() - 1)));
}

void EqualiserResponseView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  const QRect plot = plotArea();
  drawLevelGrid(painter, plot);
  drawFrequencyGrid(painter, plot);
  drawBands(painter, plot);
}

void EqualiserResponseView::drawLevelGrid(QPainter& painter, const QRect& plot) const {
  const QFontMetrics metrics = fontMetrics();
  const int labelRight = plot.left() - 4;
  painter.setPen(kLabelColour);
  // A hair of slack so that a top at 11.999999999999998 dB still gets its +12 dB line.
  const auto first = static_cast<long>(std::ceil(scaleBottomDb_ / gridStepDb_ - 1e-9));
  const auto last = static_cast<long>(std::floor(scaleTopDb_ / gridStepDb_ + 1e-9));
  for (long step = first; step <= last; ++step) {
    const double level = static_cast<double>(step) * gridStepDb_;
    const int row = rowOf(level);
    painter.fillRect(QRect(plot.left(), row, plot.width(), 1), kGridColour);
    const QString label = levelLabel(level);
    const QRect labelBox(labelRight - metrics.horizontalAdvance(label), row - metrics.height() / 2,
                         metrics.horizontalAdvance(label), metrics.height());
    painter.drawText(labelBox, Qt::AlignRight | Qt::AlignVCenter, label);
  }
}

void EqualiserResponseView::drawFrequencyGrid(QPainter& painter, const QRect& plot) const {
  const QFontMetrics metrics = fontMetrics();
  const int labelTop = plot.bottom() + 2;
  const int rightmost = contentsRect().right() + 1;
  painter.setPen(kLabelColour);
  for (const FrequencyLine& line : kFrequencyLines) {
    const int column = columnOf(line.frequencyHz);
    painter.fillRect(QRect(column, plot.top(), 1, plot.height()), kGridColour);
    if (line.label == nullptr) {
      continue;
    }
    const QString label = QString::fromLatin1(line.label);
    const int width = metrics.horizontalAdvance(label);
    // Centred under the line, but kept inside the widget and right of the level labels.
    const int left = std::max(plot.left(), std::min(column - width / 2, rightmost - width));
    painter.drawText(QRect(left, labelTop, width, metrics.height()), Qt::AlignLeft | Qt::AlignTop, label);
  }
}

void EqualiserResponseView::drawBands(QPainter& painter, const QRect& plot) const {
  const double logSpan = std::log(kHighestHz) - std::log(kLowestHz);
  for (const BandShape& shape : kBandShapes) {
    const EqualiserBand& band = settings_.*shape.band;
    const BiquadResponse upper = responseAt(band, shape.type, band.upperLimitDb);
    const BiquadResponse lower = responseAt(band, shape.type, band.lowerLimitDb);
    const QColor colour = QColor::fromRgb(shape.colour);
    for (int offset = 0; offset < plot.width(); ++offset) {
      const double frequencyHz = kLowestHz * std::exp(offset * logSpan / plot.width());
      if (frequencyHz > kLastColumnHz) {
        break;
      }
      const int upperRow = rowOf(levelDb(upper.magnitudeAt(frequencyHz)));
      const int lowerRow = rowOf(levelDb(lower.magnitudeAt(frequencyHz)));
      const int topRow = std::min(upperRow, lowerRow);
      painter.fillRect(QRect(plot.left() + offset, topRow, 1, std::abs(upperRow - lowerRow) + 1), colour);
    }
  }
}

}  // namespace gm
