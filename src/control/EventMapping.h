#pragma once
// The event-mapping editor's model: the live event list with the record chosen in the editor, the
// backup that "Cancel" returns to, and catch mode, in which the next reading of any controller
// sensor or MIDI control binds it to the chosen record. Outside catch mode readings go to the dispatcher.

#include <cstdint>
#include <functional>
#include <vector>

#include <QObject>
#include <QString>

#include "control/EventBinding.h"
#include "control/MidiCatcher.h"
#include "control/SensorRecord.h"

namespace gm {

class EventDispatcher;
class EventList;

class EventMapping : public QObject {
  Q_OBJECT
 public:
  // `mappingPath` is the file "Save" writes.
  EventMapping(EventList& events, EventDispatcher& dispatcher, QString mappingPath, QObject* parent = nullptr);

  EventList& events() { return events_; }
  const QString& mappingPath() const { return mappingPath_; }

  // [main-thread] The editor opened: what "Cancel" will restore is the list as it is now.
  void setUp();
  // [main-thread] The record the editor works on, by position in the list; -1 for none.
  void select(int index);
  int selected() const { return selected_; }
  EventBinding* selectedRecord();
  // Whether "Relative" can be changed (not for a caught button).
  bool relativeEnabled() const { return relativeEnabled_; }

  // [main-thread] Edits of the chosen record. The shortcut is kept only for Button and Toggle events.
  void setShortcut(const QString& description);
  void setRelative(bool relative);
  void setScript(const QString& line);
  // "Remove Event": the record loses its sensor and MIDI control; shortcut and script stay.
  void removeSensor();

  // [main-thread] "Catch Event".
  void setCatchMode(bool on);
  bool catchMode() const { return catchMode_; }

  // [main-thread] Where a failure to save is told.
  void setReporter(std::function<void(const QString&)> report) { report_ = std::move(report); }
  // [main-thread] "Save": writes the file; false, after telling the reporter why, when it could not.
  bool save();
  // [main-thread] "Cancel": every record gets back the bindings it had when the editor opened.
  void cancel();

  // [main-thread] A reading of a controller sensor.
  void sensorReading(const SensorRecord& sensor, double value);
  // [main-thread] A reading of a MIDI control: caught in catch mode (see MidiCatcher), else fired.
  void midiReading(const MidiReading& reading);
  // [main-thread] A MIDI port went away, with whatever of it was being caught.
  void forgetMidiPort(const QString& port) { midiCatcher_.forgetPort(port); }

 Q_SIGNALS:
  void recordChanged(int index);
  void listRestored();
  void catchModeChanged(bool on);
  void relativeEnabledChanged(bool enabled);

 private:
  void catchSensor(const SensorRecord& sensor);
  void catchMidi(const MidiBinding& binding);
  void setRelativeEnabled(bool enabled);
  void changed();

  // What the editor can change in a record.
  struct Bindings {
    QString keyboard;
    QString script;
    std::int32_t hidIndex, vendorId, deviceId, relative;
    QString hidName;
    std::int32_t lastValue;
    MidiBinding midi;
  };
  static Bindings bindingsOf(const EventBinding& record);

  EventList& events_;
  EventDispatcher& dispatcher_;
  QString mappingPath_;
  std::function<void(const QString&)> report_;
  std::vector<Bindings> backup_;
  bool setUp_ = false;
  int selected_ = -1;
  bool catchMode_ = false;
  bool skipNext_ = false;
  MidiCatcher midiCatcher_;
  bool relativeEnabled_ = true;
};

}  // namespace gm
