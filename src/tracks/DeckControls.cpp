#include "tracks/DeckControls.h"

#include <algorithm>

#include "tracks/Deck.h"

namespace gm {

DeckControls::DeckControls(Deck& deck, int pitchRange, int bpmMinimum, int bpmMaximum, QObject* parent)
    : QObject(parent), deck_(deck) {
  pitchSlider_ = new BoundedValue(10000 - pitchRange, 10000 + pitchRange, 10000, this);
  bpmSlider_ = new BoundedValue(bpmMinimum * 100, bpmMaximum * 100, bpmMinimum * 100, this);
  for (int i = 0; i < kLoopButtons; ++i) {
    loopButtons_[std::size_t(i)] = new BoundedValue(0, 1, 0, this);
    connect(loopButtons_[std::size_t(i)], &BoundedValue::valueChanged, this,
            [this, i](int selected) { pressLoop(i, selected != 0); });
  }
  connectDeck();
}

void DeckControls::connectDeck() {
  connect(pitchSlider_, &BoundedValue::valueChanged, &deck_, &Deck::setPitch);
  connect(&deck_, &Deck::pitchChanged, this, [this](std::int32_t pitch) { pitchSlider_->setValueSilently(pitch); });
  connect(bpmSlider_, &BoundedValue::valueChanged, &deck_, &Deck::setBpm);
  // A detected tempo moves the BPM slider, which sets the deck's tempo like a hand on the slider would.
  connect(&deck_, &Deck::currentBpmChanged, this, [this] {
    const std::int32_t bpm = deck_.bpm();
    if (bpm == 0 || deck_.voiceSnapshot().bpm == bpm) return;
    // Set the deck directly as well: the slider may already stand at this tempo (the last track's).
    bpmSlider_->setValueSilently(withinFinderLimits(bpm));
    deck_.setBpm(bpmSlider_->value());
  });
  connect(&playButton_, &BoundedValue::valueChanged, this, [this](int pressed) {
    if (pressed && !deck_.play()) playButton_.setValueSilently(0);
    if (!pressed) deck_.pause();
  });
  connect(&deck_, &Deck::playingChanged, this, [this](bool playing) { playButton_.setValueSilently(playing ? 1 : 0); });
  // The loop buttons show the deck's loop: when it goes (a new track, "Loop Stop"), every button is
  // released, so "Loop x2", "Loop /2" and "Loop Stop" never act on a loop that is no longer there.
  connect(&deck_, &Deck::loopChanged, this, [this](std::int32_t start, std::int32_t end) {
    if (start == end) releaseLoops(-1);
  });
}

const char* DeckControls::loopLabel(int index) {
  static const char* const labels[kLoopButtons] = {"64", "32", "16", "8", "4", "2", "1", "1/2", "1/4", "1/8", "1/16", "1/32"};
  return labels[index];
}

bool DeckControls::takeRemoteBpm(int bpm) {
  if (bpm < Deck::kMinBpm || bpm > Deck::kMaxBpm) return false;
  bpmSlider_->setValueSilently(bpm);
  deck_.setBpm(bpm);
  return deck_.hasTrack();
}

void DeckControls::pitchUp(int units) { pitchSlider_->setValue(pitchSlider_->value() + units); }

void DeckControls::pitchDown(int units) { pitchSlider_->setValue(pitchSlider_->value() - units); }

void DeckControls::pressLoop(int index, bool selected) {
  BoundedValue& button = loopButton(index);
  if (!deck_.playing()) {
    // Loops are set against the running beat only: pressed while paused, the button pops back up.
    button.setValueSilently(0);
    return;
  }
  if (selected) releaseLoops(index);
  deck_.loop(loopType(index), selected);
  // Without a tempo the deck sets no loop: the button must not light for one.
  if (selected && deck_.loopStart() == deck_.loopEnd()) button.setValueSilently(0);
}

int DeckControls::selectedLoop() const {
  for (int i = 0; i < kLoopButtons; ++i) {
    if (loopButtons_[std::size_t(i)]->value()) return i;
  }
  return -1;
}

void DeckControls::releaseLoops(int except) {
  for (int i = 0; i < kLoopButtons; ++i) {
    if (i != except) loopButtons_[std::size_t(i)]->setValueSilently(0);
  }
}

void DeckControls::loopDouble() {
  const int selected = selectedLoop();
  if (selected > 0) loopButton(selected - 1).setValue(1);
}

void DeckControls::loopHalve() {
  const int selected = selectedLoop();
  if (selected >= 0 && selected < kLoopButtons - 1) loopButton(selected + 1).setValue(1);
}

void DeckControls::loopStop() {
  const int selected = selectedLoop();
  if (selected < 0) return;
  releaseLoops(-1);
  deck_.loop(0, false);
}

bool DeckControls::sync() {
  // The deck moves the slider back silently through its pitch notification, so the slider does not
  // set the pitch a second time.
  return deck_.sync();
}

// A detector can lock onto half or twice the beat: a tempo outside the finder's limits (the BPM
// slider's range) is halved or doubled into them where it fits; what still lies outside, the slider
// brings to the nearer limit.
std::int32_t DeckControls::withinFinderLimits(std::int32_t bpm) const {
  const int lower = bpmSlider_->minimum();
  const int upper = bpmSlider_->maximum();
  while (bpm > upper && bpm / 2 >= lower) bpm /= 2;
  while (bpm < lower && bpm * 2 <= upper) bpm *= 2;
  return bpm;
}

void DeckControls::setRanges(int pitchRange, int bpmMinimum, int bpmMaximum) {
  pitchSlider_->setRange(10000 - pitchRange, 10000 + pitchRange);
  // A deck playing faster or slower than the new range allows is brought to its nearer end, as the
  // slider would; the deck then moves the slider back to match.
  const std::int32_t pitch = std::clamp(deck_.pitch(), pitchSlider_->minimum(), pitchSlider_->maximum());
  if (pitch != deck_.pitch()) deck_.setPitch(pitch);
  // The track's tempo is the track's: a narrower BPM range only changes what the slider can show.
  bpmSlider_->setRange(bpmMinimum * 100, bpmMaximum * 100);
}

}  // namespace gm
