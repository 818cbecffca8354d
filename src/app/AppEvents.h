#pragma once
// The program's events: every zone owner's events registered in one order, the mapping file loaded
// once at start (or the default shortcuts when the user has none), key messages and controller
// readings dispatched, and the mapping editor's model. The window and the command port reach the
// events through here and through the application's event list.
//
// List order, which is also the file's: "Mixer", "Waveform A", "Waveform B", (the playlist's
// "Media"), "Equalizer A", "Equalizer B", "Filter A", "Filter B", (the recorder's "Recorder"),
// "Controller A", "Controller B".

#include <memory>

#include <QObject>

#include "app/MixerChannelEvents.h"
#include "control/EventDispatcher.h"
#include "control/EventMapping.h"
#include "control/EventRegistry.h"
#include "control/EventScriptLauncher.h"
#include "control/MidiHub.h"
#include "control/MidiSource.h"
#include "control/SensorSource.h"
#include "tracks/BandDisplayEvents.h"
#include "tracks/DeckControlEvents.h"

namespace gm {

class Application;

class AppEvents {
 public:
  // The cross-fader's own steps, beyond its analog event: keys can move it too.
  enum Method : std::uint32_t {
    kCrossFader = 61469, kCrossFaderLeft = 0x8000C301, kCrossFaderRight = 0x8000C302,
    kCrossFaderCentre = 0x8000C303,
  };
  static constexpr int kCrossFaderStep = 10;  // of -60..60: a dozen presses from one side to the other

  // `app`'s models must be built; they outlive this object.
  explicit AppEvents(Application& app);
  ~AppEvents();

  // [main-thread] Every zone owner's events into the application's list, once.
  void registerAll();
  // [main-thread] Loads the mapping file (the default shortcuts when there is none yet) and starts
  // watching the controllers, through `sensors` and `midi` when given (tests), else the system's
  // input devices and MIDI sequencer.
  void start(std::unique_ptr<SensorSource> sensors = nullptr, std::unique_ptr<MidiSource> midi = nullptr);

  EventDispatcher& dispatcher() { return dispatcher_; }
  EventMapping& mapping() { return mapping_; }
  EventScriptLauncher& scripts() { return scripts_; }
  MidiHub& midi() { return midi_; }

 private:
  void addMixerEvents();
  void loadMapping();

  Application& app_;
  EventScriptLauncher scripts_;
  EventDispatcher dispatcher_;
  EventMapping mapping_;
  std::unique_ptr<SensorSource> sensors_;
  MidiHub midi_;
  EventRegistry mixer_;
  BandDisplayEvents waveformA_;
  BandDisplayEvents waveformB_;
  MixerChannelEvents equalizerA_;
  MixerChannelEvents equalizerB_;
  DeckControlEvents controllerA_;
  DeckControlEvents controllerB_;
};

}  // namespace gm
