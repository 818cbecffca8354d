#include <gtest/gtest.h>

#include <QSignalSpy>

#include "control/EventDispatcher.h"
#include "control/EventList.h"
#include "control/EventMapping.h"
#include "control/EventRegistry.h"
#include "control/EventScriptLauncher.h"
#include "control/MidiHub.h"
#include "core/BoundedValue.h"
#include "core/CatalogTable.h"
#include "support/RecordingTarget.h"
#include "support/ScriptedMidiSource.h"

namespace gm {
namespace {

using testing::RecordingTarget;
using Calls = std::vector<std::pair<std::uint32_t, std::int32_t>>;
using Sent = testing::ScriptedMidiSource::Sent;
using testing::ScriptedMidiSource;

const QString kPad = "Pad MIDI 1";

MidiControl control(MidiControlKind kind, int number, int channel = 0, const QString& port = kPad) {
  return {port, std::uint8_t(channel), kind, std::uint8_t(number)};
}

class MidiController : public ::testing::Test {
 protected:
  void SetUp() override {
    hub.start(std::make_unique<ScriptedMidiSource>(source, sent));
  }
  EventBinding& bind(std::int32_t type, std::uint32_t method, const MidiControl& to, bool relative = false) {
    EventBinding& record = events.registerEvent("Zone", "event", type, &target, method);
    record.midi.control = to;
    record.relative = relative ? 1 : 0;
    return record;
  }
  Calls play(std::initializer_list<MidiMessage> messages, const QString& port = kPad) {
    target.calls.clear();
    for (const MidiMessage& message : messages) source.message(port, message, MidiSource::Clock::now());
    return target.calls;
  }

  EventList events;
  RecordingTarget target;
  EventScriptLauncher scripts;
  EventDispatcher dispatcher{events, scripts};
  EventMapping mapping{events, dispatcher, QString()};
  std::vector<QString> statusTexts;
  MidiHub hub{mapping, dispatcher, [this](const QString& text) { statusTexts.push_back(text); }};
  MidiSource::Handlers source;
  Sent sent;
};

TEST_F(MidiController, MessagesReachTheirEventsWithValuesExactAtTheEdges) {
  bind(0, 1, control(MidiControlKind::Note, 36));
  bind(2, 2, control(MidiControlKind::Control, 7));
  bind(2, 3, control(MidiControlKind::Control14, 1));
  bind(2, 4, control(MidiControlKind::PitchBend, 0, 2));
  bind(2, 5, control(MidiControlKind::Control, 40, 1), true);
  bind(2, 6, control(MidiControlKind::Control, 41, 1), true).midi.encoding = MidiRelativeEncoding::Centred;
  bind(1, 7, control(MidiControlKind::Control, 64));

  // Notes: on 1, off 0 (as a note-off or a note-on of velocity 0). Clock and sensing read as nothing.
  EXPECT_EQ(play({MidiMessage::noteOn(0, 36, 1), {MidiMessage::kClock}, {MidiMessage::kActiveSensing},
                  MidiMessage::noteOff(0, 36), MidiMessage::noteOn(0, 36, 127), MidiMessage::noteOn(0, 36, 0)}),
            (Calls{{1, 1}, {1, 0}, {1, 1}, {1, 0}}));
  // Another channel, port or note is another control.
  EXPECT_EQ(play({MidiMessage::noteOn(1, 36, 9), MidiMessage::noteOn(0, 37, 9)}), Calls{});
  EXPECT_EQ(play({MidiMessage::noteOn(0, 36, 9)}, "Pad MIDI 1 (2)"), Calls{});
  EXPECT_EQ(play({MidiMessage::control(0, 7, 0), MidiMessage::control(0, 7, 1), MidiMessage::control(0, 7, 126),
                  MidiMessage::control(0, 7, 127)}),
            (Calls{{2, 0}, {2, 516}, {2, 65019}, {2, 65536}}));
  // 14-bit: the pair moves when its fine half comes; a fine half before any coarse one does nothing.
  EXPECT_EQ(play({MidiMessage::control(0, 33, 5), MidiMessage::control(0, 1, 127), MidiMessage::control(0, 33, 127),
                  MidiMessage::control(0, 1, 64), MidiMessage::control(0, 33, 1), MidiMessage::control(0, 1, 0),
                  MidiMessage::control(0, 33, 0)}),
            (Calls{{3, 65536}, {3, 32774}, {3, 0}}));
  EXPECT_EQ(play({MidiMessage::pitchBend(2, 0), MidiMessage::pitchBend(2, 1), MidiMessage::pitchBend(2, 8192),
                  MidiMessage::pitchBend(2, 16382), MidiMessage::pitchBend(2, 16383), MidiMessage::pitchBend(0, 0)}),
            (Calls{{4, 0}, {4, 4}, {4, 32770}, {4, 65531}, {4, 65536}}));
  // Encoders, each detent a full step: two's complement 1..63 forward, 64..127 back from -64 to -1.
  EXPECT_EQ(play({MidiMessage::control(1, 40, 1), MidiMessage::control(1, 40, 63), MidiMessage::control(1, 40, 64),
                  MidiMessage::control(1, 40, 127)}),
            (Calls{{5, 65536}, {5, 63 * 65536}, {5, -64 * 65536}, {5, -65536}}));
  EXPECT_EQ(play({MidiMessage::control(1, 41, 65), MidiMessage::control(1, 41, 64), MidiMessage::control(1, 41, 63),
                  MidiMessage::control(1, 41, 0)}),
            (Calls{{6, 65536}, {6, 0}, {6, -65536}, {6, -64 * 65536}}));
  // A button that sends control changes is on from the middle of the range up.
  EXPECT_EQ(play({MidiMessage::control(0, 64, 63), MidiMessage::control(0, 64, 64), MidiMessage::control(0, 64, 0)}),
            (Calls{{7, 0}, {7, 1}, {7, 0}}));
}

TEST_F(MidiController, AHeldModifierSelectsTheSecondBindingUntilTheControlIsLetGo) {
  const MidiControl shift = control(MidiControlKind::Note, 40);
  bind(0, 1, control(MidiControlKind::Note, 36));
  bind(0, 2, control(MidiControlKind::Note, 36)).midi.modifier = shift;
  bind(2, 3, control(MidiControlKind::Control, 7));
  bind(2, 4, control(MidiControlKind::Control, 7)).midi.modifier = control(MidiControlKind::Control, 41);

  EXPECT_EQ(play({MidiMessage::noteOn(0, 36, 100), MidiMessage::noteOff(0, 36)}), (Calls{{1, 1}, {1, 0}}));
  // Shift down, press, shift up, release: the release goes where the press went.
  EXPECT_EQ(play({MidiMessage::noteOn(0, 40, 100), MidiMessage::noteOn(0, 36, 100), MidiMessage::noteOff(0, 40),
                  MidiMessage::noteOff(0, 36), MidiMessage::noteOn(0, 36, 100), MidiMessage::noteOff(0, 36)}),
            (Calls{{2, 1}, {2, 0}, {1, 1}, {1, 0}}));
  // A modifier that sends control changes is held from 64 up.
  EXPECT_EQ(play({MidiMessage::control(0, 41, 63), MidiMessage::control(0, 7, 10), MidiMessage::control(0, 41, 64),
                  MidiMessage::control(0, 7, 127), MidiMessage::control(0, 41, 0), MidiMessage::control(0, 7, 0)}),
            (Calls{{3, 5160}, {4, 65536}, {3, 0}}));
}

TEST_F(MidiController, CatchingBindsTheTouchedControlIgnoringReleasesAndNoise) {
  EventBinding& play = events.registerEvent("Zone", "play", 1, &target, 1);
  EventBinding& pitch = events.registerEvent("Zone", "pitch", 2, &target, 2);
  EventBinding& jog = events.registerEvent("Zone", "jog", 2, &target, 3);
  mapping.setUp();

  // Note-offs, clock and sensing pass while catching; the note caught fires nothing, nor its release.
  mapping.select(0);
  mapping.setCatchMode(true);
  EXPECT_EQ(this->play({MidiMessage::noteOff(0, 50), {MidiMessage::kClock}, {MidiMessage::kActiveSensing}}), Calls{});
  EXPECT_TRUE(mapping.catchMode());
  EXPECT_EQ(this->play({MidiMessage::noteOn(3, 36, 90), MidiMessage::noteOff(3, 36)}), Calls{});
  EXPECT_FALSE(mapping.catchMode());
  EXPECT_EQ(play.midi, (MidiBinding{control(MidiControlKind::Note, 36, 3), std::nullopt, {}}));
  EXPECT_FALSE(mapping.relativeEnabled());
  EXPECT_EQ(this->play({MidiMessage::noteOn(3, 36, 90), MidiMessage::noteOff(3, 36)}), (Calls{{1, 1}, {1, 0}}));

  // Shift held while play is touched: play with shift. Neither release fires.
  mapping.setCatchMode(true);
  EXPECT_EQ(this->play({MidiMessage::noteOn(0, 40, 90), MidiMessage::noteOn(0, 37, 90), MidiMessage::noteOff(0, 40),
                        MidiMessage::noteOff(0, 37)}),
            Calls{});
  EXPECT_EQ(play.midi.control, control(MidiControlKind::Note, 37));
  EXPECT_EQ(play.midi.modifier, control(MidiControlKind::Note, 40));

  // A coarse control change followed by its fine partner: a 14-bit fader.
  mapping.select(1);
  mapping.setCatchMode(true);
  EXPECT_EQ(this->play({MidiMessage::control(0, 9, 64), MidiMessage::control(0, 41, 0)}), Calls{});
  EXPECT_EQ(pitch.midi.control, control(MidiControlKind::Control14, 9));
  EXPECT_FALSE(mapping.relativeEnabled());
  // A jog wheel: relative allowed, its encoding guessed from the first turn.
  mapping.select(2);
  mapping.setCatchMode(true);
  this->play({MidiMessage::control(0, 60, 65)});
  EXPECT_EQ(jog.midi.control, control(MidiControlKind::Control, 60));
  EXPECT_EQ(jog.midi.encoding, MidiRelativeEncoding::Centred);
  EXPECT_TRUE(mapping.relativeEnabled());
  mapping.setCatchMode(true);
  this->play({MidiMessage::control(0, 60, 127)});
  EXPECT_EQ(jog.midi.encoding, MidiRelativeEncoding::TwosComplement);

  // "Cancel" forgets every binding caught since the editor opened; "Remove Event" unbinds.
  mapping.cancel();
  EXPECT_FALSE(play.midi.bound());
  EXPECT_FALSE(pitch.midi.bound());
  pitch.midi.control = control(MidiControlKind::PitchBend, 0);
  mapping.select(1);
  mapping.removeSensor();
  EXPECT_FALSE(pitch.midi.bound());
}

TEST_F(MidiController, LightsFollowTogglesWhereverTheyChangeAndComeBackWithTheirController) {
  BoundedValue loop(0, 1, 0);
  BoundedValue kill(0, 1, 1);
  EventRegistry registry;
  registry.addOnRelease("Loop", EventType::Toggle, 1, [&loop] { loop.setValue(1 - loop.value()); });
  registry.setState(1, [&loop] { return loop.value() != 0; });
  registry.addOnRelease("Kill", EventType::Toggle, 2, [&kill] { kill.setValue(1 - kill.value()); });
  registry.setState(2, [&kill] { return kill.value() != 0; });
  registry.addOnRelease("Shifted", EventType::Toggle, 3, [] {});
  registry.setState(3, [] { return true; });
  registry.registerWith(events, "Zone");
  events.records()[0].midi.control = control(MidiControlKind::Note, 36, 2);
  events.records()[1].midi.control = control(MidiControlKind::Control, 20);
  events.records()[2].midi = {control(MidiControlKind::Note, 37), control(MidiControlKind::Note, 40), {}};

  EXPECT_EQ(hub.feedback().update(), 2);
  EXPECT_EQ(sent, (Sent{{kPad, MidiMessage::noteOn(2, 36, 0)}, {kPad, MidiMessage::control(0, 20, 127)}}));
  sent.clear();
  loop.setValue(1);  // from the window
  EXPECT_EQ(hub.feedback().update(), 1);
  EXPECT_EQ(hub.feedback().update(), 0);
  // From the controller itself.
  play({MidiMessage::control(0, 20, 127), MidiMessage::control(0, 20, 0)});
  hub.feedback().update();
  EXPECT_EQ(sent, (Sent{{kPad, MidiMessage::noteOn(2, 36, 127)}, {kPad, MidiMessage::control(0, 20, 0)}}));

  // Unplugged and plugged in again: the status line says so, and the lights are sent afresh.
  sent.clear();
  source.portRemoved(kPad);
  source.portAdded(kPad);
  EXPECT_EQ(statusTexts, (std::vector<QString>{msg(Msg::StatusMidiDisconnected).arg(kPad),
                                               msg(Msg::StatusMidiConnected).arg(kPad)}));
  EXPECT_EQ(hub.feedback().update(), 2);
}

TEST_F(MidiController, AControllerPulledOutWhileNotesAreDownLeavesNothingHeldOrBeingCaught) {
  bind(0, 1, control(MidiControlKind::Note, 36));
  bind(0, 2, control(MidiControlKind::Note, 36)).midi.modifier = control(MidiControlKind::Note, 40);
  EventBinding& chosen = events.registerEvent("Zone", "chosen", 0, &target, 3);
  mapping.select(2);
  mapping.setCatchMode(true);
  // Each note held makes the next one touched its modifier.
  play({MidiMessage::noteOn(0, 50, 100), MidiMessage::noteOn(0, 40, 100), MidiMessage::noteOn(0, 36, 100)});
  EXPECT_EQ(chosen.midi, (MidiBinding{control(MidiControlKind::Note, 36), control(MidiControlKind::Note, 40), {}}));
  chosen.midi = {};

  // Their releases never come: back again, the controller's notes are neither caught nor swallowed.
  source.portRemoved(kPad);
  source.portAdded(kPad);
  EXPECT_EQ(play({MidiMessage::noteOn(0, 51, 100), MidiMessage::noteOff(0, 51), MidiMessage::noteOn(0, 40, 100),
                  MidiMessage::noteOn(0, 36, 100)}),
            (Calls{{2, 1}}));
  EXPECT_FALSE(chosen.midi.bound());
  // Nor held.
  source.portRemoved(kPad);
  source.portAdded(kPad);
  EXPECT_EQ(play({MidiMessage::noteOn(0, 36, 100), MidiMessage::noteOff(0, 36)}), (Calls{{1, 1}, {1, 0}}));
}

}  // namespace
}  // namespace gm
