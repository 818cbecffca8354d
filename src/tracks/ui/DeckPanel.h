#pragma once
// A deck's control panel: the tall pitch fader with "+1"/"-1", the BPM slider, PLAY, CUE, SET CUE,
// rewind, the cue nudges and "Save BPM & Cue", the twelve beat-loop buttons with "Loop x2",
// "Loop /2" and "Loop Stop", the two pitch-bend buttons and SYNC. It holds no behaviour of its own:
// the buttons and sliders show the deck's DeckControls models and call the deck's operations,
// exactly as the command port and mapped events do. Audio files dropped on it load into the deck.

#include <cstdint>

#include <QFrame>

class QAbstractButton;
class QGridLayout;
class QPushButton;
class QSlider;

namespace gm {

class BoundedValue;
class Deck;
class DeckControls;

class DeckPanel : public QFrame {
  Q_OBJECT
 public:
  // Cue nudges: one frame (4 bytes) for the fine pair, 1/100 s (441 frames) for the coarse pair.
  static constexpr int kCueFineBytes = 4;
  static constexpr int kCueCoarseBytes = 441 * 4;

  // `controls` drive `deck`; both outlive the panel. The deck's pitch fader sits on the panel's
  // outer edge: left for deck A, right for deck B, as on a DJ's console.
  DeckPanel(Deck& deck, DeckControls& controls, QWidget* parent = nullptr);

 private:
  QWidget* buildPitchColumn();
  QWidget* buildTransport();
  QWidget* buildLoops();
  QWidget* buildBends();
  QPushButton* makeButton(const QString& text, const QString& name, const QString& toolTip = {});
  QPushButton* makeToggle(const QString& text, const QString& name, BoundedValue& model);
  QString name(const QString& control) const;

  Deck& deck_;
  DeckControls& controls_;
};

}  // namespace gm
