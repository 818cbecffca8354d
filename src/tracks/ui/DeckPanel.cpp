#include "tracks/ui/DeckPanel.h"

#include <algorithm>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/BoundedValue.h"
#include "core/CatalogTable.h"
#include "widgets/ValueBinding.h"
#include "tracks/Deck.h"
#include "tracks/DeckControls.h"
#include "tracks/ui/TrackDrop.h"
#include "widgets/BpmSlider.h"
#include "widgets/ConsoleStyle.h"
#include "widgets/PitchSlider.h"

namespace gm {
namespace {

constexpr int kPitchFaderMinHeight = 230;
constexpr int kPitchFaderTicks = 10;  // a tick every tenth of the range, centre included

// The panel's own look on top of the console's shared keys. Buttons are never narrower than their
// text: a loop length cut to "1/1" would read as another length.
const char* const kPanelRules = R"(
QPushButton { padding: 3px 5px; font-size: 9pt; min-height: 18px; }
QPushButton[role="play"], QPushButton[role="cue"] { font-size: 12pt; font-weight: bold; min-height: 30px; }
QPushButton[role="play"]:checked { background: #2fbf4f; border-color: #70e890; color: black; }
QPushButton[role="cue"], QPushButton[role="sync"] { color: #40c8ff; font-weight: bold; }
QLabel[role="caption"] { color: #8a8a94; font-size: 8pt; font-weight: bold; }
)";

QLabel* caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setProperty("role", "caption");
  return label;
}

}  // namespace

DeckPanel::DeckPanel(Deck& deck, DeckControls& controls, QWidget* parent)
    : QFrame(parent), deck_(deck), controls_(controls) {
  setObjectName(name("panel"));
  setFrameShape(QFrame::StyledPanel);
  setStyleSheet(console_style::buttonSheet(kPanelRules));

  auto* controlsColumn = new QVBoxLayout;
  controlsColumn->setSpacing(5);
  auto* top = new QHBoxLayout;
  auto* deckName = new QLabel(msg(deck_.deckIndex() == 0 ? Msg::DeckATitle : Msg::DeckBTitle).toUpper(), this);
  deckName->setStyleSheet("font-weight: bold; font-size: 12pt;");
  top->addWidget(deckName);
  top->addStretch(1);
  QPushButton* sync = makeButton(msg(Msg::SyncButton), name("sync"), msg(Msg::SyncHelp));
  sync->setProperty("role", "sync");
  connect(sync, &QPushButton::clicked, &controls_, [this] { controls_.sync(); });
  top->addWidget(sync);
  controlsColumn->addLayout(top);

  auto* bpmRow = new QHBoxLayout;
  bpmRow->addWidget(caption(msg(Msg::BpmCaption), this));
  auto* bpmSlider = new BpmSlider(controls_.bpmSlider(), Qt::Horizontal, this);
  bpmSlider->setObjectName(name("bpmSlider"));
  bpmSlider->setToolTip(msg(Msg::BpmSliderHelp));
  bpmRow->addWidget(bpmSlider, 1);
  // Without a tempo the deck reads "---", and so does the slider: its place is the last track's
  // tempo or its minimum, neither of which is this track's.
  auto showTempoKnown = [this, bpmSlider] { bpmSlider->setValueShown(deck_.bpm() != 0); };
  connect(&deck_, &Deck::bpmChanged, bpmSlider, showTempoKnown);
  connect(&deck_, &Deck::currentBpmChanged, bpmSlider, showTempoKnown);
  showTempoKnown();
  controlsColumn->addLayout(bpmRow);
  controlsColumn->addWidget(buildTransport());
  controlsColumn->addWidget(buildLoops());
  controlsColumn->addWidget(buildBends());
  controlsColumn->addStretch(1);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 6, 6, 6);
  row->setSpacing(8);
  QWidget* pitch = buildPitchColumn();
  if (deck_.deckIndex() == 0) {
    row->addWidget(pitch);
    row->addLayout(controlsColumn, 1);
  } else {
    row->addLayout(controlsColumn, 1);
    row->addWidget(pitch);
  }
  TrackDrop::install(*this, deck_);
}

QString DeckPanel::name(const QString& control) const {
  return (deck_.deckIndex() == 0 ? "deckA." : "deckB.") + control;
}

QWidget* DeckPanel::buildPitchColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(caption(msg(Msg::PitchCaption), column), 0, Qt::AlignHCenter);
  auto* fader = new PitchSlider(controls_.pitchSlider(), Qt::Vertical, column);
  fader->setObjectName(name("pitch"));
  // Turntable convention: pulling the fader towards you speeds the track up.
  fader->setInvertedAppearance(true);
  fader->setMinimumHeight(kPitchFaderMinHeight);
  fader->setTickPosition(QSlider::TicksBothSides);
  fader->setTickInterval(std::max(1, (fader->maximum() - fader->minimum()) / kPitchFaderTicks));
  fader->setToolTip(msg(Msg::PitchFaderHelp));
  layout->addWidget(fader, 1, Qt::AlignHCenter);
  auto* nudges = new QHBoxLayout;
  nudges->setSpacing(3);
  QPushButton* down = makeButton("-1", name("pitchDown"), msg(Msg::PitchDownHelp));
  QPushButton* up = makeButton("+1", name("pitchUp"), msg(Msg::PitchUpHelp));
  for (QPushButton* button : {down, up}) {
    button->setAutoRepeat(true);  // held, it keeps stepping
    nudges->addWidget(button);
  }
  connect(down, &QPushButton::clicked, &controls_, [this] { controls_.pitchDown(); });
  connect(up, &QPushButton::clicked, &controls_, [this] { controls_.pitchUp(); });
  layout->addLayout(nudges);
  return column;
}

QWidget* DeckPanel::buildTransport() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(4);
  QPushButton* play = makeToggle(msg(Msg::PlayButton), name("play"), controls_.playButton());
  play->setProperty("role", "play");
  QPushButton* cue = makeButton(msg(Msg::CueButton), name("cue"), msg(Msg::CueJumpHelp));
  cue->setProperty("role", "cue");
  QPushButton* setCue = makeButton(msg(Msg::SetCueButton), name("setCue"), msg(Msg::SetCueHelp));
  QPushButton* rewind = makeButton("|◀◀", name("rewind"), msg(Msg::RewindHelp));
  connect(cue, &QPushButton::clicked, &deck_, [this] { deck_.cuePoint(1); });
  connect(setCue, &QPushButton::clicked, &deck_, [this] { deck_.cuePoint(0); });
  connect(rewind, &QPushButton::clicked, &deck_, &Deck::rewind);
  grid->addWidget(play, 0, 0, 1, 2);
  grid->addWidget(cue, 0, 2, 1, 2);
  grid->addWidget(setCue, 1, 0, 1, 2);
  grid->addWidget(rewind, 1, 2, 1, 2);

  grid->addWidget(caption(msg(Msg::CueNudgeCaption), box), 2, 0, 1, 4);
  struct Nudge {
    const char* text;
    const char* control;
    int deltaBytes;
    Msg help;
  };
  const Nudge nudges[] = {{"«", "cueBack", -kCueCoarseBytes, Msg::CueBackHelp},
                          {"‹", "cueBackFine", -kCueFineBytes, Msg::CueBackFineHelp},
                          {"›", "cueForwardFine", kCueFineBytes, Msg::CueForwardFineHelp},
                          {"»", "cueForward", kCueCoarseBytes, Msg::CueForwardHelp}};
  for (int i = 0; i < 4; ++i) {
    QPushButton* button = makeButton(QString::fromUtf8(nudges[i].text), name(nudges[i].control), msg(nudges[i].help));
    button->setAutoRepeat(true);
    const int delta = nudges[i].deltaBytes;
    connect(button, &QPushButton::clicked, &deck_, [this, delta] { deck_.shiftCue(delta); });
    grid->addWidget(button, 3, i);
  }
  QPushButton* save = makeButton(msg(Msg::SaveBpmCueButton), name("saveBpmCue"), msg(Msg::SaveBpmCueHelp));
  connect(save, &QPushButton::clicked, &deck_, [this] { deck_.saveBpmCue(); });
  grid->addWidget(save, 4, 0, 1, 4);
  return box;
}

QWidget* DeckPanel::buildLoops() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(3);
  grid->addWidget(caption(msg(Msg::LoopCaption), box), 0, 0, 1, 6);
  constexpr int kPerRow = DeckControls::kLoopButtons / 2;
  for (int i = 0; i < DeckControls::kLoopButtons; ++i) {
    const QString label = DeckControls::loopLabel(i);
    QPushButton* button = makeToggle(label, name("loop." + label), controls_.loopButton(i));
    button->setToolTip(msg(Msg::LoopButtonHelp).arg(label));
    grid->addWidget(button, 1 + i / kPerRow, i % kPerRow);
  }
  QPushButton* twice = makeButton(msg(Msg::EventLoopDouble), name("loopDouble"), msg(Msg::LoopDoubleHelp));
  QPushButton* half = makeButton(msg(Msg::EventLoopHalve), name("loopHalve"), msg(Msg::LoopHalveHelp));
  QPushButton* stop = makeButton(msg(Msg::EventLoopStop), name("loopStop"), msg(Msg::LoopStopHelp));
  connect(twice, &QPushButton::clicked, &controls_, [this] { controls_.loopDouble(); });
  connect(half, &QPushButton::clicked, &controls_, [this] { controls_.loopHalve(); });
  connect(stop, &QPushButton::clicked, &controls_, [this] { controls_.loopStop(); });
  grid->addWidget(twice, 3, 0, 1, 2);
  grid->addWidget(half, 3, 2, 1, 2);
  grid->addWidget(stop, 3, 4, 1, 2);
  return box;
}

QWidget* DeckPanel::buildBends() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  row->addWidget(caption(msg(Msg::BendCaption), box));
  QPushButton* slower = makeButton("◀ −", name("bendDown"), msg(Msg::BendDownHelp));
  QPushButton* faster = makeButton("+ ▶", name("bendUp"), msg(Msg::BendUpHelp));
  // The bend lasts exactly as long as the button is held.
  connect(slower, &QPushButton::pressed, &deck_, [this] { deck_.bendDown(true); });
  connect(slower, &QPushButton::released, &deck_, [this] { deck_.bendDown(false); });
  connect(faster, &QPushButton::pressed, &deck_, [this] { deck_.bendUp(true); });
  connect(faster, &QPushButton::released, &deck_, [this] { deck_.bendUp(false); });
  row->addWidget(slower, 1);
  row->addWidget(faster, 1);
  return box;
}

QPushButton* DeckPanel::makeButton(const QString& text, const QString& objectName, const QString& toolTip) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(objectName);
  button->setFocusPolicy(Qt::NoFocus);  // keys belong to the mapped shortcuts, not to the last button
  if (!toolTip.isEmpty()) button->setToolTip(toolTip);
  return button;
}

QPushButton* DeckPanel::makeToggle(const QString& text, const QString& objectName, BoundedValue& model) {
  QPushButton* button = makeButton(text, objectName);
  ValueBinding::bind(*button, model);
  return button;
}

}  // namespace gm
