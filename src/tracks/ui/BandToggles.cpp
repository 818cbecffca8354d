#include "tracks/ui/BandToggles.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/CatalogTable.h"
#include "tracks/Deck.h"
#include "tracks/ui/DeckPalette.h"

namespace gm {
namespace {

constexpr Msg kLabels[kBandCount] = {Msg::BandHiToggle, Msg::BandMidToggle, Msg::BandLowToggle};
constexpr Msg kToolTips[kBandCount] = {Msg::BandHiHelp, Msg::BandMidHelp, Msg::BandLowHelp};

// Small and dark, so they sit in the waveform's corner without hiding much of it.
QString toggleStyle(QRgb litColour) {
  return QString("QPushButton { background: #26262b; color: #c8c8cd; border: 1px solid #3a3a40;"
                 " padding: 0 4px; font-size: 7pt; min-height: 14px; min-width: 22px; }"
                 "QPushButton:disabled { color: #55555b; }"
                 "QPushButton:checked { background: %1; color: black; }")
      .arg(QColor(litColour).name());
}

}  // namespace

BandToggles::BandToggles(Deck& deck, QWidget* parent) : QWidget(parent), deck_(deck) {
  const QString prefix = deck_.deckIndex() == 0 ? "deckA.band." : "deckB.band.";
  const QRgb colours[kBandCount] = {deck_palette::kBandHigh, deck_palette::kBandMid, deck_palette::kBandLow};
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  for (Band band : kBands) {
    const auto i = static_cast<std::size_t>(band);
    auto* button = new QPushButton(msg(kLabels[i]), this);
    button->setObjectName(prefix + bandName(band));
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(msg(kToolTips[i]));
    button->setStyleSheet(toggleStyle(colours[i]));
    connect(button, &QPushButton::clicked, this, [this, band] { toggle(band); });
    row->addWidget(button);
    buttons_[i] = button;
  }
  connect(&deck_.bandDisplay(), &BandDisplay::changed, this, &BandToggles::showState);
  showState();
}

void BandToggles::toggle(Band band) {
  deck_.bandDisplay().toggle(band);
  showState();  // a click on a toggle that changed nothing still shows the model's state
}

void BandToggles::showState() {
  const BandDisplay& display = deck_.bandDisplay();
  for (Band band : kBands) {
    QPushButton* button = buttons_[static_cast<std::size_t>(band)];
    const QSignalBlocker blocker(button);
    button->setEnabled(display.ready(band));
    button->setChecked(display.shownBand() == band);
  }
}

}  // namespace gm
