#include "core/StatusLine.h"

namespace gm {

StatusLine::StatusLine(QObject* parent) : QObject(parent) {}

void StatusLine::show(const QString& text) {
  text_ = text;
  emphasised_ = false;
  Q_EMIT shown(text_);
}

void StatusLine::showEmphasised(const QString& text) {
  text_ = text;
  emphasised_ = true;
  Q_EMIT shown(text_);
}

}  // namespace gm
