#pragma once
// Comparing command words as the command port does: byte by byte, letters A-Z without regard to
// case, every other byte (including those of other alphabets) as it is.

#include <QByteArrayView>

namespace gm {

class AsciiText {
 public:
  static char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

  static bool equalsIgnoringCase(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
      if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
  }
};

}  // namespace gm
