#pragma once
// Keyboard shortcuts as text: "ctrl alt a", "shift f1", "numericpad 5", "upstroke space". A
// description is an optional class word ("rawkey"), qualifier words, an optional "upstroke" (the
// shortcut fires when the key goes up) and one key name, separated by blanks, in any case.

#include <optional>

#include <QString>

#include "control/KeyMessage.h"

namespace gm {

class KeyDescription {
 public:
  // The key message a description stands for; none when it does not parse (an unknown word, no
  // key, or a word after the key).
  static std::optional<KeyMessage> parse(const QString& text);
  // The description of a key message, in the words parse() reads back to the same message; empty
  // for an unknown key code.
  static QString describe(const KeyMessage& key);
};

}  // namespace gm
