#include "tracks/ui/WaveformView.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QWheelEvent>

#include "audio/BeatGrid.h"
#include "core/CatalogTable.h"
#include "tracks/Deck.h"
#include "tracks/ui/BandToggles.h"
#include "tracks/ui/DeckPalette.h"
#include "tracks/ui/MarkerTriangle.h"
#include "tracks/ui/TrackDrop.h"

namespace gm {
namespace {

constexpr double kFramesPerSecond = 44100.0;
constexpr int kMarkerPixels = 6;
constexpr int kBandMarginPixels = 2;
constexpr int kToggleMarginPixels = 3;

PlayheadClock::Clock::time_point now() { return PlayheadClock::Clock::now(); }

}  // namespace

WaveformView::WaveformView(Deck& deck, QWidget* parent) : QWidget(parent), deck_(deck) {
  setObjectName(deck_.deckIndex() == 0 ? "deckA.waveform" : "deckB.waveform");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setToolTip(msg(Msg::WaveformHelp));
  frameTimer_.setTimerType(Qt::PreciseTimer);
  frameTimer_.setInterval(kFrameIntervalMs);
  connect(&frameTimer_, &QTimer::timeout, this, [this] { surface_.update(); });
  clock_.setSpeed(deck_.pitch() / 10000.0, now());
  toggles_ = new BandToggles(deck_, this);
  connectDeck();
  followSample();
  TrackDrop::install(*this, deck_);
}

void WaveformView::connectDeck() {
  connect(&deck_, &Deck::titleChanged, this, &WaveformView::followSample);
  connect(&deck_, &Deck::loaded, this, &WaveformView::followSample);
  connect(&deck_, &Deck::loadFailed, this, &WaveformView::followSample);
  connect(&deck_, &Deck::loadProgress, this, [this](std::int32_t percent) {
    loadPercent_ = percent;
    takeNewWords();
  });
  connect(&deck_, &Deck::positionChanged, this, [this](std::int32_t frame) {
    clock_.report(frame, now());
    if (!animating()) surface_.update();
  });
  connect(&deck_, &Deck::recentre, this, [this] {
    clock_.jumpTo(deck_.positionFrames(), now());
    surface_.update();
  });
  connect(&deck_, &Deck::playingChanged, this, [this](bool playing) {
    clock_.setRunning(playing, deck_.positionFrames(), now());
    updateAnimation();
    surface_.update();
  });
  connect(&deck_, &Deck::pitchChanged, this, [this](std::int32_t pitch) {
    clock_.setSpeed(pitch / 10000.0, now());
    surface_.update();
  });
  connect(&deck_, &Deck::cueChanged, this, [this](std::int32_t cueBytes) {
    cueFrame_ = cueBytes / 4;
    surface_.update();
  });
  connect(&deck_, &Deck::loopChanged, this, [this](std::int32_t start, std::int32_t end) {
    loopStart_ = start;
    loopEnd_ = end;
    clock_.setLoop(start, end);
    surface_.update();
  });
  connect(&deck_, &Deck::bpmChanged, this, [this] { surface_.update(); });
  connect(&deck_.bandDisplay(), &BandDisplay::changed, this, [this] {
    followBands();
    surface_.update();
  });
  connect(&deck_, &Deck::currentBpmChanged, this, [this] { surface_.update(); });
}

// A new record arrives when a load starts and when the load ends with a length other than the one
// expected; a new width changes the frames per column. Either way, start over. The record's length
// (not the frames decoded so far) is the track's, so the pending part shows while it loads.
void WaveformView::followSample() {
  const std::shared_ptr<const SampleData> sample = deck_.sample();
  const std::int32_t frames = sample ? sample->frames : 0;
  const double framesPerColumn = kVisibleSeconds * kFramesPerSecond / std::max(1, width());
  if (sample.get() != columns_.sample() || frames != columns_.trackFrames() ||
      framesPerColumn != columns_.framesPerColumn()) {
    columns_.reset(sample, frames, framesPerColumn);
  } else {
    columns_.update();
  }
  followBands();
  if (!sample) loadPercent_ = 0;
  clock_.setLength(frames);
  clock_.jumpTo(deck_.positionFrames(), now());
  cueFrame_ = deck_.cueBytes() / 4;
  loopStart_ = deck_.loopStart();
  loopEnd_ = deck_.loopEnd();
  clock_.setLoop(loopStart_, loopEnd_);
  surface_.update();
}

void WaveformView::takeNewWords() {
  if (deck_.sample().get() != columns_.sample()) {
    followSample();
    return;
  }
  columns_.update();
  surface_.update();
}

void WaveformView::followBands() {
  bands_.update(deck_.sample(), columns_.trackFrames(), columns_.framesPerColumn(), deck_.bandDisplay());
}

double WaveformView::displayedPositionFrames() const { return clock_.positionAt(now()); }

void WaveformView::updateAnimation() {
  const bool wanted = deck_.playing() && isVisible();
  if (wanted && !frameTimer_.isActive()) frameTimer_.start();
  if (!wanted) frameTimer_.stop();
}

void WaveformView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  updateAnimation();
}

void WaveformView::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  updateAnimation();
}

void WaveformView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  surface_.fitToView();
  const QSize toggles = toggles_->sizeHint();
  toggles_->setGeometry(width() - toggles.width() - kToggleMarginPixels, kToggleMarginPixels, toggles.width(), toggles.height());
  followSample();
}

void WaveformView::wheelEvent(QWheelEvent* event) {
  // Several detents in one event go to the deck as one jog, which scales its step by the count.
  wheelRemainder_ += event->angleDelta().y();
  const int detents = wheelRemainder_ / kWheelStep;
  if (detents != 0) {
    wheelRemainder_ -= detents * kWheelStep;
    deck_.jog(detents);
  }
  event->accept();
}

void WaveformView::setColours(const DeckColours& colours) {
  colours_ = colours;
  surface_.update();
}

// `over` laid on the background with `alpha`, as an opaque colour.
QColor WaveformView::overBackground(QRgb over, int alpha) const {
  const QRgb under = colours_.background;
  auto mix = [alpha](int top, int bottom) { return (top * alpha + bottom * (255 - alpha)) / 255; };
  return QColor(mix(qRed(over), qRed(under)), mix(qGreen(over), qGreen(under)), mix(qBlue(over), qBlue(under)));
}

// The deck's letter and the hint on an empty deck: the text colour, half sunk into the background.
QColor WaveformView::dimText() const { return overBackground(colours_.text, 128); }

void WaveformView::paintEvent(QPaintEvent*) { surface_.paintView(); }

void WaveformView::paint(QPainter& painter) {
  painter.fillRect(rect(), QColor(colours_.background));
  if (!columns_.sample()) {
    drawEmpty(painter);
    return;
  }
  const double position = clock_.positionAt(now());
  const double framesPerColumn = columns_.framesPerColumn();
  const Frame frame{std::int64_t(std::floor(position / framesPerColumn)), width() / 2, framesPerColumn};
  // Back to front, all opaque: translucent fills and lines take the raster engine's slow paths and
  // cost ten times as much, so what would be see-through is drawn before the music instead.
  drawLoop(painter, frame);
  drawBeatGrid(painter, frame);
  drawWaveform(painter, frame);
  drawPending(painter, frame);
  drawCueAndPlayhead(painter, frame);
  painter.setPen(dimText());
  painter.drawText(rect().adjusted(6, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, deck_.deckIndex() == 0 ? "A" : "B");
}

void WaveformView::drawEmpty(QPainter& painter) {
  painter.setPen(QColor(deck_palette::kCentreLine));
  painter.drawLine(0, height() / 2, width(), height() / 2);
  painter.setPen(dimText());
  const QString deckName = deck_.deckIndex() == 0 ? "A" : "B";
  // Between the start of a load and the decoder's first block the deck has no record yet.
  const QString text = msg(deck_.busy() ? Msg::WaveformLoading : Msg::WaveformDropHint).arg(deckName);
  painter.drawText(rect(), Qt::AlignCenter, text);
}

void WaveformView::drawLoop(QPainter& painter, const Frame& frame) const {
  if (loopStart_ == loopEnd_) return;
  const int from = int(std::floor(frame.xOf(loopStart_)));
  const int to = int(std::floor(frame.xOf(loopEnd_)));
  if (to < 0 || from > width()) return;
  painter.fillRect(from, 0, std::max(1, to - from), height(), overBackground(colours_.loop, deck_palette::kLoopFillAlpha));
  painter.fillRect(from, 0, 1, height(), QColor(colours_.loop));
  painter.fillRect(to, 0, 1, height(), QColor(colours_.loop));
}

void WaveformView::drawWaveform(QPainter& painter, const Frame& frame) {
  const int mid = height() / 2;
  const std::int64_t firstColumn = frame.centreColumn - frame.centreX;
  painter.setPen(QColor(deck_palette::kCentreLine));
  painter.drawLine(0, mid, width(), mid);
  const BandDisplay& display = deck_.bandDisplay();
  if (bands_.drawnFor(display)) {
    bands_.paint(painter, firstColumn, 0, width(), kBandMarginPixels, height() - 2 * kBandMarginPixels,
                 bands_.curveFor(display), frame.centreX);
    return;
  }
  const double scale = (height() / 2 - 3) / 32768.0;
  playedLines_.clear();
  comingLines_.clear();
  const int fromX = int(std::max<std::int64_t>(0, -firstColumn));
  const int toX = int(std::min<std::int64_t>(width(), columns_.columnCount() - firstColumn));
  for (int x = fromX; x < toX; ++x) {
    const OverviewColumns::Extremes& column = columns_.column(int(firstColumn + x));
    const QLine line(x, mid - int(column.maximum * scale), x, mid - int(column.minimum * scale));
    (x < frame.centreX ? playedLines_ : comingLines_).append(line);
  }
  painter.setPen(QColor(colours_.played));
  painter.drawLines(playedLines_);
  painter.setPen(QColor(colours_.waveform));
  painter.drawLines(comingLines_);
}

void WaveformView::drawPending(QPainter& painter, const Frame& frame) const {
  if (columns_.complete()) return;
  const int from = std::max(0, int(std::floor(frame.xOf(double(columns_.filledFrames())))));
  const int to = std::min(width(), int(std::ceil(frame.xOf(double(columns_.trackFrames())))));
  if (to > from) painter.fillRect(from, 0, to - from, height(), QBrush(QColor(deck_palette::kPending), Qt::BDiagPattern));
  // In the corner, clear of the playhead and the music around it.
  painter.setPen(QColor(colours_.text));
  painter.drawText(rect().adjusted(22, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, msg(Msg::WaveformLoadingPercent).arg(loadPercent_));
}

void WaveformView::drawBeatGrid(QPainter& painter, const Frame& frame) const {
  // Beats are counted in the track's own frames, so the grid needs no pitch: it scrolls with the music.
  const std::int32_t beatFrames = framesPerBeat(deck_.bpm());
  if (beatFrames <= 0) return;
  const double leftFrame = double(frame.centreColumn - frame.centreX) * frame.framesPerColumn;
  const double rightFrame = leftFrame + width() * frame.framesPerColumn;
  const double trackEnd = double(columns_.trackFrames());
  const QColor beat = overBackground(colours_.beat, 150);
  const QColor mainBeat = overBackground(colours_.mainBeat, 210);
  for (auto k = std::int64_t(std::ceil((leftFrame - cueFrame_) / beatFrames));; ++k) {
    const double beatFrame = double(cueFrame_) + double(k) * beatFrames;
    if (beatFrame > rightFrame || beatFrame > trackEnd) break;
    if (beatFrame < 0) continue;
    const int x = int(std::floor(frame.xOf(beatFrame)));
    const bool main = ((k % 4) + 4) % 4 == 0;
    painter.fillRect(x, 0, 1, height(), main ? mainBeat : beat);
    if (main) {
      painter.fillRect(x - 1, 0, 3, kMarkerPixels, mainBeat);
      painter.fillRect(x - 1, height() - kMarkerPixels, 3, kMarkerPixels, mainBeat);
    }
  }
}

void WaveformView::drawCueAndPlayhead(QPainter& painter, const Frame& frame) const {
  const int cueX = int(std::floor(frame.xOf(cueFrame_)));
  if (cueX >= -kMarkerPixels && cueX <= width() + kMarkerPixels) {
    // A filled column rather than a pen line: both paint engines (raster, OpenGL) put it on the same pixels.
    painter.fillRect(cueX, 0, 1, height(), QColor(deck_palette::kCue));
    fillMarkerTriangle(painter, cueX, 0, 5, kMarkerPixels + 1, true, QColor(deck_palette::kCue));
  }
  const int x = frame.centreX;
  painter.fillRect(x - 1, 0, 2, height(), QColor(colours_.playhead));
  fillMarkerTriangle(painter, x, 0, 6, kMarkerPixels, true, QColor(colours_.playhead));
  fillMarkerTriangle(painter, x, height(), 6, kMarkerPixels, false, QColor(colours_.playhead));
}

}  // namespace gm
