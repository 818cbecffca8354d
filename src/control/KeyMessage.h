#pragma once
// A raw key message as the event dispatch sees it: a 7-bit key code, with the key-up flag added
// when the key goes up, and the set of qualifiers (shift, ctrl, ...) held with it. Shortcut
// descriptions parse into the same pair, so a message matches a shortcut by plain comparison.

#include <cstdint>

namespace gm {

struct KeyMessage {
  static constexpr std::uint16_t kKeyUp = 0x80;

  // Qualifier bits. Left and right shift, alt and command keys are not told apart by the window
  // system, so each pair is one bit; right alt is the AltGr key.
  static constexpr std::uint16_t kShift = 0x0001;
  static constexpr std::uint16_t kCapsLock = 0x0004;
  static constexpr std::uint16_t kControl = 0x0008;
  static constexpr std::uint16_t kAlt = 0x0010;
  static constexpr std::uint16_t kRightAlt = 0x0020;
  static constexpr std::uint16_t kCommand = 0x0040;
  static constexpr std::uint16_t kNumericPad = 0x0100;
  static constexpr std::uint16_t kRepeat = 0x0200;
  static constexpr std::uint16_t kMiddleButton = 0x1000;
  static constexpr std::uint16_t kRightButton = 0x2000;
  static constexpr std::uint16_t kLeftButton = 0x4000;
  static constexpr std::uint16_t kRelativeMouse = 0x8000;

  std::uint16_t code = 0;        // key code, | kKeyUp for a release (or an "upstroke" shortcut)
  std::uint16_t qualifiers = 0;

  bool operator==(const KeyMessage&) const = default;
};

}  // namespace gm
