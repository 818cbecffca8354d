#pragma once
// The whole track at a glance, under the scrolling waveform: its shape (filled in as the loader
// decodes, the rest shown as pending with the percentage), the play position, the cue point and the
// loop. Clicking or dragging seeks. Once the bands are analysed the shape takes the colours of the
// spectral balance, or shows one band's energy, as the deck's band toggles say. The shape is drawn
// once into an image, again only when new overview words or bands arrive, the toggles change or the
// size changes; a repaint just lays the markers over it.

#include <cstdint>

#include <QImage>
#include <QWidget>

#include "tracks/ui/BandColumns.h"
#include "tracks/ui/DeckColours.h"
#include "tracks/ui/OverviewColumns.h"
#include "tracks/ui/ViewSurface.h"

namespace gm {

class Deck;

class TrackNavigator : public QWidget {
  Q_OBJECT
 public:
  explicit TrackNavigator(Deck& deck, QWidget* parent = nullptr);

  QSize sizeHint() const override { return {400, 44}; }
  QSize minimumSizeHint() const override { return {120, 28}; }
  // The frame a click at x seeks to.
  std::int64_t frameAt(int x) const;
  // [main-thread] The colours to draw in; redraws at once.
  void setColours(const DeckColours& colours);
  const DeckColours& colours() const { return colours_; }
  // [main-thread] Paints through OpenGL from now on when the machine can (see ViewSurface).
  bool useOpenGl() { return surface_.useOpenGl(); }
  bool openGl() const { return surface_.openGl(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void connectDeck();
  void followSample();
  void takeNewWords();
  void paint(QPainter& painter);
  void rebuildImage();
  void drawShape(QPainter& painter, const QSize& pixels) const;
  void showPosition(std::int32_t frame);
  void seekTo(int x);
  double xOf(std::int64_t frame) const;
  int physicalWidth() const;
  void drawMarkers(QPainter& painter) const;
  void drawPending(QPainter& painter) const;

  Deck& deck_;
  DeckColours colours_ = DeckColours::defaults();
  ViewSurface surface_{*this, [this](QPainter& painter) { paint(painter); }};
  OverviewColumns columns_;
  BandColumns bands_;
  QImage image_;
  bool imageStale_ = true;
  int columnsWidth_ = 0;  // the device pixels the columns were made for
  std::int32_t positionFrames_ = 0;
  int playheadX_ = -1;
  std::int32_t cueFrame_ = 0;
  std::int32_t loopStart_ = 0;
  std::int32_t loopEnd_ = 0;
  int loadPercent_ = 0;
};

}  // namespace gm
