#include "core/Requester.h"

namespace gm {

QStringList Requester::buttonLabels(const QString& buttons) {
  QStringList labels;
  for (QString label : buttons.split('|')) {
    if (label.startsWith('*')) label.remove(0, 1);
    label.replace('&', "&&").replace('_', '&');
    labels << label;
  }
  return labels;
}

int Requester::defaultButton(const QString& buttons) {
  const QStringList parts = buttons.split('|');
  for (int i = 0; i < parts.size(); ++i) {
    if (parts[i].startsWith('*')) return i;
  }
  return 0;
}

}  // namespace gm
