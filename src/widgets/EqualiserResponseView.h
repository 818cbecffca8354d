#pragma once
// What each equaliser band can do, for the settings window's equaliser page: for every band the
// area between its response at the lower and at the upper gain limit, in the band's colour (high
// red, mid yellow, low blue), over a logarithmic axis from 20 Hz to 20 kHz, so that the user sees
// where the bands overlap before saving.
//
// The curves are drawn with Q = resonance / 100, ten times the Q the decks use (resonance / 1000):
// the drawn mid peak is narrower than the one heard. The shelves' slope does not depend on Q.
//
// Vertical scale, in dB: the highest level a band reaches at its upper limit (each shelf at its
// far end of the axis, the peak at its centre) is the top row, the deepest at the lower limits
// the bottom row, and 0 dB always lies between them. Grid lines every 6 dB (more on a wider scale).

#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include "audio/DeckEqualiser.h"

namespace gm {

class EqualiserResponseView : public QWidget {
  Q_OBJECT
 public:
  explicit EqualiserResponseView(QWidget* parent = nullptr);

  // [main-thread] Copies the twelve band values and redraws.
  void setEqualiserSettings(const EqualiserSettings& settings);
  const EqualiserSettings& equaliserSettings() const { return settings_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The graph's geometry, in widget pixels: the plot inside the label margins, the column of a
  // frequency (20 Hz is the plot's first column, truncated toward 20 Hz; 0 Hz and below give the
  // column left of the plot) and the row of a level (clamped to the plot; below the scale, −∞ and
  // NaN give the bottom row).
  QRect plotArea() const;
  int columnOf(double frequencyHz) const;
  int rowOf(double levelDb) const;
  double scaleTopDb() const { return scaleTopDb_; }
  double scaleBottomDb() const { return scaleBottomDb_; }
  double gridStepDb() const { return gridStepDb_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateScale();
  void drawLevelGrid(QPainter& painter, const QRect& plot) const;
  void drawFrequencyGrid(QPainter& painter, const QRect& plot) const;
  void drawBands(QPainter& painter, const QRect& plot) const;
  int levelLabelWidth() const;

  EqualiserSettings settings_;
  double scaleTopDb_ = 0.0;
  double scaleBottomDb_ = 0.0;
  double gridStepDb_ = 6.0;
};

}  // namespace gm
