#include "control/CommandReply.h"

namespace gm {

QByteArray CommandReply::line() const {
  QByteArray out = QByteArray::number(code);
  if (text.isEmpty()) return out;
  out += ' ';
  for (const char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

}  // namespace gm
