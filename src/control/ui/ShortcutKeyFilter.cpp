#include "control/ui/ShortcutKeyFilter.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <QWindow>

#include "control/EventDispatcher.h"
#include "control/QtKeyTranslation.h"

namespace gm {

ShortcutKeyFilter::ShortcutKeyFilter(QWidget& window, EventDispatcher& dispatcher)
    : QObject(&window), window_(window), dispatcher_(dispatcher) {
  // The application sees each key first at the window it is for, once, before any widget does.
  qApp->installEventFilter(this);
}

bool ShortcutKeyFilter::textFieldHasFocus() {
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr) return false;
  if (auto* combo = qobject_cast<QComboBox*>(focus)) return combo->isEditable();
  return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
         qobject_cast<QAbstractSpinBox*>(focus);
}

bool ShortcutKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::KeyPress;
  if ((!press && event->type() != QEvent::KeyRelease) || !watched->isWindowType()) return false;
  if (watched != window_.windowHandle() || textFieldHasFocus()) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const std::optional<KeyMessage> message =
      QtKeyTranslation::message(key->key(), key->modifiers(), !press, key->isAutoRepeat());
  return message && dispatcher_.keyMessage(*message);
}

}  // namespace gm
