#pragma once
// The scrolling waveform of a deck: about four seconds either side of the play position, the
// playhead fixed in the middle, the beat grid anchored at the cue point (every fourth beat brighter),
// the cue and the loop. While the deck plays it is redrawn at the display's rate from a position
// extrapolated between the deck's reports; the wheel jogs the deck. Once the track's bands are
// analysed the music is drawn in the colours of its spectral balance, or as one band's energy when
// the deck's band toggles (in the view's top right corner) say so. Painting reads precomputed columns and the deck's cheap accessors
// only, never the deck's lock.

#include <cstdint>

#include <QLine>
#include <QList>
#include <QTimer>
#include <QWidget>

#include "tracks/ui/BandColumns.h"
#include "tracks/ui/DeckColours.h"
#include "tracks/ui/OverviewColumns.h"
#include "tracks/ui/PlayheadClock.h"
#include "tracks/ui/ViewSurface.h"

namespace gm {

class BandToggles;
class Deck;

class WaveformView : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kVisibleSeconds = 8.0;
  static constexpr int kWheelStep = 120;  // one detent of a mouse wheel
  static constexpr int kFrameIntervalMs = 16;

  explicit WaveformView(Deck& deck, QWidget* parent = nullptr);

  QSize sizeHint() const override { return {800, 96}; }
  QSize minimumSizeHint() const override { return {200, 48}; }
  // [main-thread] The position drawn now, in frames.
  double displayedPositionFrames() const;
  // The smooth redraw runs (the deck plays and the view is shown).
  bool animating() const { return frameTimer_.isActive(); }
  // [main-thread] The colours to draw in; repaints at once.
  void setColours(const DeckColours& colours);
  const DeckColours& colours() const { return colours_; }
  // [main-thread] Paints through OpenGL from now on when the machine can (see ViewSurface).
  bool useOpenGl() { return surface_.useOpenGl(); }
  bool openGl() const { return surface_.openGl(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // Where things land on screen for one painted frame. The waveform scrolls by whole columns so
  // each column keeps its extremes; markers use the same origin so they stay glued to the music.
  struct Frame {
    std::int64_t centreColumn;
    int centreX;
    double framesPerColumn;
    double xOf(double frame) const { return centreX + frame / framesPerColumn - double(centreColumn); }
  };

  void connectDeck();
  void followSample();
  void takeNewWords();
  void followBands();
  void updateAnimation();
  void paint(QPainter& painter);
  QColor overBackground(QRgb over, int alpha) const;
  QColor dimText() const;
  void drawEmpty(QPainter& painter);
  void drawLoop(QPainter& painter, const Frame& frame) const;
  void drawBeatGrid(QPainter& painter, const Frame& frame) const;
  void drawWaveform(QPainter& painter, const Frame& frame);
  void drawPending(QPainter& painter, const Frame& frame) const;
  void drawCueAndPlayhead(QPainter& painter, const Frame& frame) const;

  Deck& deck_;
  DeckColours colours_ = DeckColours::defaults();
  ViewSurface surface_{*this, [this](QPainter& painter) { paint(painter); }};
  OverviewColumns columns_;
  BandColumns bands_;
  BandToggles* toggles_ = nullptr;  // in the top right corner
  PlayheadClock clock_;
  QTimer frameTimer_;
  std::int32_t cueFrame_ = 0;
  std::int32_t loopStart_ = 0;
  std::int32_t loopEnd_ = 0;
  std::int32_t gridBpm_ = 0;
  int loadPercent_ = 0;
  int wheelRemainder_ = 0;
  // Reused line buffers: painting allocates nothing once they have grown to the widget's width.
  QList<QLine> playedLines_;
  QList<QLine> comingLines_;
};

}  // namespace gm
