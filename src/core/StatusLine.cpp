#include "core/StatusLine.h"

namespace gm {

StatusLine::StatusLine(QObject* parent) : QObject(parent) {}

void StatusLine::show(const QString& text) {
  text_ = text;
  Q_EMIT shown(text_);
}

}  // namespace gm
