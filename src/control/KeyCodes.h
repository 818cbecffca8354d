#pragma once
// The program's key codes: one 7-bit code per key of a PC keyboard, with its name in shortcut
// descriptions and the window system's key for it. Keys of the numeric pad have codes of their
// own and always come with the numeric-pad qualifier.

#include <cstdint>
#include <optional>

#include <QString>

namespace gm {

class KeyCodes {
 public:
  // The code of a key name ("a", "f1", "space", "5"); with `numericPad`, the pad's own key where it
  // has one ("5", "+", "enter"), else the ordinary key. None for an unknown name. Case-insensitive.
  static std::optional<std::uint16_t> fromName(const QString& name, bool numericPad);
  // The name of a code (without the key-up flag); empty for an unknown code.
  static QString name(std::uint16_t code);
  static bool isNumericPadKey(std::uint16_t code);

  // The code of a window-system key (a Qt::Key value); `numericPad` when it came from the pad.
  // Shifted symbols count as their key ("!" as "1") on the usual layout. None for keys without a
  // code, such as the qualifier keys themselves.
  static std::optional<std::uint16_t> fromQtKey(int qtKey, bool numericPad);
};

}  // namespace gm
