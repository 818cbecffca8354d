#include "tracks/ui/DeckHeader.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include "core/CatalogTable.h"
#include "tracks/Deck.h"
#include "tracks/ui/DeckPalette.h"
#include "tracks/ui/TrackDrop.h"

namespace gm {
namespace {

QString deckPrefix(const Deck& deck) { return deck.deckIndex() == 0 ? "deckA." : "deckB."; }

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& style) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setStyleSheet(style);
  return label;
}

QString pitchPercentText(std::int32_t pitch) { return QString::asprintf("%+.2f%%", (pitch - 10000) / 100.0); }

}  // namespace

DeckHeader::DeckHeader(Deck& deck, QWidget* parent) : QFrame(parent), deck_(deck) {
  setObjectName(deckPrefix(deck_) + "header");
  buildLayout();
  connectDeck();
  showTitle(deck_.title());
  showTimes();
  showTempo();
  TrackDrop::install(*this, deck_);
}

void DeckHeader::buildLayout() {
  const QString prefix = deckPrefix(deck_);
  const QString amber = QColor(deck_palette::kWaveform).name();
  setFrameShape(QFrame::StyledPanel);
  letterLabel_ = makeLabel(this, prefix + "letter",
                           QString("font-weight: bold; font-size: 15pt; color: black; background: %1; padding: 0 7px;").arg(amber));
  letterLabel_->setText(deck_.deckIndex() == 0 ? "A" : "B");
  titleLabel_ = makeLabel(this, prefix + "title", "font-weight: bold; font-size: 11pt;");
  // The title gives way to the numbers when space is short; it is shortened to fit instead.
  titleLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  titleLabel_->setMinimumWidth(60);
  titleLabel_->installEventFilter(this);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(prefix + "progress");
  progress_->setRange(0, 100);
  progress_->setFixedSize(90, 14);
  progress_->setFormat("%p%");
  progress_->hide();
  const QString digits = "font-family: 'DejaVu Sans Mono', monospace; font-size: 11pt;";
  elapsedLabel_ = makeLabel(this, prefix + "elapsed", digits);
  remainingLabel_ = makeLabel(this, prefix + "remaining", digits + " color: #a0a0a8;");
  pitchLabel_ = makeLabel(this, prefix + "pitchText", digits + " color: #a0a0a8;");
  bpmLabel_ = makeLabel(this, prefix + "bpm",
                        QString("font-family: 'DejaVu Sans Mono', monospace; font-weight: bold; font-size: 15pt; color: %1;").arg(amber));
  bpmLabel_->setAlignment(Qt::AlignCenter);
  bpmLabel_->setMinimumWidth(bpmLabel_->fontMetrics().horizontalAdvance("000.00") + 12);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 6, 2);
  row->setSpacing(10);
  row->addWidget(letterLabel_);
  row->addWidget(titleLabel_, 1);
  row->addWidget(progress_);
  row->addWidget(elapsedLabel_);
  row->addWidget(remainingLabel_);
  row->addWidget(pitchLabel_);
  row->addWidget(bpmLabel_);
}

void DeckHeader::connectDeck() {
  connect(&deck_, &Deck::titleChanged, this, &DeckHeader::showTitle);
  connect(&deck_, &Deck::titleChanged, this, [this] {
    // A title change with the deck busy is the start of a load: show the bar from 0 at once.
    if (deck_.busy()) showProgress(0);
  });
  connect(&deck_, &Deck::loadProgress, this, &DeckHeader::showProgress);
  connect(&deck_, &Deck::loadProgress, this, &DeckHeader::showTimes);  // the length is known early
  connect(&deck_, &Deck::loaded, progress_, &QWidget::hide);
  connect(&deck_, &Deck::loadFailed, progress_, &QWidget::hide);
  connect(&deck_, &Deck::loaded, this, &DeckHeader::showTimes);
  connect(&deck_, &Deck::positionChanged, this, &DeckHeader::showTimes);
  connect(&deck_, &Deck::pitchChanged, this, &DeckHeader::showTimes);
  connect(&deck_, &Deck::pitchChanged, this, &DeckHeader::showTempo);
  connect(&deck_, &Deck::bpmChanged, this, &DeckHeader::showTempo);
  connect(&deck_, &Deck::currentBpmChanged, this, &DeckHeader::showTempo);
}

void DeckHeader::showTitle(const QString& title) {
  title_ = title.isEmpty() ? msg(Msg::NoTrackLoaded) : title;
  titleLabel_->setToolTip(title_);
  fitTitle();
}

void DeckHeader::fitTitle() {
  titleLabel_->setText(titleLabel_->fontMetrics().elidedText(title_, Qt::ElideRight, std::max(titleLabel_->width(), 60)));
}

bool DeckHeader::eventFilter(QObject* watched, QEvent* event) {
  if (watched == titleLabel_ && event->type() == QEvent::Resize) fitTitle();
  return QFrame::eventFilter(watched, event);
}

void DeckHeader::showTimes() {
  elapsedLabel_->setText(deck_.elapsedText());
  remainingLabel_->setText(deck_.remainingText());
}

void DeckHeader::showTempo() {
  bpmLabel_->setText(deck_.bpmText());
  pitchLabel_->setText(pitchPercentText(deck_.pitch()));
}

void DeckHeader::showProgress(int percent) {
  progress_->setValue(percent);
  progress_->setVisible(deck_.busy() && percent < 100);
}

}  // namespace gm
