#pragma once
// The deck control panel's behaviour, apart from its widgets: the pitch and BPM sliders, "+1"/"-1",
// play, the twelve loop buttons with "Loop x2", "Loop /2" and "Loop Stop", the bend buttons and sync.
// The window, the command port and mapped events all press these same controls.

#include <array>
#include <cstdint>

#include <QObject>

#include "core/BoundedValue.h"

namespace gm {

class Deck;

class DeckControls : public QObject {
  Q_OBJECT
 public:
  static constexpr int kLoopButtons = 12;

  // pitchRange: the "Pitch" setting (the slider spans 10000 ± range); bpmMinimum/Maximum in whole BPM.
  DeckControls(Deck& deck, int pitchRange, int bpmMinimum, int bpmMaximum, QObject* parent = nullptr);

  Deck& deck() { return deck_; }
  BoundedValue& pitchSlider() { return *pitchSlider_; }
  BoundedValue& bpmSlider() { return *bpmSlider_; }
  BoundedValue& playButton() { return playButton_; }
  // Loop buttons from the longest ("64", type 12) to the shortest ("1/32", type 1).
  BoundedValue& loopButton(int index) { return *loopButtons_[std::size_t(index)]; }
  static const char* loopLabel(int index);
  static int loopType(int index) { return kLoopButtons - index; }

  // [main-thread]
  void pitchUp(int units = 1);
  void pitchDown(int units = 1);
  void pressLoop(int index, bool selected);
  void loopDouble();  // "Loop x2"
  void loopHalve();   // "Loop /2"
  void loopStop();    // "Loop Stop"
  bool sync();
  // A tempo from the command port, in hundredths of BPM: 6000..24000 is shown on the BPM slider
  // (without the slider acting) and set on the deck; other values are ignored. False when ignored
  // or the deck has no track to take it.
  bool takeRemoteBpm(int bpm);
  // New ranges from the settings ("Pitch" range; BPM limits in whole BPM). A deck's pitch outside
  // the new pitch range is clamped into it.
  void setRanges(int pitchRange, int bpmMinimum, int bpmMaximum);

 private:
  void connectDeck();
  int selectedLoop() const;
  void releaseLoops(int except);
  std::int32_t withinFinderLimits(std::int32_t bpm) const;

  Deck& deck_;
  BoundedValue* pitchSlider_ = nullptr;
  BoundedValue* bpmSlider_ = nullptr;
  BoundedValue playButton_{0, 1, 0};
  std::array<BoundedValue*, kLoopButtons> loopButtons_{};
};

}  // namespace gm
