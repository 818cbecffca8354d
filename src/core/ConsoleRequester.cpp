#include "core/ConsoleRequester.h"

#include <cstdio>

namespace gm {

int ConsoleRequester::request(const QString& title, const QString& text, const QString& buttons) {
  std::fprintf(stderr, "GrooveMangler %s: %s\n", title.toLocal8Bit().constData(),
               text.toLocal8Bit().constData());
  return defaultButton(buttons);
}

}  // namespace gm
