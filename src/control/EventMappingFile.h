#pragma once
// The event-mapping file: the bindings of every event as text records of thirteen lines each,
//   START / ORIGIN:zone / EVENTNAME:name / AMIGADOS:script / KEYBOARD:shortcut / HIDNAME:sensor /
//   TYPE:n / METHOD:n / HIDINDEX:n / VENDORID:n / DEVICEID:n / RELATIVE:0|1 / END
// and, in the records of events bound to a MIDI control, a line MIDI:binding (see MidiBindingText)
// before END.
// Keys are read in any case and in any order within a record; text that is no key is skipped. A
// record binds the first event of the same type and method whose zone and name it starts with
// (compared without case), and is dropped when there is none.

#include <cstddef>
#include <vector>

#include <QByteArray>
#include <QString>

namespace gm {

class EventList;

class EventMappingFile {
 public:
  static constexpr const char* kName = "PROGDIR:Config/default.cfg";
  // Far beyond the records of every event the program has.
  static constexpr qint64 kMaxBytes = 16 << 20;

  // The whole list, every event bound or not, in the file's format.
  static QByteArray format(const EventList& events);
  // [main-thread] Applies the records of `content` to `events`; returns the positions of the events
  // that received values, in the order they did.
  static std::vector<std::size_t> apply(const QByteArray& content, EventList& events);

  // [main-thread] Reads the file at `path` and applies it. False, with nothing changed, when it is
  // missing, not a regular file, larger than kMaxBytes or cannot be read whole.
  static bool load(const QString& path, EventList& events);
  // [main-thread] Writes the list to `path` (its directory is made when missing), replacing the old
  // file only once the new one is complete. False, with `error` saying why, when it could not.
  static bool save(const QString& path, const EventList& events, QString* error = nullptr);
};

}  // namespace gm
