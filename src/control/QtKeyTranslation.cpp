#include "control/QtKeyTranslation.h"

#include "control/KeyCodes.h"

namespace gm {

std::optional<KeyMessage> QtKeyTranslation::message(int qtKey, Qt::KeyboardModifiers modifiers, bool release,
                                                    bool autoRepeat) {
  if (release && autoRepeat) return std::nullopt;
  const bool numericPad = modifiers.testFlag(Qt::KeypadModifier);
  const std::optional<std::uint16_t> code = KeyCodes::fromQtKey(qtKey, numericPad);
  if (!code) return std::nullopt;
  KeyMessage key;
  key.code = release ? std::uint16_t(*code | KeyMessage::kKeyUp) : *code;
  if (modifiers.testFlag(Qt::ShiftModifier)) key.qualifiers |= KeyMessage::kShift;
  if (modifiers.testFlag(Qt::ControlModifier)) key.qualifiers |= KeyMessage::kControl;
  if (modifiers.testFlag(Qt::AltModifier)) key.qualifiers |= KeyMessage::kAlt;
  if (modifiers.testFlag(Qt::GroupSwitchModifier)) key.qualifiers |= KeyMessage::kRightAlt;
  if (modifiers.testFlag(Qt::MetaModifier)) key.qualifiers |= KeyMessage::kCommand;
  if (numericPad || KeyCodes::isNumericPadKey(*code)) key.qualifiers |= KeyMessage::kNumericPad;
  if (autoRepeat) key.qualifiers |= KeyMessage::kRepeat;
  return key;
}

}  // namespace gm
