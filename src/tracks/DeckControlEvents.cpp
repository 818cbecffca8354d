#include "tracks/DeckControlEvents.h"

#include "core/CatalogTable.h"
#include "tracks/Deck.h"
#include "tracks/DeckControls.h"

namespace gm {
namespace {

struct LoopEvent {
  Msg name;
  std::uint32_t method;
  int button;  // DeckControls' loop button: 0 is "64", 11 is "1/32"
};

// From the shortest loop to the longest, as they are registered.
constexpr LoopEvent kLoopEvents[] = {
    {Msg::EventLoop1_32, 0x8000730E, 11}, {Msg::EventLoop1_16, 0x8000730F, 10}, {Msg::EventLoop1_8, 0x80007300, 9},
    {Msg::EventLoop1_4, 0x80007301, 8},   {Msg::EventLoop1_2, 0x80007302, 7},   {Msg::EventLoop1, 0x80007303, 6},
    {Msg::EventLoop2, 0x80007304, 5},     {Msg::EventLoop4, 0x80007305, 4},     {Msg::EventLoop8, 0x80007306, 3},
    {Msg::EventLoop16, 0x80007307, 2},    {Msg::EventLoop32, 0x80007309, 1},    {Msg::EventLoop64, 0x8000730A, 0},
};

}  // namespace

DeckControlEvents::DeckControlEvents(Deck& deck, DeckControls& controls) : deck_(deck), controls_(controls) {
  addTransport();
  addTempo();
  addLoops();
}

void DeckControlEvents::addTransport() {
  registry_.addOnRelease(msg(Msg::EventPlay), EventType::Button, kPlay, [this] { deck_.play(); });
  registry_.addOnRelease(msg(Msg::EventPause), EventType::Button, kPause, [this] { deck_.pause(); });
  registry_.addOnRelease(msg(Msg::EventPlayPause), EventType::Toggle, kPlayPause, [this] { deck_.togglePlay(); });
  registry_.addOnRelease(msg(Msg::EventRewind), EventType::Button, kRewind, [this] { deck_.rewind(); });
  registry_.addOnRelease(msg(Msg::EventCue), EventType::Button, kCue, [this] { deck_.cuePoint(1); });
  registry_.addOnRelease(msg(Msg::EventSetCue), EventType::Button, kSetCue, [this] { deck_.cuePoint(0); });
  // Lights: "Play" and "Play/Pause" show the deck playing; "Cue" shows it waiting at its cue point.
  registry_.setState(kPlay, [this] { return deck_.playing(); });
  registry_.setState(kPlayPause, [this] { return deck_.playing(); });
  registry_.setState(kCue, [this] {
    return deck_.hasTrack() && !deck_.playing() && deck_.positionFrames() == deck_.cueFrame();
  });
}

void DeckControlEvents::addTempo() {
  BoundedValue& bpm = controls_.bpmSlider();
  BoundedValue& pitch = controls_.pitchSlider();
  registry_.addAnalog(msg(Msg::EventTempo), kTempo, bpm);
  registry_.addOnRelease(msg(Msg::EventTempoUp), EventType::Button, kTempoUp, [&bpm] { bpm.setValue(bpm.value() + 1); });
  registry_.addOnRelease(msg(Msg::EventTempoDown), EventType::Button, kTempoDown,
                         [&bpm] { bpm.setValue(bpm.value() - 1); });
  registry_.addAnalog(msg(Msg::EventPitch), kPitch, pitch);
  registry_.addOnRelease(msg(Msg::EventPitchUp), EventType::Button, kPitchUp, [this] { controls_.pitchUp(); });
  registry_.addOnRelease(msg(Msg::EventPitchDown), EventType::Button, kPitchDown, [this] { controls_.pitchDown(); });
  // A bend lasts as long as its key or button is held, like the panel's bend buttons.
  registry_.add(msg(Msg::EventPitchBendUp), EventType::Button, kBendUp,
                [this](std::int32_t held) { deck_.bendUp(held != 0); });
  registry_.add(msg(Msg::EventPitchBendDown), EventType::Button, kBendDown,
                [this](std::int32_t held) { deck_.bendDown(held != 0); });
  registry_.addOnRelease(msg(Msg::EventSaveBpmCue), EventType::Button, kSaveBpmCue, [this] { deck_.saveBpmCue(); });
  registry_.addOnRelease(msg(Msg::EventSync), EventType::Button, kSync, [this] { controls_.sync(); });
  registry_.setState(kSync, [this] { return deck_.tempoMatchesLinked(); });
}

void DeckControlEvents::addLoops() {
  registry_.addOnRelease(msg(Msg::EventLoopStop), EventType::Button, kLoopStop, [this] { controls_.loopStop(); });
  for (const LoopEvent& loop : kLoopEvents) {
    BoundedValue& button = controls_.loopButton(loop.button);
    registry_.addOnRelease(msg(loop.name), EventType::Toggle, loop.method,
                           [&button] { button.setValue(button.value() != 0 ? 0 : 1); });
    registry_.setState(loop.method, [&button] { return button.value() != 0; });
  }
  registry_.addOnRelease(msg(Msg::EventLoopDouble), EventType::Button, kLoopDouble, [this] { controls_.loopDouble(); });
  registry_.addOnRelease(msg(Msg::EventLoopHalve), EventType::Button, kLoopHalve, [this] { controls_.loopHalve(); });
}

}  // namespace gm
