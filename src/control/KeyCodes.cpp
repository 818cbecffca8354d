#include "control/KeyCodes.h"

#include <array>
#include <iterator>

#include <QtCore/qnamespace.h>

namespace gm {
namespace {

struct Key {
  const char* name;
  std::uint16_t code;
  int qtKey;
};

// The ordinary keys. Codes are stable: they are what descriptions parse into, never stored.
constexpr Key kKeys[] = {
    {"`", 0x01, Qt::Key_QuoteLeft}, {"-", 0x02, Qt::Key_Minus}, {"=", 0x03, Qt::Key_Equal},
    {"\\", 0x04, Qt::Key_Backslash}, {"[", 0x05, Qt::Key_BracketLeft}, {"]", 0x06, Qt::Key_BracketRight},
    {";", 0x07, Qt::Key_Semicolon}, {"'", 0x08, Qt::Key_Apostrophe}, {",", 0x09, Qt::Key_Comma},
    {".", 0x0A, Qt::Key_Period}, {"/", 0x0B, Qt::Key_Slash},
    {"0", 0x10, Qt::Key_0}, {"1", 0x11, Qt::Key_1}, {"2", 0x12, Qt::Key_2}, {"3", 0x13, Qt::Key_3},
    {"4", 0x14, Qt::Key_4}, {"5", 0x15, Qt::Key_5}, {"6", 0x16, Qt::Key_6}, {"7", 0x17, Qt::Key_7},
    {"8", 0x18, Qt::Key_8}, {"9", 0x19, Qt::Key_9},
    {"a", 0x20, Qt::Key_A}, {"b", 0x21, Qt::Key_B}, {"c", 0x22, Qt::Key_C}, {"d", 0x23, Qt::Key_D},
    {"e", 0x24, Qt::Key_E}, {"f", 0x25, Qt::Key_F}, {"g", 0x26, Qt::Key_G}, {"h", 0x27, Qt::Key_H},
    {"i", 0x28, Qt::Key_I}, {"j", 0x29, Qt::Key_J}, {"k", 0x2A, Qt::Key_K}, {"l", 0x2B, Qt::Key_L},
    {"m", 0x2C, Qt::Key_M}, {"n", 0x2D, Qt::Key_N}, {"o", 0x2E, Qt::Key_O}, {"p", 0x2F, Qt::Key_P},
    {"q", 0x30, Qt::Key_Q}, {"r", 0x31, Qt::Key_R}, {"s", 0x32, Qt::Key_S}, {"t", 0x33, Qt::Key_T},
    {"u", 0x34, Qt::Key_U}, {"v", 0x35, Qt::Key_V}, {"w", 0x36, Qt::Key_W}, {"x", 0x37, Qt::Key_X},
    {"y", 0x38, Qt::Key_Y}, {"z", 0x39, Qt::Key_Z},
    {"space", 0x40, Qt::Key_Space}, {"backspace", 0x41, Qt::Key_Backspace}, {"tab", 0x42, Qt::Key_Tab},
    {"return", 0x43, Qt::Key_Return}, {"esc", 0x44, Qt::Key_Escape}, {"del", 0x45, Qt::Key_Delete},
    {"insert", 0x46, Qt::Key_Insert}, {"home", 0x47, Qt::Key_Home}, {"end", 0x48, Qt::Key_End},
    {"pageup", 0x49, Qt::Key_PageUp}, {"pagedown", 0x4A, Qt::Key_PageDown}, {"up", 0x4B, Qt::Key_Up},
    {"down", 0x4C, Qt::Key_Down}, {"right", 0x4D, Qt::Key_Right}, {"left", 0x4E, Qt::Key_Left},
    {"help", 0x4F, Qt::Key_Help},
    {"f1", 0x50, Qt::Key_F1}, {"f2", 0x51, Qt::Key_F2}, {"f3", 0x52, Qt::Key_F3}, {"f4", 0x53, Qt::Key_F4},
    {"f5", 0x54, Qt::Key_F5}, {"f6", 0x55, Qt::Key_F6}, {"f7", 0x56, Qt::Key_F7}, {"f8", 0x57, Qt::Key_F8},
    {"f9", 0x58, Qt::Key_F9}, {"f10", 0x59, Qt::Key_F10}, {"f11", 0x5A, Qt::Key_F11}, {"f12", 0x5B, Qt::Key_F12},
    {"print", 0x5C, Qt::Key_Print}, {"scrolllock", 0x5D, Qt::Key_ScrollLock}, {"pause", 0x5E, Qt::Key_Pause},
    {"menu", 0x5F, Qt::Key_Menu},
};

// The numeric pad's own keys (with Num Lock on; with it off the pad sends the ordinary
// cursor keys, which keep their codes and carry the numeric-pad qualifier).
constexpr Key kPadKeys[] = {
    {"0", 0x60, Qt::Key_0}, {"1", 0x61, Qt::Key_1}, {"2", 0x62, Qt::Key_2}, {"3", 0x63, Qt::Key_3},
    {"4", 0x64, Qt::Key_4}, {"5", 0x65, Qt::Key_5}, {"6", 0x66, Qt::Key_6}, {"7", 0x67, Qt::Key_7},
    {"8", 0x68, Qt::Key_8}, {"9", 0x69, Qt::Key_9}, {".", 0x6A, Qt::Key_Period}, {"enter", 0x6B, Qt::Key_Enter},
    {"-", 0x6C, Qt::Key_Minus}, {"+", 0x6D, Qt::Key_Plus}, {"*", 0x6E, Qt::Key_Asterisk}, {"/", 0x6F, Qt::Key_Slash},
};
constexpr std::uint16_t kFirstPadCode = 0x60;
constexpr std::uint16_t kLastPadCode = 0x6F;

// Symbols typed with shift on the usual layout, and the key they are on.
constexpr std::array<std::array<int, 2>, 21> kShiftedSymbols = {{
    {Qt::Key_AsciiTilde, Qt::Key_QuoteLeft}, {Qt::Key_Exclam, Qt::Key_1}, {Qt::Key_At, Qt::Key_2},
    {Qt::Key_NumberSign, Qt::Key_3}, {Qt::Key_Dollar, Qt::Key_4}, {Qt::Key_Percent, Qt::Key_5},
    {Qt::Key_AsciiCircum, Qt::Key_6}, {Qt::Key_Ampersand, Qt::Key_7}, {Qt::Key_Asterisk, Qt::Key_8},
    {Qt::Key_ParenLeft, Qt::Key_9}, {Qt::Key_ParenRight, Qt::Key_0}, {Qt::Key_Underscore, Qt::Key_Minus},
    {Qt::Key_Plus, Qt::Key_Equal}, {Qt::Key_Bar, Qt::Key_Backslash}, {Qt::Key_BraceLeft, Qt::Key_BracketLeft},
    {Qt::Key_BraceRight, Qt::Key_BracketRight}, {Qt::Key_Colon, Qt::Key_Semicolon},
    {Qt::Key_QuoteDbl, Qt::Key_Apostrophe}, {Qt::Key_Less, Qt::Key_Comma}, {Qt::Key_Greater, Qt::Key_Period},
    {Qt::Key_Question, Qt::Key_Slash},
}};

// Other names the descriptions accept for some keys.
constexpr std::array<std::array<const char*, 2>, 5> kAliases = {{
    {"escape", "esc"}, {"delete", "del"}, {"backtab", "tab"}, {"minus", "-"}, {"comma", ","},
}};

template <std::size_t N>
const Key* byName(const Key (&table)[N], const QString& name) {
  for (const Key& key : table) {
    if (name.compare(QLatin1String(key.name), Qt::CaseInsensitive) == 0) return &key;
  }
  return nullptr;
}

template <std::size_t N>
const Key* byQtKey(const Key (&table)[N], int qtKey) {
  for (const Key& key : table) {
    if (key.qtKey == qtKey) return &key;
  }
  return nullptr;
}

QString canonicalName(const QString& name) {
  for (const auto& alias : kAliases) {
    if (name.compare(QLatin1String(alias[0]), Qt::CaseInsensitive) == 0) return QString::fromLatin1(alias[1]);
  }
  return name;
}

int unshifted(int qtKey) {
  for (const auto& pair : kShiftedSymbols) {
    if (pair[0] == qtKey) return pair[1];
  }
  return qtKey == Qt::Key_Backtab ? int(Qt::Key_Tab) : qtKey;
}

}  // namespace

std::optional<std::uint16_t> KeyCodes::fromName(const QString& name, bool numericPad) {
  const QString canonical = canonicalName(name);
  if (const Key* pad = byName(kPadKeys, canonical); pad && (numericPad || pad->qtKey == Qt::Key_Enter)) return pad->code;
  if (const Key* key = byName(kKeys, canonical)) return key->code;
  return std::nullopt;
}

QString KeyCodes::name(std::uint16_t code) {
  const auto named = [code](const auto& table) -> const Key* {
    for (const Key& key : table) {
      if (key.code == code) return &key;
    }
    return nullptr;
  };
  if (const Key* key = isNumericPadKey(code) ? named(kPadKeys) : named(kKeys)) return QString::fromLatin1(key->name);
  return {};
}

bool KeyCodes::isNumericPadKey(std::uint16_t code) { return code >= kFirstPadCode && code <= kLastPadCode; }

std::optional<std::uint16_t> KeyCodes::fromQtKey(int qtKey, bool numericPad) {
  // Pad keys first: with the pad's qualifier, "*" and "+" are the pad's own keys, not shifted symbols.
  if (const Key* pad = byQtKey(kPadKeys, qtKey); pad && (numericPad || qtKey == Qt::Key_Enter)) return pad->code;
  if (const Key* key = byQtKey(kKeys, unshifted(qtKey))) return key->code;
  return std::nullopt;
}

}  // namespace gm
