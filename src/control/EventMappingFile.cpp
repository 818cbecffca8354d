#include "control/EventMappingFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include <QFileInfo>

#include "control/EventList.h"
#include "control/MidiBindingText.h"
#include "core/AtomicFile.h"
#include "core/Directories.h"
#include "core/RegularFile.h"

namespace gm {
namespace {

enum class Field { Start, Origin, EventName, Script, Keyboard, HidName, Type, Method, HidIndex, VendorId, DeviceId,
                   Relative, Midi, End };

struct Key {
  const char* text;
  Field field;
};

// Tried in this order at every position; a record in the written order is taken in one pass.
constexpr Key kKeys[] = {
    {"START", Field::Start},        {"ORIGIN:", Field::Origin},     {"EVENTNAME:", Field::EventName},
    {"AMIGADOS:", Field::Script},   {"KEYBOARD:", Field::Keyboard}, {"HIDNAME:", Field::HidName},
    {"TYPE:", Field::Type},         {"METHOD:", Field::Method},     {"HIDINDEX:", Field::HidIndex},
    {"VENDORID:", Field::VendorId}, {"DEVICEID:", Field::DeviceId}, {"RELATIVE:", Field::Relative},
    {"MIDI:", Field::Midi},         {"END\n", Field::End},          {"END\r\n", Field::End},
};

// A record as read so far; strings are empty when absent.
struct ParsedRecord {
  QByteArray zone, name, script, keyboard, hidName, midi;
  std::int32_t type = 0;
  std::int32_t method = 0;
  std::int32_t hidIndex = 0;
  std::int32_t vendorId = 0;
  std::int32_t deviceId = 0;
  std::int32_t relative = 0;
};

bool keyAt(const QByteArray& content, qsizetype cursor, const char* key) {
  const auto length = qsizetype(std::strlen(key));
  return cursor + length <= content.size() && qstrnicmp(content.constData() + cursor, key, length) == 0;
}

// The value from the cursor to the end of its line (a carriage return before the line feed is not
// part of it); the cursor moves past the line feed.
QByteArray takeValue(const QByteArray& content, qsizetype& cursor) {
  qsizetype end = content.indexOf('\n', cursor);
  if (end < 0) end = content.size();
  qsizetype valueEnd = end;
  if (valueEnd > cursor && content[valueEnd - 1] == '\r') --valueEnd;
  QByteArray value = content.mid(cursor, valueEnd - cursor);
  cursor = std::min(end + 1, content.size());
  return value;
}

// A decimal integer at the start of `text` (after blanks, with an optional sign). Methods are also
// accepted in their unsigned form; everything is kept to 32 bits. Unchanged when there are no digits.
void readNumber(const QByteArray& text, std::int32_t& field) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::uint32_t>::max());
  std::int64_t magnitude = 0;
  const qsizetype firstDigit = i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit + 1);
  }
  if (i == firstDigit) return;
  const std::int64_t value = std::clamp(negative ? -magnitude : magnitude,
                                        std::int64_t(std::numeric_limits<std::int32_t>::min()), kLimit);
  field = std::int32_t(std::uint32_t(value));
}

bool startsWithNoCase(const QString& text, const QString& prefix) {
  return text.size() >= prefix.size() && QStringView(text).left(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// The first event the record binds, or -1.
qsizetype matchingEvent(const ParsedRecord& parsed, const EventList& events) {
  const QString zone = QString::fromUtf8(parsed.zone);
  const QString name = QString::fromUtf8(parsed.name);
  const auto& records = events.records();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const EventBinding& record = records[i];
    if (record.type == parsed.type && record.method == std::uint32_t(parsed.method) &&
        startsWithNoCase(name, record.nameKey) && startsWithNoCase(zone, record.zoneKey)) {
      return qsizetype(i);
    }
  }
  return -1;
}

void bind(EventBinding& record, const ParsedRecord& parsed) {
  if (!parsed.hidName.isEmpty()) record.hidName = QString::fromUtf8(parsed.hidName);
  record.script = QString::fromUtf8(parsed.script);
  if (!parsed.keyboard.isEmpty()) record.keyboard = QString::fromUtf8(parsed.keyboard);
  record.hidIndex = parsed.hidIndex;
  record.vendorId = parsed.vendorId;
  record.deviceId = parsed.deviceId;
  record.relative = parsed.relative;
  // A record without a MIDI line, or with one this program cannot read, binds no MIDI control.
  record.midi = MidiBindingText::parse(parsed.midi).value_or(MidiBinding{});
}

void store(ParsedRecord& parsed, Field field, const QByteArray& value) {
  switch (field) {
    case Field::Origin: parsed.zone = value; break;
    case Field::EventName: parsed.name = value; break;
    case Field::Script: parsed.script = value; break;
    case Field::Keyboard: parsed.keyboard = value; break;
    case Field::HidName: parsed.hidName = value; break;
    case Field::Type: readNumber(value, parsed.type); break;
    case Field::Method: readNumber(value, parsed.method); break;
    case Field::HidIndex: readNumber(value, parsed.hidIndex); break;
    case Field::VendorId: readNumber(value, parsed.vendorId); break;
    case Field::DeviceId: readNumber(value, parsed.deviceId); break;
    case Field::Relative: readNumber(value, parsed.relative); break;
    case Field::Midi: parsed.midi = value; break;
    case Field::Start:
    case Field::End: break;
  }
}

// A text value on one line: a line break inside it would split the record.
QByteArray oneLine(const QString& text) {
  QByteArray bytes = text.toUtf8();
  bytes.replace('\n', ' ').replace('\r', ' ');
  return bytes;
}

}  // namespace

QByteArray EventMappingFile::format(const EventList& events) {
  QByteArray out;
  for (const EventBinding& record : events.records()) {
    out += "START\n";
    out += "ORIGIN:" + oneLine(record.zoneKey) + '\n';
    out += "EVENTNAME:" + oneLine(record.nameKey) + '\n';
    out += "AMIGADOS:" + oneLine(record.script) + '\n';
    out += "KEYBOARD:" + oneLine(record.keyboard) + '\n';
    out += "HIDNAME:" + oneLine(record.hidName) + '\n';
    out += "TYPE:" + QByteArray::number(record.type) + '\n';
    out += "METHOD:" + QByteArray::number(std::int32_t(record.method)) + '\n';
    out += "HIDINDEX:" + QByteArray::number(record.hidIndex) + '\n';
    out += "VENDORID:" + QByteArray::number(record.vendorId) + '\n';
    out += "DEVICEID:" + QByteArray::number(record.deviceId) + '\n';
    out += "RELATIVE:" + QByteArray(record.relative != 0 ? "1" : "0") + '\n';
    // Only events bound to a MIDI control have this line, so a file without any is as before.
    if (record.midi.bound()) out += "MIDI:" + MidiBindingText::format(record.midi) + '\n';
    out += "END\n";
  }
  return out;
}

std::vector<std::size_t> EventMappingFile::apply(const QByteArray& content, EventList& events) {
  std::vector<std::size_t> bound;
  ParsedRecord parsed;
  qsizetype cursor = 0;
  while (cursor < content.size()) {
    bool took = false;
    for (const Key& key : kKeys) {
      if (!keyAt(content, cursor, key.text)) continue;
      took = true;
      cursor += qsizetype(std::strlen(key.text));
      if (key.field == Field::End) {
        if (const qsizetype match = matchingEvent(parsed, events); match >= 0) {
          bind(events.records()[std::size_t(match)], parsed);
          bound.push_back(std::size_t(match));
        }
        parsed = ParsedRecord{};
      } else if (key.field != Field::Start) {
        store(parsed, key.field, takeValue(content, cursor));
      }
    }
    // Keys out of order are found by the next pass from here; only text that is no key is skipped.
    if (!took) ++cursor;
  }
  return bound;
}

bool EventMappingFile::load(const QString& path, EventList& events) {
  const std::optional<QByteArray> content = RegularFile::read(path, kMaxBytes);
  if (!content) return false;
  apply(*content, events);
  return true;
}

bool EventMappingFile::save(const QString& path, const EventList& events, QString* error) {
  Directories::ensureDir(QFileInfo(path).absolutePath());
  return AtomicFile::write(path, format(events), error);
}

}  // namespace gm
