#include "tracks/ui/TrackNavigator.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "core/CatalogTable.h"
#include "tracks/Deck.h"
#include "tracks/ui/DeckPalette.h"
#include "tracks/ui/MarkerTriangle.h"
#include "tracks/ui/TrackDrop.h"

namespace gm {
namespace {

constexpr int kMinuteTickPixels = 4;
constexpr int kFramesPerMinute = 60 * 44100;

}  // namespace

TrackNavigator::TrackNavigator(Deck& deck, QWidget* parent) : QWidget(parent), deck_(deck) {
  setObjectName(deck_.deckIndex() == 0 ? "deckA.navigator" : "deckB.navigator");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::PointingHandCursor);
  setToolTip(msg(Msg::NavigatorHelp));
  connectDeck();
  followSample();
  TrackDrop::install(*this, deck_);
}

void TrackNavigator::connectDeck() {
  connect(&deck_, &Deck::titleChanged, this, &TrackNavigator::followSample);
  connect(&deck_, &Deck::loaded, this, &TrackNavigator::followSample);
  connect(&deck_, &Deck::loadFailed, this, &TrackNavigator::followSample);
  connect(&deck_, &Deck::loadProgress, this, [this](std::int32_t percent) {
    loadPercent_ = percent;
    takeNewWords();
  });
  connect(&deck_, &Deck::positionChanged, this, &TrackNavigator::showPosition);
  connect(&deck_.bandDisplay(), &BandDisplay::changed, this, [this] {
    bands_.update(deck_.sample(), columns_.trackFrames(), columns_.framesPerColumn(), deck_.bandDisplay());
    imageStale_ = true;
    surface_.update();
  });
  connect(&deck_, &Deck::cueChanged, this, [this](std::int32_t cueBytes) {
    cueFrame_ = cueBytes / 4;
    surface_.update();
  });
  connect(&deck_, &Deck::loopChanged, this, [this](std::int32_t start, std::int32_t end) {
    loopStart_ = start;
    loopEnd_ = end;
    surface_.update();
  });
}

// The deck hands over a new record when a load starts and when the load ends with a length other
// than the one expected: start over in each case. The record's length, not the deck's decoded
// frames, spans the view, so a track still loading keeps its final scale.
void TrackNavigator::followSample() {
  const std::shared_ptr<const SampleData> sample = deck_.sample();
  const std::int32_t frames = sample ? sample->frames : 0;
  const int pixels = physicalWidth();
  if (sample.get() != columns_.sample() || frames != columns_.trackFrames() || pixels != columnsWidth_) {
    // One column per device pixel: sharp on high-density screens too.
    columns_.reset(sample, frames, frames > 0 ? double(frames) / pixels : 1.0);
    columnsWidth_ = pixels;
    imageStale_ = true;
  } else if (columns_.update()) {
    imageStale_ = true;
  }
  bands_.update(sample, columns_.trackFrames(), columns_.framesPerColumn(), deck_.bandDisplay());
  if (!sample) loadPercent_ = 0;
  positionFrames_ = deck_.positionFrames();
  cueFrame_ = deck_.cueBytes() / 4;
  loopStart_ = deck_.loopStart();
  loopEnd_ = deck_.loopEnd();
  surface_.update();
}

void TrackNavigator::takeNewWords() {
  if (deck_.sample().get() != columns_.sample()) {
    followSample();
    return;
  }
  if (columns_.update()) imageStale_ = true;
  surface_.update();
}

void TrackNavigator::showPosition(std::int32_t frame) {
  positionFrames_ = frame;
  // Reports arrive many times a second; only a move of the playhead by a pixel is worth a repaint.
  const int x = int(xOf(frame));
  if (x == playheadX_) return;
  playheadX_ = x;
  surface_.update();
}

double TrackNavigator::xOf(std::int64_t frame) const {
  const std::int64_t frames = columns_.trackFrames();
  return frames > 0 ? double(frame) * width() / double(frames) : 0.0;
}

std::int64_t TrackNavigator::frameAt(int x) const {
  const int clamped = std::clamp(x, 0, std::max(0, width() - 1));
  return width() > 0 ? std::int64_t(clamped) * columns_.trackFrames() / width() : 0;
}

void TrackNavigator::seekTo(int x) {
  if (columns_.trackFrames() > 0) deck_.setPosition(frameAt(x));
}

void TrackNavigator::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) seekTo(event->position().toPoint().x());
}

void TrackNavigator::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) seekTo(event->position().toPoint().x());
}

void TrackNavigator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  surface_.fitToView();
  imageStale_ = true;
  followSample();
}

int TrackNavigator::physicalWidth() const { return std::max(1, int(std::lround(width() * devicePixelRatioF()))); }

void TrackNavigator::rebuildImage() {
  const double scale = devicePixelRatioF();
  const QSize pixels(physicalWidth(), std::max(1, int(std::lround(height() * scale))));
  if (image_.size() != pixels) image_ = QImage(pixels, QImage::Format_RGB32);
  image_.setDevicePixelRatio(1.0);  // drawn in device pixels, shown in the widget's units
  image_.fill(colours_.background);
  QPainter painter(&image_);
  drawShape(painter, pixels);
  // Minute ticks along the bottom edge, for finding one's way in a long track.
  painter.setPen(QColor(deck_palette::kDimText));
  for (std::int64_t frame = kFramesPerMinute; frame < columns_.trackFrames(); frame += kFramesPerMinute) {
    const int x = int(xOf(frame) * scale);
    painter.drawLine(x, pixels.height() - kMinuteTickPixels, x, pixels.height());
  }
  painter.end();
  image_.setDevicePixelRatio(scale);
  imageStale_ = false;
}

void TrackNavigator::drawShape(QPainter& painter, const QSize& pixels) const {
  const int mid = pixels.height() / 2;
  painter.setPen(QColor(deck_palette::kCentreLine));
  painter.drawLine(0, mid, pixels.width(), mid);
  const BandDisplay& display = deck_.bandDisplay();
  if (bands_.drawnFor(display)) {
    bands_.paint(painter, 0, 0, pixels.width(), 1, pixels.height() - 2, bands_.curveFor(display), 0);
    return;
  }
  const double amplitude = (pixels.height() / 2 - 2) / 32768.0;
  painter.setPen(QColor(colours_.waveform));
  const int columns = std::min(columns_.columnCount(), pixels.width());
  for (int x = 0; x < columns; ++x) {
    const OverviewColumns::Extremes& column = columns_.column(x);
    painter.drawLine(x, mid - int(column.maximum * amplitude), x, mid - int(column.minimum * amplitude));
  }
}

void TrackNavigator::setColours(const DeckColours& colours) {
  colours_ = colours;
  imageStale_ = true;
  surface_.update();
}

void TrackNavigator::paintEvent(QPaintEvent*) { surface_.paintView(); }

void TrackNavigator::paint(QPainter& painter) {
  if (imageStale_) rebuildImage();
  painter.drawImage(0, 0, image_);
  if (!columns_.sample()) {
    // Loading, before the decoder's first block: all of the track is still to come.
    if (deck_.busy()) painter.fillRect(rect(), QBrush(QColor(deck_palette::kPending), Qt::BDiagPattern));
    return;
  }
  drawPending(painter);
  drawMarkers(painter);
}

void TrackNavigator::drawPending(QPainter& painter) const {
  if (columns_.complete()) return;
  const int from = int(xOf(columns_.filledFrames()));
  const QRect pending(from, 0, width() - from, height());
  painter.fillRect(pending, QBrush(QColor(deck_palette::kPending), Qt::BDiagPattern));
  painter.setPen(QColor(colours_.text));
  painter.drawText(rect(), Qt::AlignCenter, msg(Msg::NavigatorLoading).arg(loadPercent_));
}

void TrackNavigator::drawMarkers(QPainter& painter) const {
  const int h = height();
  const int playX = int(xOf(positionFrames_));
  painter.fillRect(0, 0, playX, h, QColor(0, 0, 0, 110));  // the part already played, dimmed
  if (loopStart_ != loopEnd_) {
    const int from = int(xOf(loopStart_));
    const int to = std::max(from + 1, int(xOf(loopEnd_)));
    QColor fill(colours_.loop);
    fill.setAlpha(deck_palette::kLoopFillAlpha + 40);
    painter.fillRect(from, 0, to - from, h, fill);
  }
  const int cueX = int(xOf(cueFrame_));
  // A filled column rather than a pen line: both paint engines (raster, OpenGL) put it on the same pixels.
  painter.fillRect(cueX, 0, 1, h, QColor(deck_palette::kCue));
  fillMarkerTriangle(painter, cueX, 0, 4, 5, true, QColor(deck_palette::kCue));
  painter.fillRect(playX - 1, 0, 2, h, QColor(colours_.playhead));
}

}  // namespace gm
