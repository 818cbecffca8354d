#include "control/KeyDescription.h"

#include <QRegularExpression>
#include <QStringList>

#include "control/KeyCodes.h"

namespace gm {
namespace {

struct Qualifier {
  const char* name;
  std::uint16_t bit;
};

// The first name of each bit is the one descriptions are written with, in this order.
constexpr Qualifier kQualifiers[] = {
    {"shift", KeyMessage::kShift},         {"lshift", KeyMessage::kShift},
    {"rshift", KeyMessage::kShift},        {"capslock", KeyMessage::kCapsLock},
    {"caps", KeyMessage::kCapsLock},       {"ctrl", KeyMessage::kControl},
    {"control", KeyMessage::kControl},     {"alt", KeyMessage::kAlt},
    {"lalt", KeyMessage::kAlt},            {"ralt", KeyMessage::kRightAlt},
    {"altgr", KeyMessage::kRightAlt},      {"command", KeyMessage::kCommand},
    {"lcommand", KeyMessage::kCommand},    {"rcommand", KeyMessage::kCommand},
    {"meta", KeyMessage::kCommand},        {"super", KeyMessage::kCommand},
    {"numericpad", KeyMessage::kNumericPad}, {"numpad", KeyMessage::kNumericPad},
    {"repeat", KeyMessage::kRepeat},       {"leftbutton", KeyMessage::kLeftButton},
    {"lbutton", KeyMessage::kLeftButton},  {"midbutton", KeyMessage::kMiddleButton},
    {"mbutton", KeyMessage::kMiddleButton}, {"rbutton", KeyMessage::kRightButton},
    {"rightbutton", KeyMessage::kRightButton}, {"relativemouse", KeyMessage::kRelativeMouse},
};

std::optional<std::uint16_t> qualifierBit(const QString& word) {
  for (const Qualifier& qualifier : kQualifiers) {
    if (word.compare(QLatin1String(qualifier.name), Qt::CaseInsensitive) == 0) return qualifier.bit;
  }
  return std::nullopt;
}

bool isWord(const QString& word, const char* expected) {
  return word.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::optional<KeyMessage> KeyDescription::parse(const QString& text) {
  QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  if (!words.isEmpty() && isWord(words.front(), "rawkey")) words.removeFirst();
  if (words.isEmpty()) return std::nullopt;
  KeyMessage key;
  for (qsizetype i = 0; i + 1 < words.size(); ++i) {
    if (isWord(words[i], "upstroke")) {
      key.code |= KeyMessage::kKeyUp;
    } else if (const std::optional<std::uint16_t> bit = qualifierBit(words[i])) {
      key.qualifiers |= *bit;
    } else {
      return std::nullopt;
    }
  }
  const std::optional<std::uint16_t> code =
      KeyCodes::fromName(words.back(), (key.qualifiers & KeyMessage::kNumericPad) != 0);
  if (!code) return std::nullopt;
  key.code |= *code;
  if (KeyCodes::isNumericPadKey(*code)) key.qualifiers |= KeyMessage::kNumericPad;
  return key;
}

QString KeyDescription::describe(const KeyMessage& key) {
  const QString keyName = KeyCodes::name(key.code & ~KeyMessage::kKeyUp);
  if (keyName.isEmpty()) return {};
  QStringList words;
  std::uint16_t written = 0;
  for (const Qualifier& qualifier : kQualifiers) {
    if ((key.qualifiers & qualifier.bit) == 0 || (written & qualifier.bit) != 0) continue;
    words << QString::fromLatin1(qualifier.name);
    written |= qualifier.bit;
  }
  if (key.code & KeyMessage::kKeyUp) words << QStringLiteral("upstroke");
  words << keyName;
  return words.join(' ');
}

}  // namespace gm
