#pragma once
// Key events of the window system as key messages: the same codes and qualifier bits that
// shortcut descriptions parse into.

#include <optional>

#include <QtCore/qnamespace.h>

#include "control/KeyMessage.h"

namespace gm {

class QtKeyTranslation {
 public:
  // The message for a key event (a Qt::Key value and the modifiers held); none for keys without a
  // code (the qualifier keys themselves) and for the releases the window system sends between
  // auto-repeated presses: only the repeated presses count, each with the repeat qualifier.
  static std::optional<KeyMessage> message(int qtKey, Qt::KeyboardModifiers modifiers, bool release,
                                           bool autoRepeat);
};

}  // namespace gm
